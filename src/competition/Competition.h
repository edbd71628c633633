#pragma once

#include "competition/CellEditSession.h"
#include "competition/CellStyle.h"
#include "competition/CellText.h"
#include "competition/CompetitionNotices.h"
#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"
#include "competition/HeatLanes.h"
#include "competition/Interfaces.h"
#include "competition/LaneAssignment.h"
#include "competition/ProtocolTables.h"
#include "competition/RandomFill.h"
#include "competition/ResultGrid.h"

#include <QObject>

#include <functional>
#include <optional>

namespace brv {

// The competition day's operations on the protocol: it owns the six tables, the lane
// assignment, the cell-edit session and the random fill, knows the current page, and runs the
// operator's actions (a time recorded, a cell corrected, a page left) through them. Everything
// here runs on the main thread and needs no window.
class Competition final : public QObject, public HeatLanes
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Competition)

public:
    explicit Competition(const NumberFormat& format = NumberFormat(), QObject* parent = nullptr);
    ~Competition() override;

    const NumberFormat& numberFormat() const { return m_format; }
    const CompetitionOptions& options() const { return m_options; }
    void setOptions(const CompetitionOptions& options);

    // Services the operations call; null means "answer no" and "no Shift key".
    void setYesNoQuestion(YesNoQuestion* question) { m_question = question; }
    void setShiftKeyState(ShiftKeyState* shift) { m_shift = shift; }

    // ---- parts
    ProtocolTables& tables() { return m_tables; }
    const ProtocolTables& tables() const { return m_tables; }
    LaneAssignment& lanes() { return m_lanes; }
    const LaneAssignment& lanes() const { return m_lanes; }
    const CellEditSession& edit() const { return m_edit; }
    RandomGenerator& random() { return m_random.generator(); }

    ResultGrid& grid(CompetitionRound round) { return m_tables.grid(round); }
    const ResultGrid& grid(CompetitionRound round) const { return m_tables.grid(round); }
    ResultGrid& currentGrid() { return grid(m_currentRound); }
    const ResultGrid& currentGrid() const { return grid(m_currentRound); }
    CompetitionRound currentRound() const { return m_currentRound; }

    // Caption rows with the options in effect.
    void writeCaptions() { m_tables.writeCaptions(m_options); }
    void applyRankingCaptions() { m_tables.applyRankingCaptions(m_options.rankingMode); }
    void applyClassCaption() { m_tables.applyClassCaption(m_options.classColumnCaption); }

    // Pages the operator can reach: the Achtelfinale is hidden when the knockout starts with 8.
    bool isPageVisible(CompetitionRound round) const;

    // ---- lanes
    // Lane 3 is shown with three lanes on the Vorrunde page; lanes 1 and 2 always.
    bool laneVisible(int lane) const override;
    // Shown and switched on.
    bool laneActive(int lane) const override { return laneVisible(lane) && m_lanes.inUse(lane); }
    // Number of lanes shown: 3 or 2.
    int lanesShown() const { return laneVisible(3) ? 3 : 2; }
    // Lane panels, lane buttons and the start/reset toolbar are hidden on the overall page.
    bool laneAreaVisible() const override { return m_currentRound != CompetitionRound::GesamtErgebnis; }
    int laneChoices(int lane) const override { return m_lanes.selector(lane).count; }
    bool commonStart() const override { return m_options.commonStart; }
    void lockLane(int lane, bool locked) override { m_lanes.setEnabled(lane, !locked); }
    bool overallPage() const override { return m_currentRound == CompetitionRound::GesamtErgebnis; }

    // The team of the current row goes onto the lane.
    void assignRowToLane(int lane);
    // Writes a lane's stopped time into the row of the team on the lane: in the Vorrunde into
    // the lane's run, in a knockout round into the round's run, as the clock writes times
    // (truncated to hundredths).
    void recordLaneTime(int lane, qint32 milliseconds) override;
    // The team on a lane as the lane shows it ("%3s %s" of its start number and name); empty
    // without one.
    QString laneTeam(int lane) const;
    // The row of the team on a lane in the current table, 0 when none.
    int laneRow(int lane) const override;
    // After a heat: the next teams without a result onto the lanes.
    void advanceLanes();
    // Lane 3's box; switched on, the lane takes the first team that has not run on it.
    void setLane3On(bool on);
    // A heat starts on the lanes `starting`: a team whose run in the lane's columns is recorded
    // (the operator put it there by hand) runs again only after "Ja" to "FF X hat schon 1,94.
    // Neuer Lauf ersetzt die Zeit?". True when the heat may start; the runs as they stand are
    // remembered, so that a stop asks before it replaces a time typed meanwhile.
    bool confirmHeatStart(const std::array<bool, 3>& starting) override;
    // Whether the Vorrunde holds runs on lane 3; switching lane 3 off then asks first, and the
    // runs keep counting (confirmLane3Off()).
    bool hasLane3Runs() const;
    // "Ja" to switching lane 3 off while the Vorrunde holds runs on it (true without such runs).
    bool confirmLane3Off();

    // ---- the warning about tied qualifying places
    PlaceNotice placeNotice() const { return m_placeNotice; }

    // ---- cell editing
    // The operator selects a cell of the current table; moving away from an edited cell commits it.
    void selectCell(int col, int row);
    template <typename Column>
    requires isTableColumn<Column>
    void selectCell(Column col, int row) { selectCell(columnIndex(col), row); }
    bool acceptsEditKey(QChar key) const { return m_edit.acceptsKey(key, m_format.decimalSeparator()); }
    std::optional<QChar> editCharacter(QChar key) const
    {
        return m_edit.character(key, m_format.decimalSeparator());
    }
    // The edited cell's text changes (typing into it).
    void setEditText(const QString& text);
    // Enter in the edited cell.
    void editEnter();
    void commitCellEdit();
    // Delete in a Zeit or Fehler cell: the cell is emptied and the row computed anew; an emptied
    // time empties its run.
    void clearCurrentCell();

    // ---- teams typed in the program
    // Until the Vorrunde holds its first run, Nr., Mannschaft and Klasse of its rows can be
    // typed and rows added and removed; afterwards only the team names stay correctable.
    bool vorrundeHasRuns() const;
    bool teamCellEditable(int col, int row) const;
    // A typed team cell. A corrected name is corrected in the knockout rounds and the overall
    // table too. False (and inputRefused) when the cell may not be typed.
    bool setTeamCell(int col, int row, const QString& text);
    // Insert: an empty row after the current one, which becomes current.
    bool insertTeamRow();
    // Delete on an empty row: the row goes; the last row stays.
    bool removeTeamRow();

    // ---- marks and clearing
    void markVoid();         // "Aus"
    void markDisqualified(); // "Dis"
    void clearResults();
    // "Neu auswerten" is offered unless the table has fewer than two data rows and a blank row 1.
    bool canRecalculate() const;
    // Save, print and clear are offered for a table with at least two rows and a filled row 1.
    bool tableHasData() const override;

    // ---- ranking
    void recalculateRound();
    // Tables were loaded from a file or a journal: they count as evaluated.
    void resultsLoaded() { Q_EMIT resultsEvaluated(); }

    // ---- pages
    // Builds the next round from the page being left (the current page), and every later round
    // that already holds teams anew. When that would cost a team its recorded run or give a team
    // that has run another opponent, the operator is asked first; "Nein" keeps every table as it
    // was (false). `ask` false builds without the question (the fill of all pages).
    bool buildNextRound(bool ask = true);
    void enterRound(CompetitionRound newRound);
    // What the tab control does: build the next round from the page left, then enter the new one.
    // Going on from a knockout round with a heat still open asks "Lauf 3 ohne Entscheidung.
    // Trotzdem weiter?". False when the operator said no. (Whether a heat lets the page go is the
    // session's question to the clock.)
    bool changePage(CompetitionRound newRound);
    // Makes a page current without the page-change handling.
    void setCurrentRound(CompetitionRound round) { m_currentRound = round; }

    // ---- random fill
    // Fills the current page; over recorded results only after "Ja".
    void fillWithRandomResults();
    void fillAllPages();

    // ---- display
    CellStyle cellStyle(CompetitionRound round, int col, int row) const;
    template <typename Column>
    requires isTableColumn<Column> CellStyle cellStyle(CompetitionRound round, Column col, int row)
    const { return cellStyle(round, columnIndex(col), row); }

    // Replaces every table in one step (a protocol was loaded): the Vorrunde in ranking order.
    void replaceTables(const std::array<std::unique_ptr<ResultGrid>, kRoundCount>& tables,
                       const std::array<bool, kRoundCount>& present);
    // The lanes after a load: the current page's teams, lanes shown and in use take teams 1 to 3.
    void enterLoadedLanes();

    // ---- undo and redo (the journal keeps the steps and puts their rows back)
    // A cell has been typed into and waits for its commit: typing and commit are one step.
    bool editPending() const { return m_typed && m_edit.isActive(); }
    // Before undo or redo puts rows back, an edit in progress ends without its commit.
    void abandonEdit() { endEdit(); }
    // After undo or redo put the rows back: the page and the lanes as the step left them, where
    // it changed them, without building a round or refilling the lanes; the best result anew.
    void returnTo(std::optional<CompetitionRound> page,
                  const std::optional<std::array<LaneSelector, 3>>& lanes);

Q_SIGNALS:
    void lanesChanged();
    // The results were evaluated (a recalculation, the next round built, tables loaded): a
    // best result shown to the public is taken anew, and kept where the tables hold none.
    void resultsEvaluated();
    // The results were set back (cleared from the Vorrunde on, an undo or a redo): a best
    // result shown is the tables' own, or none.
    void resultsReset();
    void pageChanged(brv::CompetitionRound round);
    void layoutRequested();
    // The current cell, or whether it is edited, may have changed.
    void currentCellChanged();
    // The cell-edit session ended (committed, or the table left edit mode): a cell editor
    // still open must close.
    void editEnded();
    void placeNoticeChanged(const brv::PlaceNotice& notice);
    // A typed value was not taken (no valid time, a penalty without a time), for this reason;
    // `value` is what was typed where it matters.
    void inputRefused(brv::InputRefusal reason, const QString& value);
    // An operator action begins; the journal names its undo step after it ("Zeit Bahn 1").
    void actionStarted(const QString& label);
    // What began before is complete: the next change is another step (a typed cell committed
    // because another action begins).
    void actionEnded();

private:
    // Leaving the Vorrunde with fewer than 8 ranked teams for an Achtelfinale that has not run:
    // asks whether to start at the Viertelfinale and, on "Ja", does so. True when it does.
    bool offerSmallerFirstRound();
    // Announces an action; an edit typed and not yet committed is committed first.
    void beginAction(const QString& label);
    // Leaves the cell-edit session without committing; announces it when one was open.
    void endEdit();
    // Asks before a recorded time is replaced by a mark; true when nothing is recorded or "Ja".
    bool confirmOverwrite(const QString& time, const QString& team, const char* markText);
    // Checks the run of an edited row: an emptied time empties the run, a time that is not one
    // and a penalty without a time are refused (the cell gets its old text back). True when the
    // run holds a time that Gesamt is computed from.
    bool checkEditedRun(ResultGrid& grid, int row, int zeitCol, int fehlerCol, int gesamtCol);
    void recalculateVorrunde();
    void fillPage();
    // The run's time in a lane's columns of a row of the current table (the Gesamt when no Zeit).
    QString recordedRun(int row, int lane) const;
    // Whether a row of `round`'s table holds a team on lane 1 or 2 (or 3, with `lane3`).
    bool onLane(int row, CompetitionRound round, bool lane3) const;
    void setPlaceNotice(const std::optional<PlaceNotice>& notice);
    bool shiftDown() const { return m_shift && m_shift->shiftDown(); }

    NumberFormat m_format;
    CompetitionOptions m_options;
    ProtocolTables m_tables;
    LaneAssignment m_lanes;
    CellEditSession m_edit;
    RandomFill m_random;
    CompetitionRound m_currentRound = CompetitionRound::Vorrunde;

    PlaceNotice m_placeNotice;
    bool m_recalculating = false;
    bool m_typed = false; // the edited cell was typed into since the edit began

    YesNoQuestion* m_question = nullptr;
    ShiftKeyState* m_shift = nullptr;
    QString m_editOriginal; // the edited cell's text before the edit
    // each lane's run as it stood when the heat started
    std::array<QString, 3> m_runAtStart;
};

} // namespace brv
