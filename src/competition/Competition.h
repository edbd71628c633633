#pragma once

#include "competition/CellStyle.h"
#include "competition/CellText.h"
#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"
#include "competition/Interfaces.h"
#include "competition/LaneSelector.h"
#include "competition/ResultGrid.h"
#include "competition/RunControls.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace brv {

// Pseudo-random numbers that repeat after every program start: a 32-bit linear congruential
// generator with seed 0, taking the upper half of the 64-bit product.
class RandomGenerator
{
public:
    quint32 bounded(quint32 range);
    quint32 seed() const { return m_seed; }

private:
    quint32 m_seed = 0;
};

// The competition protocol: the six result tables, the three lane selectors, the current
// round and the operations that fill, rank and advance them. Everything here runs on the main
// thread and needs no window; the main window shows this state and forwards the operator's
// actions to it.
class Competition final : public QObject
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
    // Runs the reset of a finished heat that still waits for it (set by the race clock).
    void setPendingResetRunner(std::function<void()> runner) { m_pendingReset = std::move(runner); }

    // ---- tables
    ResultGrid& grid(CompetitionRound round) { return *m_grids[std::size_t(roundIndex(round))]; }
    const ResultGrid& grid(CompetitionRound round) const { return *m_grids[std::size_t(roundIndex(round))]; }
    ResultGrid& currentGrid() { return grid(m_currentRound); }
    const ResultGrid& currentGrid() const { return grid(m_currentRound); }
    CompetitionRound currentRound() const { return m_currentRound; }
    ResultGrid& rankingScratch() { return m_rankingScratch; }
    // Heading bars: the lane headings over the Vorrunde (5), the round headings over the
    // overall table (7).
    const QStringList& laneHeadings() const { return m_laneHeadings; }
    const QStringList& roundHeadings() const { return m_roundHeadings; }
    void setRoundHeading(int col, const QString& text);
    QString pageCaption(CompetitionRound round) const
    {
        return m_pageCaptions[std::size_t(roundIndex(round))];
    }
    void setPageCaption(CompetitionRound round, const QString& caption);

    // Writes the caption rows of all tables and heading bars.
    void writeCaptions();
    // "Beste"/"Summe" for ranking mode 0, "Best"/"Zeit" for 1; other modes change nothing.
    void applyRankingCaptions();
    // Writes the class caption into the caption rows of every table.
    void applyClassCaption();

    // "%3s %s" of the Nr. and Mannschaft cells of a row.
    static QString laneEntryText(const ResultGrid& grid, int row);

    // Pages the operator can reach: the Achtelfinale is hidden when the knockout starts with 8.
    bool isPageVisible(CompetitionRound round) const;

    // ---- lanes and run controls
    LaneSelector& selector(int lane) { return m_selectors[std::size_t(lane - 1)]; }
    const LaneSelector& selector(int lane) const { return m_selectors[std::size_t(lane - 1)]; }
    RunControls& controls() { return m_controls; }
    const RunControls& controls() const { return m_controls; }
    // Lane 3 is shown with three lanes on the Vorrunde page; lanes 1 and 2 always.
    bool laneVisible(int lane) const;
    // Shown and switched on.
    bool laneActive(int lane) const;
    // Number of lanes shown: 3 or 2.
    int lanesShown() const { return laneVisible(3) ? 3 : 2; }
    // Lane panels, lane buttons and the start/reset toolbar are hidden on the overall page.
    bool laneAreaVisible() const { return m_currentRound != CompetitionRound::GesamtErgebnis; }

    // ---- status bar texts (panel 0: teams of the current table, panel 2: warnings, progress)
    QString statusText(int panel) const { return m_status[std::size_t(panel)]; }
    void setStatusText(int panel, const QString& text);

    // ---- best result for the TV display
    qint32 tvBestMilliseconds() const { return m_tvBestMs; }
    QString tvBestTeam() const { return m_tvBestTeam; }

    // ---- sorting
    // Sorts the current table by its sortColumn and numbers the places; re-entrant calls return.
    void sortCurrentTableAndNumber();

    // ---- recording
    void fillLaneSelectors();
    void assignRowToLane(int lane);
    // Writes a lane's stopped time into the row of the team on the lane: in the Vorrunde into
    // the lane's run, in a knockout round into the round's run.
    void recordLaneTime(int lane, const QString& timeText);
    void advanceLanes();
    void showLaneTeamsOnTv();
    // Lane 3's on/off box; `startReady` says whether lanes 1 and 2 may be started.
    void setLane3On(bool on);

    // ---- cell editing
    int editColumn() const { return m_editColumn; }
    // The operator selects a cell of the current table.
    void selectCell(int col, int row);
    template <typename Column>
    requires isTableColumn<Column>
    void selectCell(Column col, int row) { selectCell(columnIndex(col), row); }
    // Whether a typed character reaches the edited cell.
    bool acceptsEditKey(QChar key) const;
    // The character a key puts into the edited cell, or nothing when the key is dropped. A point
    // or a comma in a time or penalty means the decimal separator, whichever the system uses.
    std::optional<QChar> editCharacter(QChar key) const;
    // The edited cell's text changes (typing into it).
    void setEditText(const QString& text);
    // Enter in the edited cell.
    void editEnter();
    void commitCellEdit();
    bool isCellEditable(CompetitionRound round, int col) const;
    template <typename Column>
    requires isTableColumn<Column>
    bool isCellEditable(CompetitionRound round, Column col) const
    {
        return isCellEditable(round, columnIndex(col));
    }

    // ---- marks and clearing
    void markVoid();         // "Aus"
    void markDisqualified(); // "Dis"
    void clearResults();
    // "Neu auswerten" is offered unless the table has fewer than two data rows and a blank row 1.
    bool canRecalculate() const;

    // ---- readiness and buttons
    void updateLaneReadiness();
    void updateProtocolButtons();
    bool tableHasData() const;

    // ---- ranking
    void recalculateRound();
    void updateTvBestResult();

    // ---- rounds
    void buildNextRound(); // for the page being left (the current page)
    void enterRound(CompetitionRound newRound);
    // What the tab control does: build the next round from the page left, then enter the new one.
    void changePage(CompetitionRound newRound);
    // Makes a page current without the page-change handling.
    void setCurrentRound(CompetitionRound round);

    // ---- random fill
    void fillWithRandomResults();
    void fillAllPages();
    RandomGenerator& random() { return m_random; }

    // ---- display
    CellStyle cellStyle(CompetitionRound round, int col, int row) const;
    template <typename Column>
    requires isTableColumn<Column> CellStyle cellStyle(CompetitionRound round, Column col, int row)
    const { return cellStyle(round, columnIndex(col), row); }

    // Replaces every table in one step (a protocol was loaded).
    void replaceTables(const std::array<std::unique_ptr<ResultGrid>, kRoundCount>& tables,
                       const std::array<bool, kRoundCount>& present);

Q_SIGNALS:
    void tablesChanged();
    void controlsChanged();
    void lanesChanged();
    void statusChanged(int panel);
    void tvChanged();
    void pageChanged(brv::CompetitionRound round);
    void layoutRequested();
    void captionsChanged();
    // The cell-edit session ended (committed, or the table left edit mode): a cell editor
    // still open must close.
    void editEnded();

private:
    void setEditMode(ResultGrid& grid, bool on);
    // Leaves the cell-edit session without committing; announces it when one was open.
    void endEdit();
    // Numbers the Vorrunde's places by its ranking values and keeps the rows in start order.
    void rankVorrunde();
    void setProvisionalRanking(int row);
    void writeRankingValue(ResultGrid& grid, int row);
    void recalculateVorrunde();
    void recalculateKnockout();
    void recalculateFinale();
    void leaveVorrunde();
    void leaveKnockout(CompetitionRound left);
    void writeOverallBest();
    void sortAndNumber(ResultGrid& grid);
    void fillRoundRow(ResultGrid& target, int row, const QString& place, const QString& nr,
                      const QString& team, const QString& cls, const QString& result);
    double numberOr(const QString& text, double fallback) const { return m_format.numberOr(text, fallback); }
    bool shiftDown() const;

    NumberFormat m_format;
    CompetitionOptions m_options;
    std::array<std::unique_ptr<ResultGrid>, kRoundCount> m_grids;
    ResultGrid m_rankingScratch;
    QStringList m_laneHeadings;
    QStringList m_roundHeadings;
    std::array<QString, kRoundCount> m_pageCaptions;
    CompetitionRound m_currentRound = CompetitionRound::Vorrunde;

    std::array<LaneSelector, 3> m_selectors;
    RunControls m_controls;
    std::array<QString, 4> m_status;
    qint32 m_tvBestMs = 0;
    QString m_tvBestTeam;

    int m_editColumn = -1;
    bool m_sorting = false;
    bool m_recalculating = false;

    RandomGenerator m_random;
    YesNoQuestion* m_question = nullptr;
    ShiftKeyState* m_shift = nullptr;
    std::function<void()> m_pendingReset;
};

} // namespace brv
