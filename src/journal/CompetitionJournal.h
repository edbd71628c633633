#pragma once

#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"
#include "competition/LaneSelector.h"
#include "competition/ResultGrid.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

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
};

// The record of one competition in an SQLite file (WAL, synchronous FULL). Once attached it
// follows the competition's change signals and writes every change in one transaction before
// anyone connected later (the window) learns of it. close() marks a clean end; a journal found
// open at start-up is the trace of a crash. docs/journal.md describes the file.
class CompetitionJournal final : public QObject
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
    // then on every change of it.
    bool open(const QString& path, Competition& competition);
    // Marks the journal closed (a clean end) and stops following the competition.
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString errorString() const { return m_error; }

Q_SIGNALS:
    // A change could not be written; the text is the German write error naming the file, for the
    // status bar.
    void writeFailed(const QString& message);

private:
    // Runs `body` in one transaction; a failure rolls it back and is announced.
    void write(const std::function<bool()>& body);
    bool putRows(CompetitionRound round, int first, int last, bool whole);
    bool putLanes();
    bool putCaptions();
    bool putPage();
    bool putAll();
    void detach();
    bool exec(const char* sql);
    bool commit();

    sqlite3* m_db = nullptr;
    Competition* m_competition = nullptr;
    QString m_path;
    QString m_error;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace brv
