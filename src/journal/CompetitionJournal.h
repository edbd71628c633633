#pragma once

#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"
#include "competition/LaneSelector.h"
#include "competition/ProtocolTables.h"
#include "competition/ResultGrid.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace brv {

class Competition;

// What a journal holds: the six tables, the current page, the lanes' teams, the options that
// shape the tables and the captions a loaded protocol brought.
struct JournalSnapshot
{
    std::array<std::unique_ptr<ResultGrid>, kRoundCount> tables;
    CompetitionRound page = CompetitionRound::Vorrunde;
    std::array<LaneSelector, 3> lanes;
    CompetitionOptions options;
    QStringList pageCaptions;
    QStringList roundHeadings;
    QDateTime started;
    // the protocol workbook the competition was loaded from or saved to; empty: none
    QString documentFile;
};

// The record of one competition in an SQLite file (WAL, synchronous FULL). Once attached it
// follows the competition's change signals and writes every change in one transaction before
// anyone connected later (the window) learns of it. close() marks a clean end; a journal found
// open at start-up is the trace of a crash. docs/journal.md describes the file.
//
// The same transactions keep the undo history. A step is what one operator action changed: the
// table changes from the first one until control returns to the event loop (a typed cell that
// waits for its commit keeps the step open until another action begins). It holds the rows it
// changed before and after, and the page, the lanes, the row counts and the captions where it
// changed them. The lanes and the page alone make no step.
class CompetitionJournal final : public QObject, private TableChangeRecorder
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompetitionJournal)

public:
    enum class State { Missing, Closed, Unclean };
    Q_ENUM(State)

    explicit CompetitionJournal(QObject* parent = nullptr);
    // Leaves the file as it is: without close() it stays marked open.
    ~CompetitionJournal() override;

    // The journal of the running competition in the user's data folder.
    static QString defaultPath();
    static State state(const QString& path);
    static std::optional<JournalSnapshot> read(const QString& path, QString* error = nullptr);
    // Renames the file after the day it was started ("…-2024-05-11_09-30-00.sqlite") and returns
    // the new path; empty when it could not be renamed.
    static QString keepAside(const QString& path);
    // Puts a snapshot into the competition: tables, options, captions, lanes and page; the best
    // result of the tables is taken anew.
    static void restore(const JournalSnapshot& snapshot, Competition& competition);

    // Opens or creates the file, marks it open, writes the competition's whole state and from
    // then on every change of it. `keepSteps` goes on with the undo history in the file (the
    // competition was restored from it); otherwise the history starts empty.
    bool open(const QString& path, Competition& competition, bool keepSteps = false);
    // Marks the journal closed (a clean end) and stops following the competition.
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString errorString() const { return m_error; }

    // ---- undo and redo
    // Steps kept back from the newest one; older ones are dropped.
    static constexpr int kStepsKept = 200;
    bool canUndo() const { return m_done > 0 && m_done >= m_oldest; }
    bool canRedo() const { return m_newest > m_done; }
    // Where the history stands: the number of the last step done (0: none), which undo lowers
    // and redo raises.
    qint64 position() const { return m_done; }
    // What the step undo or redo would act on is called ("Zeit Bahn 1"); empty when unnamed.
    QString undoLabel() const;
    QString redoLabel() const;
    // Puts the tables back as they were before the last step done (after the last step undone)
    // in one transaction; false when there is none or it could not be written.
    bool undo();
    bool redo();
    // Ends the step in progress: the next change begins a new one.
    void endStep();
    // The changes `changes` makes are written but belong to no step (settings put into effect).
    void changeOutsideSteps(const std::function<void()>& changes);
    // The protocol workbook the competition now belongs to (loaded or saved); it is kept with
    // the competition and travels with undo and redo.
    void setDocumentFile(const QString& path);
    // The changes `changes` makes are written in one transaction (a protocol loaded): one sync
    // of the disk however many tables and captions change.
    void writeTogether(const std::function<void()>& changes);

Q_SIGNALS:
    // A change could not be written; the text is the German write error naming the file, for the
    // status bar.
    void writeFailed(const QString& message);
    // A step was begun, undone, redone or dropped: canUndo() or canRedo() may differ.
    void stepsChanged();
    // Undo or redo brought back another protocol workbook (empty: none).
    void documentFileRestored(const QString& path);
    // A write succeeded after one had failed: what the failure said is past.
    void writeRecovered();

public:
    // What the file holds besides the rows, as far as a step puts it back.
    struct Extras
    {
        CompetitionRound page = CompetitionRound::Vorrunde;
        std::array<int, kRoundCount> rowCounts{};
        std::array<LaneSelector, 3> lanes;
        QStringList pageCaptions;
        QStringList roundHeadings;
        QString documentFile;
    };

private:
    struct Step
    {
        qint64 id = 0;
        QString label;
        Extras before;
        Extras written;       // the "after" last written
        bool carried = false; // left open by a pending edit at the end of an event
    };

    // Runs `body` in one transaction; a failure rolls it back and is announced, the history is
    // dropped and the next write puts the whole competition anew.
    void write(const std::function<bool()>& body);
    static std::optional<JournalSnapshot> readFile(const QString& path, QString* error);
    // One batch of table changes: every table's rows in one transaction.
    void recordChanges(const TableChanges& changes) override;
    // A write failed: rolled back, announced, the history dropped, the next write puts it all.
    void failed();
    bool putRows(CompetitionRound round, int first, int last, bool whole);
    bool putLanes();
    bool putCaptions();
    bool putPage();
    bool putDocument();
    void queueEndOfEvent();
    void amendDone();
    bool putAll(bool keepSteps);
    bool beginStep();
    bool putStepExtras();
    bool applyStep(bool back);
    void actionStarted(const QString& label);
    void endOfEvent();
    void dropSteps();
    void detach();
    bool exec(const char* sql);
    bool commit();

    sqlite3* m_db = nullptr;
    Competition* m_competition = nullptr;
    QString m_path;
    QString m_error;
    QList<QMetaObject::Connection> m_connections;

    // the rows and the rest as the file holds them
    std::array<std::vector<QStringList>, kRoundCount> m_rows;
    Extras m_extras;
    bool m_stale = false;     // a write failed: the next one puts everything anew
    bool m_replaying = false; // undo or redo: its changes go into its one transaction
    bool m_together = false;  // writeTogether(): the changes go into its one transaction
    bool m_bodyFailed = false;
    bool m_outsideSteps = false;
    std::optional<Step> m_step;
    // the name and the state before of the action that began in this event, until its first
    // table change begins its step
    QString m_nextLabel;
    std::optional<Extras> m_nextBefore;
    bool m_endQueued = false;
    qint64 m_done = 0;   // the last step done
    qint64 m_newest = 0; // the last step kept (above m_done: the steps to redo)
    qint64 m_oldest = 1;
    // while a change after undo is open: the newest step to redo, set aside until it is known
    // whether the change changes anything (0: none set aside)
    qint64 m_asideNewest = 0;
    // the page, the lanes and the file as the last step done left them
    Extras m_doneAfter;
};

} // namespace brv
