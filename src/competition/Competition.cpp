#include "competition/Competition.h"

#include "competition/Knockout.h"
#include "competition/Ranking.h"

#include <vector>

namespace brv {

namespace {

// What a cell correction's undo step is called.
const QString kCorrection = QStringLiteral("Korrektur");

} // namespace

QString roundCaption(CompetitionRound round)
{
    switch (round) {
    case CompetitionRound::Vorrunde:
        return QStringLiteral("Vorrunde");
    case CompetitionRound::Achtelfinale:
        return QStringLiteral("Achtelfinale");
    case CompetitionRound::Viertelfinale:
        return QStringLiteral("Viertelfinale");
    case CompetitionRound::Halbfinale:
        return QStringLiteral("Halbfinale");
    case CompetitionRound::Finale:
        return QStringLiteral("Finale");
    case CompetitionRound::GesamtErgebnis:
        return QStringLiteral("Gesamt-Ergebnis");
    }
    return QString();
}

Competition::Competition(const NumberFormat& format, QObject* parent) : QObject(parent), m_format(format)
{
    connect(&m_lanes, &LaneAssignment::changed, this, &Competition::lanesChanged);
    writeCaptions();
    m_tables.setRules(m_options, m_format);
}

Competition::~Competition() = default;

void Competition::setOptions(const CompetitionOptions& options)
{
    m_options = options;
    m_tables.setRules(m_options, m_format);
    Q_EMIT layoutRequested();
}

bool Competition::isPageVisible(CompetitionRound round) const
{
    return round != CompetitionRound::Achtelfinale || m_options.knockoutStart == KnockoutStart::Achtelfinale;
}

bool Competition::laneVisible(int lane) const
{
    if (lane < 3)
        return true;
    return m_options.thirdLaneOn && m_currentRound == CompetitionRound::Vorrunde;
}

// ---------------------------------------------------------------- lanes

void Competition::assignRowToLane(int lane)
{
    if (lane < 1 || lane > 3)
        return;
    if (m_currentRound == CompetitionRound::GesamtErgebnis)
        return; // no heat runs on the overall table
    m_lanes.select(lane, currentGrid().currentRow - 1);
}

void Competition::setLane3On(bool on)
{
    m_lanes.setLane3On(on, currentGrid(), laneVisible(3));
}

int Competition::laneRow(int lane) const
{
    if (lane < 1 || lane > 3)
        return 0;
    const int row = m_lanes.selector(lane).row();
    return row >= 1 && row < currentGrid().rowCount() && !laneTeam(lane).trimmed().isEmpty() ? row : 0;
}

QString Competition::laneTeam(int lane) const
{
    const int row = lane >= 1 && lane <= 3 ? m_lanes.selector(lane).row() : 0;
    if (row < 1 || row >= currentGrid().rowCount() || m_currentRound == CompetitionRound::GesamtErgebnis)
        return {};
    return LaneAssignment::entryText(currentGrid(), row);
}

QString Competition::recordedRun(int row, int lane) const
{
    const ResultGrid& current = currentGrid();
    const bool vorrunde = m_currentRound == CompetitionRound::Vorrunde;
    const QString& zeit =
        vorrunde ? current.cell(laneTimeColumn(lane), row) : current.cell(KnockoutColumn::Zeit, row);
    if (!zeit.trimmed().isEmpty())
        return zeit.trimmed();
    return (vorrunde ? current.cell(laneResultColumn(lane), row) : current.cell(KnockoutColumn::Gesamt, row))
        .trimmed();
}

void Competition::recordLaneTime(int lane, qint32 milliseconds)
{
    if (lane < 1 || lane > 3 || m_currentRound == CompetitionRound::GesamtErgebnis)
        return;
    const int row = laneRow(lane);
    if (row <= 0)
        return;
    ResultGrid& current = currentGrid();
    beginAction(QStringLiteral("Zeit Bahn %1").arg(lane));
    // a time typed into the team's run while the heat ran is not replaced without a question
    const QString recorded = recordedRun(row, lane);
    if (!recorded.isEmpty() && recorded != m_runAtStart[std::size_t(lane - 1)]) {
        const int teamColumn = m_currentRound == CompetitionRound::Vorrunde
                                   ? columnIndex(VorrundeColumn::Mannschaft)
                                   : columnIndex(KnockoutColumn::Mannschaft);
        if (!m_question || !m_question->ask(QStringLiteral("%1 hat schon %2. Neuer Lauf ersetzt die Zeit?")
                                                .arg(current.cell(teamColumn, row).trimmed(), recorded)))
            return;
    }

    const QString timeText = m_format.runTime(milliseconds);
    const ProtocolTables::ChangeBatch batch(m_tables);
    if (m_currentRound == CompetitionRound::Vorrunde) {
        current.setCell(laneTimeColumn(lane), row, timeText);
        current.setCell(lanePenaltyColumn(lane), row, QStringLiteral("0"));
        current.setCell(laneResultColumn(lane), row, timeText);
        writeProvisionalRanking(current, row, m_options.rankingMode, m_format);
    } else {
        current.setCell(KnockoutColumn::Zeit, row, timeText);
        current.setCell(KnockoutColumn::Fehler, row, QStringLiteral("0"));
        current.setCell(KnockoutColumn::Gesamt, row, timeText);
    }
    m_runAtStart[std::size_t(lane - 1)] = timeText;
}

bool Competition::confirmHeatStart(const std::array<bool, 3>& starting)
{
    const int teamColumn = m_currentRound == CompetitionRound::Vorrunde
                               ? columnIndex(VorrundeColumn::Mannschaft)
                               : columnIndex(KnockoutColumn::Mannschaft);
    std::array<QString, 3> runs;
    for (int lane = 1; lane <= 3; ++lane) {
        if (!starting[std::size_t(lane - 1)])
            continue;
        const int row = laneRow(lane);
        if (row <= 0)
            continue;
        runs[std::size_t(lane - 1)] = recordedRun(row, lane);
        if (runs[std::size_t(lane - 1)].isEmpty())
            continue;
        if (!m_question || !m_question->ask(QStringLiteral("%1 hat schon %2. Neuer Lauf ersetzt die Zeit?")
                                                .arg(currentGrid().cell(teamColumn, row).trimmed(),
                                                     runs[std::size_t(lane - 1)])))
            return false;
    }
    for (int lane = 1; lane <= 3; ++lane) {
        if (starting[std::size_t(lane - 1)])
            m_runAtStart[std::size_t(lane - 1)] = runs[std::size_t(lane - 1)];
    }
    return true;
}

void Competition::advanceLanes()
{
    if (m_currentRound == CompetitionRound::GesamtErgebnis)
        return;
    m_lanes.advance(currentGrid(), {laneActive(1), laneActive(2), laneActive(3)});
}

bool Competition::hasLane3Runs() const
{
    return brv::hasLane3Runs(grid(CompetitionRound::Vorrunde));
}

bool Competition::confirmLane3Off()
{
    return !hasLane3Runs() ||
           (m_question &&
            m_question->ask(QStringLiteral("In der Vorrunde stehen Zeiten auf Bahn 3. Bahn 3 "
                                           "ausschalten? Die Zeiten bleiben und zählen weiter.")));
}

// ---------------------------------------------------------------- editing

void Competition::beginAction(const QString& label)
{
    // what was typed and not yet committed is finished first, as a step of its own: no other
    // action splits a cell's edit
    if (label != kCorrection && editPending()) {
        commitCellEdit();
        Q_EMIT actionEnded();
    }
    Q_EMIT actionStarted(label);
}

void Competition::endEdit()
{
    const bool wasEditing = m_edit.isActive() || currentGrid().editMode;
    m_typed = false;
    m_edit.end();
    currentGrid().editMode = false;
    if (wasEditing)
        Q_EMIT editEnded();
}

void Competition::selectCell(int col, int row)
{
    ResultGrid& current = currentGrid();
    if (row < 1 || row >= current.rowCount() || col < 0 || col >= current.columnCount())
        return;
    if (m_edit.isActive() && (col != current.currentColumn || row != current.currentRow))
        commitCellEdit();

    if (m_currentRound != CompetitionRound::GesamtErgebnis) {
        if (CellEditSession::isEditable(m_currentRound, col)) {
            if (!m_edit.isActive() || col != current.currentColumn || row != current.currentRow)
                m_editOriginal = current.cell(col, row);
            current.editMode = true;
            m_edit.begin(m_currentRound, col);
        } else {
            commitCellEdit();
            m_edit.end();
            current.editMode = false;
        }
    }
    current.currentRow = row;
    current.currentColumn = col;
    Q_EMIT currentCellChanged();
}

void Competition::setEditText(const QString& text)
{
    ResultGrid& current = currentGrid();
    if (!m_edit.isActive() || !current.editMode ||
        !CellEditSession::isEditable(m_currentRound, current.currentColumn))
        return;
    Q_EMIT actionStarted(kCorrection);
    m_typed = true;
    current.setCell(current.currentColumn, current.currentRow,
                    m_edit.accepted(text, m_format.decimalSeparator()));
}

void Competition::editEnter()
{
    if (!m_edit.enterCommits())
        return;
    commitCellEdit();
    recalculateRound();
}

void Competition::commitCellEdit()
{
    if (!m_edit.isActive())
        return;
    Q_EMIT actionStarted(kCorrection);
    m_typed = false;
    const ProtocolTables::ChangeBatch batch(m_tables);
    ResultGrid& current = currentGrid();
    const int row = current.currentRow;
    if (m_currentRound == CompetitionRound::Vorrunde) {
        // The edit belongs to a run's Fehler column: its Zeit stands left of it, its Gesamt right.
        const int fehlerColumn = m_edit.column();
        if (checkEditedRun(current, row, fehlerColumn - 1, fehlerColumn, fehlerColumn + 1)) {
            const double zeit = m_format.numberOr(current.cell(fehlerColumn - 1, row), 0);
            const double fehler = m_format.numberOr(current.cell(fehlerColumn, row), 0);
            current.setCell(fehlerColumn + 1, row, m_format.fixed2(zeit + fehler));
        }
        // The whole Vorrunde is ranked again, so that a correction never numbers the places
        // in the table's row order.
        recalculateVorrunde();
        endEdit();
        current.currentRow = row;
    } else if (isKnockoutRound(m_currentRound)) {
        if (checkEditedRun(current, row, columnIndex(KnockoutColumn::Zeit),
                           columnIndex(KnockoutColumn::Fehler), columnIndex(KnockoutColumn::Gesamt))) {
            const double zeit = m_format.numberOr(current.cell(KnockoutColumn::Zeit, row), 0);
            const double fehler = m_format.numberOr(current.cell(KnockoutColumn::Fehler, row), 0);
            current.setCell(KnockoutColumn::Gesamt, row, m_format.fixed2(zeit + fehler));
        }
    }
    Q_EMIT currentCellChanged();
}

bool Competition::checkEditedRun(ResultGrid& grid, int row, int zeitCol, int fehlerCol, int gesamtCol)
{
    const QString zeitText = grid.cell(zeitCol, row).trimmed();
    if (zeitText == mark::Void || zeitText == mark::Disqualified)
        return false; // a marked run has no Gesamt to compute
    if (grid.currentColumn == zeitCol) {
        const std::optional<double> typed = m_format.toNumber(zeitText);
        if (zeitText.isEmpty()) {
            // the time was deleted: the run is gone
            for (int c : {zeitCol, fehlerCol, gesamtCol})
                grid.setCell(c, row, QString());
            return false;
        }
        if (!typed || *typed <= 0) {
            grid.setCell(zeitCol, row, m_editOriginal);
            Q_EMIT inputRefused(InputRefusal::NoValidTime, zeitText);
        }
    }
    if (m_format.toNumber(grid.cell(zeitCol, row)).value_or(0) > 0) {
        // a run without a penalty shows 0, as a stopped one does
        if (grid.cell(fehlerCol, row).trimmed().isEmpty())
            grid.setCell(fehlerCol, row, QStringLiteral("0"));
        return true;
    }
    // no time: a penalty has nothing to be added to
    if (!grid.cell(fehlerCol, row).trimmed().isEmpty()) {
        grid.setCell(fehlerCol, row, QString());
        if (grid.currentColumn == fehlerCol)
            Q_EMIT inputRefused(InputRefusal::PenaltyWithoutTime, QString());
    }
    return false;
}

void Competition::clearCurrentCell()
{
    ResultGrid& current = currentGrid();
    if (!m_edit.isActive() || !CellEditSession::isEditable(m_currentRound, current.currentColumn))
        return;
    current.setCell(current.currentColumn, current.currentRow, QString());
    commitCellEdit();
    recalculateRound();
}

// ---------------------------------------------------------------- teams

namespace {

bool isTeamColumn(int col)
{
    return col == columnIndex(VorrundeColumn::Nr) || col == columnIndex(VorrundeColumn::Mannschaft) ||
           col == columnIndex(VorrundeColumn::Klasse);
}

} // namespace

bool Competition::vorrundeHasRuns() const
{
    const ResultGrid& v = grid(CompetitionRound::Vorrunde);
    for (int r = 1; r < v.rowCount(); ++r)
        for (int c = columnIndex(VorrundeColumn::Lane1Zeit); c <= columnIndex(VorrundeColumn::Lane3Gesamt);
             ++c)
            if (!v.cell(c, r).trimmed().isEmpty())
                return true;
    return false;
}

bool Competition::teamCellEditable(int col, int row) const
{
    const ResultGrid& v = grid(CompetitionRound::Vorrunde);
    if (m_currentRound != CompetitionRound::Vorrunde || row < 1 || row >= v.rowCount() || !isTeamColumn(col))
        return false;
    return col == columnIndex(VorrundeColumn::Mannschaft) || !vorrundeHasRuns();
}

bool Competition::setTeamCell(int col, int row, const QString& text)
{
    if (!teamCellEditable(col, row)) {
        if (m_currentRound == CompetitionRound::Vorrunde && isTeamColumn(col))
            Q_EMIT inputRefused(InputRefusal::OnlyNameAfterFirstRun, QString());
        return false;
    }
    ResultGrid& v = grid(CompetitionRound::Vorrunde);
    const QString typed = text.trimmed();
    const QString before = v.cell(col, row);
    if (typed == before)
        return true;
    beginAction(QStringLiteral("Mannschaft"));
    {
        const ProtocolTables::ChangeBatch batch(m_tables);
        v.setCell(col, row, typed);
        if (col == columnIndex(VorrundeColumn::Mannschaft) && !before.trimmed().isEmpty()) {
            // the later tables hold the name as it was copied into them
            for (int k = 1; k < kRoundCount; ++k) {
                ResultGrid& later = grid(roundAt(k));
                const int team = later.id() == TableId::GesamtErgebnis
                                     ? columnIndex(OverallColumn::Mannschaft)
                                     : columnIndex(KnockoutColumn::Mannschaft);
                for (int r = 1; r < later.rowCount(); ++r)
                    if (later.cell(team, r) == before)
                        later.setCell(team, r, typed);
            }
        }
    }
    m_lanes.relist(v);
    Q_EMIT lanesChanged();
    return true;
}

bool Competition::insertTeamRow()
{
    if (m_currentRound != CompetitionRound::Vorrunde)
        return false;
    if (vorrundeHasRuns()) {
        Q_EMIT inputRefused(InputRefusal::NoRowInsertedAfterFirstRun, QString());
        return false;
    }
    endEdit();
    ResultGrid& v = currentGrid();
    const int at = std::clamp(v.currentRow + 1, 1, v.rowCount());
    beginAction(QStringLiteral("Zeile einfügen"));
    {
        const ProtocolTables::ChangeBatch batch(m_tables);
        v.setRowCount(v.rowCount() + 1);
        for (int r = v.rowCount() - 1; r > at; --r)
            v.setRowCells(r, v.rowCells(r - 1));
        v.setRowCells(at, QStringList());
    }
    m_lanes.relist(v, at, +1);
    Q_EMIT lanesChanged();
    selectCell(VorrundeColumn::Mannschaft, at);
    return true;
}

bool Competition::removeTeamRow()
{
    ResultGrid& v = currentGrid();
    const int at = v.currentRow;
    if (m_currentRound != CompetitionRound::Vorrunde || v.dataRowCount() < 2)
        return false;
    if (vorrundeHasRuns()) {
        Q_EMIT inputRefused(InputRefusal::NoRowRemovedAfterFirstRun, QString());
        return false;
    }
    if (!v.isRowBlank(at)) {
        Q_EMIT inputRefused(InputRefusal::OnlyEmptyRowRemoved, QString());
        return false;
    }
    endEdit();
    beginAction(QStringLiteral("Zeile entfernen"));
    {
        const ProtocolTables::ChangeBatch batch(m_tables);
        for (int r = at; r + 1 < v.rowCount(); ++r)
            v.setRowCells(r, v.rowCells(r + 1));
        v.setRowCount(v.rowCount() - 1);
    }
    m_lanes.relist(v, at, -1);
    Q_EMIT lanesChanged();
    selectCell(VorrundeColumn::Mannschaft, std::min(at, v.rowCount() - 1));
    return true;
}

// ---------------------------------------------------------------- marks, clearing

bool Competition::confirmOverwrite(const QString& time, const QString& team, const char* markText)
{
    if (!m_format.toNumber(time))
        return true; // no recorded run is lost
    return m_question && m_question->ask(QStringLiteral("Die Zeit %1 von %2 durch %3 ersetzen?")
                                             .arg(time.trimmed(), team.trimmed(), QLatin1String(markText)));
}

void Competition::markVoid()
{
    ResultGrid& current = currentGrid();
    const int row = current.currentRow;
    const QString aus(mark::Void);
    const bool vorrunde = m_currentRound == CompetitionRound::Vorrunde;
    const int lane = vorrunde ? laneOfColumn(current.currentColumn) : 0;
    if (vorrunde && lane > 0 &&
        !confirmOverwrite(current.cell(laneTimeColumn(lane), row),
                          current.cell(VorrundeColumn::Mannschaft, row), "AUS"))
        return;
    if (isKnockoutRound(m_currentRound) &&
        !confirmOverwrite(current.cell(KnockoutColumn::Zeit, row),
                          current.cell(KnockoutColumn::Mannschaft, row), "AUS"))
        return;
    beginAction(QStringLiteral("Aus"));
    const ProtocolTables::ChangeBatch batch(m_tables);
    if (vorrunde) {
        if (lane > 0) {
            current.setCell(laneTimeColumn(lane), row, aus);
            current.setCell(lanePenaltyColumn(lane), row, aus);
        }
        commitCellEdit();
    } else if (isKnockoutRound(m_currentRound)) {
        current.setCell(KnockoutColumn::Zeit, row, aus);
        current.setCell(KnockoutColumn::Fehler, row, aus);
        current.setCell(KnockoutColumn::Gesamt, row, aus);
    } else {
        return;
    }
    recalculateRound();
}

void Competition::markDisqualified()
{
    ResultGrid& current = currentGrid();
    if (m_currentRound == CompetitionRound::GesamtErgebnis)
        return;
    const bool vorrunde = m_currentRound == CompetitionRound::Vorrunde;
    const int first = vorrunde ? columnIndex(VorrundeColumn::Lane1Zeit) : columnIndex(KnockoutColumn::Zeit);
    const QString team = current.cell(vorrunde ? columnIndex(VorrundeColumn::Mannschaft)
                                               : columnIndex(KnockoutColumn::Mannschaft),
                                      current.currentRow);
    for (int lane = 1; lane <= (vorrunde ? 3 : 1); ++lane) {
        const QString time = vorrunde ? current.cell(laneTimeColumn(lane), current.currentRow)
                                      : current.cell(KnockoutColumn::Zeit, current.currentRow);
        if (!confirmOverwrite(time, team, "DIS"))
            return;
        if (m_format.toNumber(time))
            break; // asked once
    }
    beginAction(QStringLiteral("Dis"));
    const ProtocolTables::ChangeBatch batch(m_tables);
    for (int c = first; c < current.columnCount(); ++c)
        current.setCell(c, current.currentRow, QString(mark::Disqualified));
    if (m_currentRound == CompetitionRound::Vorrunde)
        commitCellEdit();
    recalculateRound();
}

void Competition::clearResults()
{
    if (!m_question || !m_question->ask(QStringLiteral("Ergebnisse löschen?")))
        return;
    beginAction(QStringLiteral("Ergebnisse löschen"));
    {
        const ProtocolTables::ChangeBatch batch(m_tables);
        for (int index = roundIndex(m_currentRound); index <= roundIndex(CompetitionRound::Finale); ++index) {
            ResultGrid& g = grid(roundAt(index));
            g.clearDataCells(index == 0 ? columnIndex(VorrundeColumn::Lane1Zeit)
                                        : columnIndex(KnockoutColumn::BroughtResult),
                             g.columnCount() - 1);
        }
    }
    Q_EMIT layoutRequested();
    if (m_currentRound == CompetitionRound::Vorrunde)
        Q_EMIT resultsReset(); // nothing is left from the Vorrunde on
}

bool Competition::canRecalculate() const
{
    const ResultGrid& current = currentGrid();
    return !(current.dataRowCount() < 2 && current.isRowBlank(1));
}

bool Competition::tableHasData() const
{
    const ResultGrid& current = currentGrid();
    return current.dataRowCount() >= 2 && !current.isRowBlank(1);
}

// ---------------------------------------------------------------- ranking

void Competition::recalculateRound()
{
    if (m_recalculating)
        return;
    beginAction(QStringLiteral("Neu auswerten"));
    m_recalculating = true;
    const ProtocolTables::ChangeBatch batch(m_tables);

    // What the operator typed so far counts; then the edit ends, so that no editor is left
    // open that takes no keys.
    commitCellEdit();
    endEdit();

    if (m_currentRound == CompetitionRound::Vorrunde)
        recalculateVorrunde();
    else if (isKnockoutRound(m_currentRound))
        decideHeats(currentGrid(), m_currentRound, m_format);

    Q_EMIT resultsEvaluated();
    m_recalculating = false;
    Q_EMIT currentCellChanged();
}

void Competition::recalculateVorrunde()
{
    setPlaceNotice(brv::recalculateVorrunde(grid(CompetitionRound::Vorrunde), m_options, m_format));
}

void Competition::setPlaceNotice(const std::optional<PlaceNotice>& notice)
{
    if (!notice || *notice == m_placeNotice)
        return;
    m_placeNotice = *notice;
    Q_EMIT placeNoticeChanged(m_placeNotice);
}

// ---------------------------------------------------------------- pages

namespace {

// "a", "a und b", "a, b und c"
QString namesInText(const QStringList& names)
{
    QStringList rest = names;
    const QString last = rest.takeLast();
    return rest.isEmpty() ? last : rest.join(QStringLiteral(", ")) + QStringLiteral(" und ") + last;
}

} // namespace

bool Competition::buildNextRound(bool ask)
{
    // the knockout tables as they are, to compare with and to go back to
    std::array<std::vector<QStringList>, kRoundCount> before;
    for (CompetitionRound round : kAllRounds) {
        if (!isKnockoutRound(round))
            continue;
        const ResultGrid& g = grid(round);
        for (int r = 0; r < g.rowCount(); ++r)
            before[std::size_t(roundIndex(round))].push_back(g.rowCells(r));
    }
    const ProtocolTables::ChangeBatch batch(m_tables);
    const QList<int> byes = brv::buildNextRound(m_tables, m_currentRound, m_options, m_format);
    QStringList rounds;
    QStringList dropped;
    QStringList newOpponent;
    for (CompetitionRound round : kAllRounds) {
        const std::vector<QStringList>& rows = before[std::size_t(roundIndex(round))];
        if (!isKnockoutRound(round) || !ask)
            continue;
        ResultGrid old(static_cast<TableId>(roundIndex(round)), kKnockoutColumnCount, int(rows.size()));
        for (int r = 0; r < int(rows.size()); ++r)
            old.setRowCells(r, rows[std::size_t(r)]);
        const qsizetype named = dropped.size() + newOpponent.size();
        compareRebuiltRound(old, grid(round), dropped, newOpponent);
        if (dropped.size() + newOpponent.size() > named)
            rounds << roundCaption(round);
    }
    if (!rounds.isEmpty()) {
        QString question = namesInText(rounds) + QStringLiteral(" neu aufbauen?");
        if (!dropped.isEmpty())
            question += QStringLiteral(" Die Ergebnisse von %1 entfallen.").arg(namesInText(dropped));
        if (!newOpponent.isEmpty())
            question += QStringLiteral(" Neue Gegner für %1.").arg(namesInText(newOpponent));
        if (!m_question || !m_question->ask(question)) {
            // "Nein": every table as it was
            for (CompetitionRound round : kAllRounds) {
                const std::vector<QStringList>& rows = before[std::size_t(roundIndex(round))];
                if (!isKnockoutRound(round))
                    continue;
                ResultGrid& g = grid(round);
                g.setRowCount(int(rows.size()));
                for (int r = 0; r < int(rows.size()); ++r)
                    g.setRowCells(r, rows[std::size_t(r)]);
            }
            return false;
        }
    }
    if (!byes.isEmpty())
        setPlaceNotice(PlaceNotice{PlaceNotice::Kind::Byes, byes});
    Q_EMIT resultsEvaluated();
    Q_EMIT layoutRequested();
    return true;
}

void Competition::enterRound(CompetitionRound newRound)
{
    m_currentRound = newRound;
    m_edit.end();
    m_lanes.enterPage(currentGrid(), {laneActive(1), laneActive(2), laneActive(3)});
    Q_EMIT pageChanged(newRound);
    Q_EMIT layoutRequested();
    Q_EMIT currentCellChanged();
}

bool Competition::changePage(CompetitionRound newRound)
{
    if (newRound == m_currentRound)
        return true;
    beginAction(QStringLiteral("Seitenwechsel"));
    // A cell still in edit mode is committed on the page it belongs to, and the page returns
    // to row mode.
    commitCellEdit();
    endEdit();
    // going on from a round that is not decided hands an empty place to the next one
    if (isKnockoutRound(m_currentRound) && m_currentRound != CompetitionRound::Finale &&
        roundIndex(newRound) > roundIndex(m_currentRound)) {
        const std::vector<int> open = openHeats(currentGrid(), m_currentRound, m_format);
        if (!open.empty()) {
            QStringList heats;
            for (int heat : open)
                heats << QString::number(heat);
            const QString question =
                (heats.size() == 1 ? QStringLiteral("Lauf ") : QStringLiteral("Läufe ")) +
                namesInText(heats) + QStringLiteral(" ohne Entscheidung. Trotzdem weiter?");
            if (!m_question || !m_question->ask(question))
                return false;
        }
    }
    if (m_currentRound == CompetitionRound::Vorrunde && roundIndex(newRound) > 0 &&
        offerSmallerFirstRound() && newRound == CompetitionRound::Achtelfinale)
        newRound = CompetitionRound::Viertelfinale;
    buildNextRound();
    enterRound(newRound);
    return true;
}

bool Competition::offerSmallerFirstRound()
{
    if (m_options.knockoutStart != KnockoutStart::Achtelfinale || !m_question)
        return false;
    // asked until the Achtelfinale has run a heat
    const ResultGrid& achtelfinale = grid(CompetitionRound::Achtelfinale);
    for (int r = 1; r < achtelfinale.rowCount(); ++r) {
        if (LaneAssignment::runRecorded(achtelfinale, r, 1))
            return false;
    }
    // the teams the Vorrunde ranks: fewer than half of the Achtelfinale's 16 leave most of them
    // a bye
    ResultGrid ranked = grid(CompetitionRound::Vorrunde);
    brv::recalculateVorrunde(ranked, m_options, m_format);
    int teams = 0;
    for (int r = 1; r < ranked.rowCount(); ++r)
        teams += m_format.toNumber(ranked.cell(VorrundeColumn::Place, r).trimmed()).value_or(0) >= 1 ? 1 : 0;
    if (teams < 1 || teams >= 8)
        return false;
    const QString question =
        (teams == 1 ? QStringLiteral("Nur 1 Mannschaft") : QStringLiteral("Nur %1 Mannschaften").arg(teams)) +
        QStringLiteral(": mit dem Viertelfinale beginnen?");
    if (!m_question->ask(question))
        return false;
    m_options.knockoutStart = KnockoutStart::Viertelfinale;
    m_tables.setRules(m_options, m_format);
    return true;
}

void Competition::replaceTables(const std::array<std::unique_ptr<ResultGrid>, kRoundCount>& tables,
                                const std::array<bool, kRoundCount>& present)
{
    beginAction(QStringLiteral("Protokoll laden"));
    const ProtocolTables::ChangeBatch batch(m_tables);
    m_tables.replace(tables, present);
    m_edit.end();
    // The places of a loaded Vorrunde follow its ranking values, whatever the file said; a row
    // without a numeric ranking value keeps the place text of the file ("DIS").
    if (present[0] && tables[0]) {
        ResultGrid& v = grid(CompetitionRound::Vorrunde);
        std::vector<QString> unranked(std::size_t(v.rowCount()));
        for (int r = 1; r < v.rowCount(); ++r)
            unranked[std::size_t(r)] = v.cell(VorrundeColumn::Place, r);
        setPlaceNotice(rankVorrunde(v, m_format));
        for (int r = 1; r < v.rowCount(); ++r) {
            if (!m_format.toNumber(v.cell(VorrundeColumn::RankingValue, r).trimmed()))
                v.setCell(VorrundeColumn::Place, r, unranked[std::size_t(r)]);
        }
    }
    Q_EMIT currentCellChanged();
}

void Competition::returnTo(std::optional<CompetitionRound> page,
                           const std::optional<std::array<LaneSelector, 3>>& lanes)
{
    if (lanes)
        m_lanes.restore(*lanes);
    if (page && *page != m_currentRound) {
        m_currentRound = *page;
        Q_EMIT pageChanged(*page);
        Q_EMIT layoutRequested();
    }
    // the best result goes back with the tables, to none when they hold no result any more
    Q_EMIT resultsReset();
    Q_EMIT currentCellChanged();
}

void Competition::enterLoadedLanes()
{
    m_lanes.enterLoadedPage(currentGrid(), {laneActive(1), laneActive(2), laneActive(3)});
    Q_EMIT layoutRequested();
}

// ---------------------------------------------------------------- random fill

void Competition::fillWithRandomResults()
{
    // recorded results are not overwritten without a question
    const ResultGrid& current = currentGrid();
    bool results = false;
    for (int r = 1; r < current.rowCount() && !results; ++r) {
        for (int lane = 1; lane <= (m_currentRound == CompetitionRound::Vorrunde ? 3 : 1); ++lane)
            results = results || (m_currentRound != CompetitionRound::GesamtErgebnis &&
                                  LaneAssignment::runRecorded(current, r, lane));
    }
    if (results &&
        (!m_question || !m_question->ask(QStringLiteral("%1 mit Zufallszahlen füllen? Die vorhandenen "
                                                        "Ergebnisse werden überschrieben.")
                                             .arg(roundCaption(m_currentRound)))))
        return;
    fillPage();
}

void Competition::fillPage()
{
    const quint32 base = shiftDown() ? 1000 : 10000;
    beginAction(QStringLiteral("Zufallszahlen"));
    {
        const ProtocolTables::ChangeBatch batch(m_tables);
        m_random.fill(currentGrid(), m_currentRound, m_options.thirdLaneOn ? 3 : 2, base, m_format);
    }
    recalculateRound();
}

void Competition::fillAllPages()
{
    bool results = false;
    for (CompetitionRound round : kAllRounds) {
        const ResultGrid& g = grid(round);
        for (int r = 1; r < g.rowCount() && !results && round != CompetitionRound::GesamtErgebnis; ++r) {
            for (int lane = 1; lane <= (round == CompetitionRound::Vorrunde ? 3 : 1); ++lane)
                results = results || LaneAssignment::runRecorded(g, r, lane);
        }
    }
    if (results && (!m_question || !m_question->ask(QStringLiteral(
                                       "Alle Seiten mit Zufallszahlen füllen? Die vorhandenen Ergebnisse "
                                       "werden überschrieben."))))
        return;
    beginAction(QStringLiteral("Alle Seiten füllen"));
    for (CompetitionRound round : kAllRounds) {
        if (!isPageVisible(round))
            continue;
        setCurrentRound(round);
        fillPage();
        buildNextRound(false);
        enterRound(round);
        recalculateRound();
    }
}

} // namespace brv
