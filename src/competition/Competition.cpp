#include "competition/Competition.h"

#include "competition/TableSort.h"

#include <algorithm>

namespace brv {

namespace {

TableId gridIdOf(CompetitionRound round)
{
    return static_cast<TableId>(roundIndex(round));
}

// Column of the start number ("Nr.") in a table.
int nrColumn(CompetitionRound round)
{
    return round == CompetitionRound::Vorrunde ? columnIndex(VorrundeColumn::Nr)
                                               : columnIndex(KnockoutColumn::Nr);
}

// The column a round's table is sorted by when its places are numbered.
int placeSortColumn(CompetitionRound round)
{
    if (round == CompetitionRound::Vorrunde)
        return columnIndex(VorrundeColumn::RankingValue);
    if (isKnockoutRound(round))
        return columnIndex(KnockoutColumn::Gesamt);
    return columnIndex(OverallColumn::Place);
}

} // namespace

quint32 RandomGenerator::bounded(quint32 range)
{
    m_seed = m_seed * 134775813u + 1u;
    return quint32((quint64(range) * quint64(m_seed)) >> 32);
}

Competition::Competition(const NumberFormat& format, QObject* parent)
    : QObject(parent), m_format(format), m_rankingScratch(TableId::RankingScratch, kKnockoutColumnCount, 2)
{
    for (CompetitionRound round : kAllRounds) {
        auto grid = std::make_unique<ResultGrid>(gridIdOf(round), roundColumnCount(round),
                                                 roundInitialRowCount(round));
        grid->sortColumn = placeSortColumn(round);
        if (round == CompetitionRound::Vorrunde)
            grid->secondarySortColumns = {columnIndex(VorrundeColumn::Nr)};
        m_grids[std::size_t(roundIndex(round))] = std::move(grid);
        m_pageCaptions[std::size_t(roundIndex(round))] = roundCaption(round);
    }
    m_rankingScratch.sortColumn = columnIndex(RankingScratchColumn::Gesamt);
    m_laneHeadings = {QString(), QStringLiteral("Bahn 1"), QStringLiteral("Bahn 2"), QStringLiteral("Bahn 3"),
                      QStringLiteral("Beste")};
    m_roundHeadings = {QString(),
                       QStringLiteral("Vorrunde"),
                       QStringLiteral("Achtelfinale"),
                       QStringLiteral("Viertelfinale"),
                       QStringLiteral("Halbfinale"),
                       QStringLiteral("Finale"),
                       QStringLiteral("Bestes")};
    writeCaptions();
}

Competition::~Competition() = default;

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

void Competition::setOptions(const CompetitionOptions& options)
{
    m_options = options;
    Q_EMIT layoutRequested();
}

void Competition::setRoundHeading(int col, const QString& text)
{
    if (col >= 0 && col < m_roundHeadings.size())
        m_roundHeadings[col] = text;
    Q_EMIT captionsChanged();
}

void Competition::setPageCaption(CompetitionRound round, const QString& caption)
{
    m_pageCaptions[std::size_t(roundIndex(round))] = caption;
    Q_EMIT captionsChanged();
}

void Competition::writeCaptions()
{
    const QString zeit = QStringLiteral("Zeit");
    const QString fehler = QStringLiteral("Fehler");
    const QString gesamt = QStringLiteral("Gesamt");
    const QString ergebnis = QStringLiteral("Ergebnis");
    const QString cls = m_options.classColumnCaption;

    const QString ranking = m_options.rankingMode == RankingMode::BestTime ? zeit : QStringLiteral("Summe");
    grid(CompetitionRound::Vorrunde)
        .setRowCells(0, {QStringLiteral("Nr."), QStringLiteral("Mannschaft"), cls, zeit, fehler, gesamt, zeit,
                         fehler, gesamt, zeit, fehler, gesamt, ranking, QStringLiteral("Pl.")});
    for (CompetitionRound round : kAllRounds) {
        if (!isKnockoutRound(round))
            continue;
        grid(round).setRowCells(0, {QStringLiteral("Pl."), QStringLiteral("Nr."),
                                    QStringLiteral("Mannschaft"), cls, QStringLiteral("Vorrunde"), zeit,
                                    fehler, gesamt, QStringLiteral("Pl.")});
    }
    m_rankingScratch.setRowCells(0, grid(CompetitionRound::Achtelfinale).rowCells(0));
    grid(CompetitionRound::GesamtErgebnis)
        .setRowCells(0, {QStringLiteral("Platz"), QStringLiteral("Mannschaft"), cls, ergebnis, zeit, fehler,
                         ergebnis, zeit, fehler, ergebnis, zeit, fehler, ergebnis, zeit, fehler, ergebnis,
                         ergebnis});
    m_laneHeadings[4] =
        m_options.rankingMode == RankingMode::BestTime ? QStringLiteral("Best") : QStringLiteral("Beste");
    Q_EMIT captionsChanged();
    Q_EMIT tablesChanged();
}

void Competition::applyRankingCaptions()
{
    if (m_options.rankingMode == RankingMode::BestSum) {
        m_laneHeadings[4] = QStringLiteral("Beste");
        grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::RankingValue, 0, QStringLiteral("Summe"));
    } else if (m_options.rankingMode == RankingMode::BestTime) {
        m_laneHeadings[4] = QStringLiteral("Best");
        grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::RankingValue, 0, QStringLiteral("Zeit"));
    } else {
        return;
    }
    Q_EMIT captionsChanged();
    Q_EMIT tablesChanged();
}

void Competition::applyClassCaption()
{
    const QString& cls = m_options.classColumnCaption;
    grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Klasse, 0, cls);
    for (CompetitionRound round : kAllRounds) {
        if (isKnockoutRound(round))
            grid(round).setCell(KnockoutColumn::Klasse, 0, cls);
    }
    grid(CompetitionRound::GesamtErgebnis).setCell(OverallColumn::Klasse, 0, cls);
    Q_EMIT tablesChanged();
}

QString Competition::laneEntryText(const ResultGrid& grid, int row)
{
    const bool vorrunde = grid.id() == TableId::Vorrunde;
    const QString number = vorrunde ? grid.cell(VorrundeColumn::Nr, row) : grid.cell(KnockoutColumn::Nr, row);
    const QString padded = number.size() < 3 ? QString(3 - number.size(), QLatin1Char(' ')) + number : number;
    return padded + QLatin1Char(' ') +
           (vorrunde ? grid.cell(VorrundeColumn::Mannschaft, row)
                     : grid.cell(KnockoutColumn::Mannschaft, row));
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

bool Competition::laneActive(int lane) const
{
    return laneVisible(lane) && m_controls.lane(lane).inUse;
}

void Competition::setStatusText(int panel, const QString& text)
{
    if (panel < 0 || panel >= int(m_status.size()) || m_status[std::size_t(panel)] == text)
        return;
    m_status[std::size_t(panel)] = text;
    Q_EMIT statusChanged(panel);
}

// ---------------------------------------------------------------- sorting

void Competition::sortCurrentTableAndNumber()
{
    sortAndNumber(currentGrid());
}

void Competition::sortAndNumber(ResultGrid& grid)
{
    if (grid.id() == TableId::GesamtErgebnis || m_sorting)
        return;
    m_sorting = true;
    sortTable(grid, grid.sortColumn, m_format);
    // The place column is the last one of both tables.
    if (grid.sortColumn != 0 && (grid.id() == TableId::Vorrunde || grid.id() == TableId::Finale)) {
        const int last = grid.id() == TableId::Vorrunde ? columnIndex(VorrundeColumn::Place)
                                                        : columnIndex(KnockoutColumn::Outcome);
        int counter = 0;
        for (int r = 1; r < grid.rowCount(); ++r) {
            const QString value = grid.cell(grid.sortColumn, r);
            if (m_format.toNumber(value.trimmed())) {
                ++counter;
                grid.setCell(last, r, QString::number(counter));
            } else {
                grid.setCell(last, r, value);
            }
        }
    }
    m_sorting = false;
}

// ---------------------------------------------------------------- lanes

void Competition::fillLaneSelectors()
{
    const ResultGrid& current = currentGrid();
    QStringList entries;
    entries.reserve(current.dataRowCount());
    for (int r = 1; r < current.rowCount(); ++r)
        entries.append(laneEntryText(current, r));
    for (LaneSelector& selector : m_selectors) {
        selector.entries = entries;
        selector.index = -1;
    }
    Q_EMIT lanesChanged();
}

void Competition::showLaneTeamsOnTv()
{
    Q_EMIT tvChanged();
}

void Competition::assignRowToLane(int lane)
{
    if (lane < 1 || lane > 3)
        return;
    selector(lane).selectText(laneEntryText(currentGrid(), currentGrid().currentRow));
    showLaneTeamsOnTv();
    updateLaneReadiness();
    Q_EMIT lanesChanged();
    Q_EMIT tablesChanged();
}

void Competition::setLane3On(bool on)
{
    LaneControls& lane3 = m_controls.lane(3);
    lane3.inUse = on;
    LaneSelector& sel = selector(3);
    sel.enabled = on;
    if (on) {
        sel.entries = selector(1).entries;
        sel.index = -1;
        lane3.startButtonEnabled =
            m_controls.lane(1).startButtonEnabled && m_controls.lane(2).startButtonEnabled;
    } else {
        sel.entries.clear();
        sel.index = -1;
        lane3.startButtonEnabled = false;
    }
    lane3.startButtonGreen = on;
    updateProtocolButtons();
    Q_EMIT lanesChanged();
    Q_EMIT tablesChanged();
}

void Competition::recordLaneTime(int lane, const QString& timeText)
{
    if (lane < 1 || lane > 3)
        return;
    ResultGrid& current = currentGrid();
    const QString laneText = selector(lane).text();
    if (laneText.trimmed().isEmpty())
        return; // no team on this lane: nothing is written and no buttons change

    int row = -1;
    // The entry is the start number, right-aligned, a blank and the team; the number reads up to
    // the first blank, however many digits it has.
    const QString numberText = laneText.trimmed().section(QLatin1Char(' '), 0, 0);
    if (const std::optional<int> number = NumberFormat::toInteger(numberText))
        row = current.findRow(nrColumn(m_currentRound), QString::number(*number));
    // A start number written differently ("007") or not a number at all: the team is still the
    // one whose entry the lane shows. A time must never be dropped while a team is on the lane.
    if (row < 0) {
        for (int r = 1; r < current.rowCount(); ++r) {
            if (laneEntryText(current, r) == laneText) {
                row = r;
                break;
            }
        }
    }

    if (row > 0) {
        if (m_currentRound == CompetitionRound::Vorrunde) {
            current.setCell(laneTimeColumn(lane), row, timeText);
            current.setCell(lanePenaltyColumn(lane), row, QStringLiteral("0"));
            current.setCell(laneResultColumn(lane), row, timeText);
            setProvisionalRanking(row);
        } else if (isKnockoutRound(m_currentRound)) {
            current.setCell(KnockoutColumn::Zeit, row, timeText);
            current.setCell(KnockoutColumn::Fehler, row, QStringLiteral("0"));
            current.setCell(KnockoutColumn::Gesamt, row, timeText);
        }
        Q_EMIT tablesChanged();
    }
    updateProtocolButtons();
}

void Competition::setProvisionalRanking(int row)
{
    ResultGrid& g = grid(CompetitionRound::Vorrunde);
    std::array<double, 3> values{};
    std::array<bool, 3> counted{};
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        if (const std::optional<double> v = m_format.toNumber(g.cell(laneTimeColumn(i + 1), row))) {
            values[std::size_t(i)] = *v;
            counted[std::size_t(i)] = true;
            ++count;
        }
    }
    if (m_options.rankingMode == RankingMode::BestSum) {
        if (count == 3) {
            std::array<double, 3> sorted = values;
            std::sort(sorted.begin(), sorted.end());
            g.setCell(VorrundeColumn::RankingValue, row, m_format.fixed2(sorted[0] + sorted[1]));
        } else if (count == 2) {
            double sum = 0;
            for (int i = 0; i < 3; ++i)
                sum += counted[std::size_t(i)] ? values[std::size_t(i)] : 0.0;
            g.setCell(VorrundeColumn::RankingValue, row, m_format.fixed2(sum));
        }
    } else if (m_options.rankingMode == RankingMode::BestTime) {
        int best = -1;
        double bestValue = kNoResult;
        for (int i = 0; i < 3; ++i) {
            const double v =
                counted[std::size_t(i)] && values[std::size_t(i)] != 0 ? values[std::size_t(i)] : kNoResult;
            if (v < bestValue) {
                bestValue = v;
                best = i;
            }
        }
        if (best >= 0)
            g.setCell(VorrundeColumn::RankingValue, row, g.cell(laneTimeColumn(best + 1), row));
    }
}

void Competition::advanceLanes()
{
    const int n = laneActive(3) ? 3 : 2;
    for (int lane = 1; lane <= n; ++lane) {
        if (!m_controls.lane(lane).inUse)
            continue;
        LaneSelector& sel = selector(lane);
        int next = sel.index + n;
        if (next >= sel.count())
            next -= sel.count();
        sel.select(next);
    }

    if (m_currentRound == CompetitionRound::Vorrunde) {
        const ResultGrid& g = grid(CompetitionRound::Vorrunde);
        const int teams = g.dataRowCount();
        LaneSelector& s1 = selector(1);
        LaneSelector& s2 = selector(2);
        LaneSelector& s3 = selector(3);
        auto filled = [&](int col, int row) { return !g.cell(col, row).isEmpty(); };
        if (!m_options.thirdLaneOn && teams % 2 == 0) {
            if (s1.index == 0 && s2.index == 1 && filled(5, 1) && filled(8, 2)) {
                s1.select(1);
                s2.select(0);
            }
        } else if (m_options.thirdLaneOn && teams % 3 == 0) {
            if (s1.index == 0 && s2.index == 1 && s3.index == 2 && filled(5, 1) && filled(8, 2) &&
                filled(11, 3)) {
                s1.select(2);
                s2.select(0);
                s3.select(1);
            }
            if (s1.index == 2 && s2.index == 0 && s3.index == 1 && filled(5, 3) && filled(8, 1) &&
                filled(11, 2)) {
                s1.select(1);
                s2.select(2);
                s3.select(0);
            }
        }
    }
    showLaneTeamsOnTv();
    m_controls.focus = FocusTarget::Start;
    updateProtocolButtons();
    Q_EMIT lanesChanged();
    Q_EMIT tablesChanged();
}

// ---------------------------------------------------------------- editing

bool Competition::isCellEditable(CompetitionRound round, int col) const
{
    // Zeit and Fehler of a run; its total is computed.
    if (round == CompetitionRound::Vorrunde) {
        const int lane = laneOfColumn(col);
        return lane > 0 &&
               (col == columnIndex(laneTimeColumn(lane)) || col == columnIndex(lanePenaltyColumn(lane)));
    }
    if (isKnockoutRound(round))
        return col == columnIndex(KnockoutColumn::Zeit) || col == columnIndex(KnockoutColumn::Fehler);
    return false;
}

void Competition::setEditMode(ResultGrid& grid, bool on)
{
    grid.editMode = on;
}

void Competition::endEdit()
{
    const bool wasEditing = m_editColumn != -1 || currentGrid().editMode;
    m_editColumn = -1;
    setEditMode(currentGrid(), false);
    if (wasEditing)
        Q_EMIT editEnded();
}

void Competition::selectCell(int col, int row)
{
    ResultGrid& current = currentGrid();
    if (row < 1 || row >= current.rowCount() || col < 0 || col >= current.columnCount())
        return;
    // Moving away from an edited cell commits it.
    if (m_editColumn != -1 && (col != current.currentColumn || row != current.currentRow))
        commitCellEdit();

    if (m_currentRound == CompetitionRound::GesamtErgebnis) {
        current.currentRow = row;
        current.currentColumn = col;
        Q_EMIT tablesChanged();
        return;
    }
    if (isCellEditable(m_currentRound, col)) {
        setEditMode(current, true);
        current.currentRow = row;
        current.currentColumn = col;
        // In the Vorrunde the edit belongs to the run's Fehler column, whichever cell of it was chosen.
        m_editColumn = m_currentRound == CompetitionRound::Vorrunde
                           ? columnIndex(lanePenaltyColumn(laneOfColumn(col)))
                           : col;
    } else {
        commitCellEdit();
        m_editColumn = -1;
        setEditMode(current, false);
        current.currentRow = row;
        current.currentColumn = col;
    }
    updateProtocolButtons();
    Q_EMIT tablesChanged();
}

bool Competition::acceptsEditKey(QChar key) const
{
    if (m_editColumn == -1)
        return true;
    const bool filtered =
        m_currentRound == CompetitionRound::Vorrunde ||
        (isKnockoutRound(m_currentRound) && m_editColumn == columnIndex(KnockoutColumn::Fehler));
    if (!filtered)
        return true;
    return (key >= QLatin1Char('0') && key <= QLatin1Char('9')) || key == QChar(8) ||
           key == m_format.decimalSeparator();
}

std::optional<QChar> Competition::editCharacter(QChar key) const
{
    if (m_editColumn != -1 && (key == QLatin1Char('.') || key == QLatin1Char(',')))
        key = m_format.decimalSeparator();
    if (!acceptsEditKey(key))
        return std::nullopt;
    return key;
}

void Competition::setEditText(const QString& text)
{
    ResultGrid& current = currentGrid();
    if (m_editColumn == -1 || !current.editMode || !isCellEditable(m_currentRound, current.currentColumn))
        return;
    QString accepted;
    accepted.reserve(text.size());
    for (QChar c : text) {
        if (c == QChar(8))
            continue;
        if (const std::optional<QChar> typed = editCharacter(c))
            accepted += *typed;
    }
    current.setCell(current.currentColumn, current.currentRow, accepted);
    Q_EMIT tablesChanged();
}

void Competition::editEnter()
{
    if (m_editColumn == -1)
        return;
    const bool enterCommits =
        m_currentRound == CompetitionRound::Vorrunde ||
        (isKnockoutRound(m_currentRound) && m_editColumn == columnIndex(KnockoutColumn::Fehler));
    if (!enterCommits)
        return;
    commitCellEdit();
    recalculateRound();
}

void Competition::writeRankingValue(ResultGrid& g, int row)
{
    const double g1 = numberOr(g.cell(VorrundeColumn::Lane1Gesamt, row), kNoResult);
    const double g2 = numberOr(g.cell(VorrundeColumn::Lane2Gesamt, row), kNoResult);
    const double g3 = numberOr(g.cell(VorrundeColumn::Lane3Gesamt, row), kNoResult);
    if (m_options.rankingMode == RankingMode::BestSum) {
        const std::array<double, 3> sums{g1 + g2, g1 + g3, g2 + g3};
        for (std::size_t i = 0; i < sums.size(); ++i) {
            const double s = sums[i];
            if (s < kNoResult && s <= sums[(i + 1) % 3] && s <= sums[(i + 2) % 3]) {
                g.setCell(VorrundeColumn::RankingValue, row, m_format.fixed2(s));
                return;
            }
        }
    } else if (m_options.rankingMode == RankingMode::BestTime) {
        std::array<double, 3> v{g1, g2, g3};
        for (double& x : v) {
            if (x == 0)
                x = kNoResult;
        }
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (v[i] < kNoResult && v[i] <= v[(i + 1) % 3] && v[i] <= v[(i + 2) % 3]) {
                g.setCell(VorrundeColumn::RankingValue, row, m_format.fixed2(v[i]));
                return;
            }
        }
    }
}

void Competition::commitCellEdit()
{
    if (m_editColumn == -1)
        return;
    ResultGrid& current = currentGrid();
    const int row = current.currentRow;
    if (m_currentRound == CompetitionRound::Vorrunde) {
        // The edit belongs to a run's Fehler column: its Zeit stands left of it, its Gesamt right.
        const int fehlerColumn = m_editColumn;
        const double zeit = numberOr(current.cell(fehlerColumn - 1, row), 0);
        const double fehler = numberOr(current.cell(fehlerColumn, row), 0);
        if (zeit > 0)
            current.setCell(fehlerColumn + 1, row, m_format.fixed2(zeit + fehler));
        writeRankingValue(current, row);
        // The whole Vorrunde is ranked again, so that a correction never numbers the places
        // in the table's row order.
        recalculateVorrunde();
        endEdit();
        current.currentRow = row;
    } else if (isKnockoutRound(m_currentRound)) {
        const double zeit = numberOr(current.cell(KnockoutColumn::Zeit, row), 0);
        const double fehler = numberOr(current.cell(KnockoutColumn::Fehler, row), 0);
        if (!(zeit > 0))
            current.setCell(KnockoutColumn::Fehler, row, QString());
        else
            current.setCell(KnockoutColumn::Gesamt, row, m_format.fixed2(zeit + fehler));
    }
    Q_EMIT tablesChanged();
}

// ---------------------------------------------------------------- marks, clearing

void Competition::markVoid()
{
    ResultGrid& current = currentGrid();
    const int row = current.currentRow;
    const QString aus(mark::Void);
    if (m_currentRound == CompetitionRound::Vorrunde) {
        if (const int lane = laneOfColumn(current.currentColumn); lane > 0) {
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
    Q_EMIT tablesChanged();
}

void Competition::markDisqualified()
{
    ResultGrid& current = currentGrid();
    if (m_currentRound == CompetitionRound::GesamtErgebnis)
        return;
    const int first = m_currentRound == CompetitionRound::Vorrunde ? columnIndex(VorrundeColumn::Lane1Zeit)
                                                                   : columnIndex(KnockoutColumn::Zeit);
    for (int c = first; c < current.columnCount(); ++c)
        current.setCell(c, current.currentRow, QString(mark::Disqualified));
    if (m_currentRound == CompetitionRound::Vorrunde)
        commitCellEdit();
    recalculateRound();
    Q_EMIT tablesChanged();
}

void Competition::clearResults()
{
    if (!m_question || !m_question->ask(QStringLiteral("Ergebnisse löschen?")))
        return;
    for (int index = roundIndex(m_currentRound); index <= roundIndex(CompetitionRound::Finale); ++index) {
        ResultGrid& g = grid(roundAt(index));
        g.clearDataCells(index == 0 ? columnIndex(VorrundeColumn::Lane1Zeit)
                                    : columnIndex(KnockoutColumn::BroughtResult),
                         g.columnCount() - 1);
    }
    updateProtocolButtons();
    Q_EMIT layoutRequested();
    if (m_currentRound == CompetitionRound::Vorrunde) {
        m_tvBestMs = 0;
        m_tvBestTeam.clear();
        Q_EMIT tvChanged();
    }
    Q_EMIT tablesChanged();
}

bool Competition::canRecalculate() const
{
    const ResultGrid& current = currentGrid();
    return !(current.dataRowCount() < 2 && current.isRowBlank(1));
}

// ---------------------------------------------------------------- readiness

void Competition::updateLaneReadiness()
{
    RunControls& c = m_controls;
    const int count1 = selector(1).count();
    const int count2 = selector(2).count();
    const int count3 = selector(3).count();
    const bool lane3Used = c.lane(3).inUse && laneVisible(3);

    bool ready =
        !(count1 == 0 || count2 == 0 || (count3 == 0 && lane3Used) || selector(1).index == selector(2).index);
    if (ready) {
        if (m_options.commonStart) {
            ready = !c.displayTickRunning;
        } else {
            ready = c.lane(1).startButtonEnabled || c.lane(2).startButtonEnabled ||
                    (c.lane(3).startButtonEnabled && lane3Used) || !c.displayTickRunning;
        }
    }
    c.startButtonEnabled = ready;
    c.startGreen = ready;

    if (!m_options.commonStart) {
        for (int lane = 1; lane <= 3; ++lane) {
            LaneControls& l = c.lane(lane);
            l.startButtonEnabled = l.startTick == 0 && !l.armed && (lane < 3 || lane3Used);
            l.startButtonGreen = l.startButtonEnabled;
        }
    }
    Q_EMIT controlsChanged();
}

bool Competition::tableHasData() const
{
    const ResultGrid& current = currentGrid();
    return current.dataRowCount() >= 2 && !current.isRowBlank(1);
}

void Competition::updateProtocolButtons()
{
    updateLaneReadiness();
    RunControls& c = m_controls;
    const bool hasData = tableHasData();
    c.saveEnabled = hasData;
    c.clearEnabled = hasData;
    c.assignEnabled[0] = c.settingsEnabled;
    c.assignEnabled[1] = c.settingsEnabled;
    c.assignEnabled[2] = c.settingsEnabled && laneActive(3);
    c.certificatesEnabled = c.settingsEnabled && m_currentRound == CompetitionRound::GesamtErgebnis;
    Q_EMIT controlsChanged();
}

// ---------------------------------------------------------------- pages

void Competition::setCurrentRound(CompetitionRound round)
{
    m_currentRound = round;
}

void Competition::enterRound(CompetitionRound newRound)
{
    m_currentRound = newRound;
    m_editColumn = -1;
    setStatusText(0, QString::number(currentGrid().dataRowCount()));
    fillLaneSelectors();
    for (int lane = 1; lane <= 3; ++lane) {
        LaneSelector& sel = selector(lane);
        sel.enabled = sel.count() > 0;
        if (m_controls.lane(lane).inUse)
            sel.select(lane - 1);
    }
    showLaneTeamsOnTv();
    updateProtocolButtons();
    Q_EMIT pageChanged(newRound);
    Q_EMIT layoutRequested();
    Q_EMIT lanesChanged();
    Q_EMIT tablesChanged();
}

void Competition::changePage(CompetitionRound newRound)
{
    if (newRound == m_currentRound)
        return;
    // A cell still in edit mode is committed on the page it belongs to, and the page returns
    // to row mode.
    commitCellEdit();
    endEdit();
    buildNextRound();
    enterRound(newRound);
}

void Competition::replaceTables(const std::array<std::unique_ptr<ResultGrid>, kRoundCount>& tables,
                                const std::array<bool, kRoundCount>& present)
{
    for (std::size_t i = 0; i < tables.size(); ++i) {
        if (!present[i] || !tables[i])
            continue;
        ResultGrid& target = *m_grids[i];
        target.setRowCount(tables[i]->rowCount());
        for (int r = 0; r < target.rowCount(); ++r)
            target.setRowCells(r, tables[i]->rowCells(r));
        target.currentRow = 1;
        target.currentColumn = 0;
        target.editMode = false;
    }
    m_editColumn = -1;
    // The places of a loaded Vorrunde follow its ranking values, whatever the file said; a row
    // without a numeric ranking value keeps the place text of the file ("DIS").
    if (present[0] && tables[0]) {
        ResultGrid& v = grid(CompetitionRound::Vorrunde);
        std::vector<QString> unranked(std::size_t(v.rowCount()));
        for (int r = 1; r < v.rowCount(); ++r)
            unranked[std::size_t(r)] = v.cell(VorrundeColumn::Place, r);
        rankVorrunde();
        for (int r = 1; r < v.rowCount(); ++r) {
            if (!m_format.toNumber(v.cell(VorrundeColumn::RankingValue, r).trimmed()))
                v.setCell(VorrundeColumn::Place, r, unranked[std::size_t(r)]);
        }
    }
    Q_EMIT tablesChanged();
}

} // namespace brv
