#include "competition/ProtocolTables.h"

#include "competition/Knockout.h"
#include "competition/TableSchema.h"

#include <algorithm>
#include <utility>

namespace brv {

namespace {

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

ProtocolTables::ProtocolTables(QObject* parent) : QObject(parent)
{
    for (CompetitionRound round : kAllRounds) {
        auto grid = std::make_unique<ResultGrid>(static_cast<TableId>(roundIndex(round)),
                                                 roundColumnCount(round), roundInitialRowCount(round));
        grid->sortColumn = placeSortColumn(round);
        if (round == CompetitionRound::Vorrunde)
            grid->secondarySortColumns = {columnIndex(VorrundeColumn::Nr)};
        grid->setChangeObserver([this, round](int row) { noteChange(round, row); });
        m_grids[std::size_t(roundIndex(round))] = std::move(grid);
        m_pageCaptions[std::size_t(roundIndex(round))] = roundCaption(round);
    }
    m_laneHeadings = {QString(), QStringLiteral("Bahn 1"), QStringLiteral("Bahn 2"), QStringLiteral("Bahn 3"),
                      QStringLiteral("Beste")};
    m_roundHeadings = {QString(),
                       QStringLiteral("Vorrunde"),
                       QStringLiteral("Achtelfinale"),
                       QStringLiteral("Viertelfinale"),
                       QStringLiteral("Halbfinale"),
                       QStringLiteral("Finale"),
                       QStringLiteral("Bestes")};
}

ProtocolTables::~ProtocolTables()
{
    for (auto& grid : m_grids)
        grid->setChangeObserver({});
}

void ProtocolTables::noteChange(CompetitionRound round, int row)
{
    if (m_batchDepth == 0) {
        // a single change is a batch of its own, so that what follows from it comes with it
        const ChangeBatch batch(*this);
        noteChange(round, row);
        return;
    }
    if (!m_deriving && row != 0)
        m_changedSinceDerived[std::size_t(roundIndex(round))] = true;
    TableChange& p = m_pending[std::size_t(roundIndex(round))];
    if (row < 0) {
        p.whole = true;
    } else if (p.first < 0) {
        p.first = p.last = row;
    } else {
        p.first = std::min(p.first, row);
        p.last = std::max(p.last, row);
    }
}

void ProtocolTables::endBatch()
{
    if (m_batchDepth == 1 && !m_deriving)
        derive();
    if (--m_batchDepth > 0)
        return;
    const TableChanges changes = std::exchange(m_pending, {});
    if (m_recorder &&
        std::any_of(changes.begin(), changes.end(), [](const TableChange& c) { return c.any(); }))
        m_recorder->recordChanges(changes);
    for (CompetitionRound round : kAllRounds) {
        const TableChange& p = changes[std::size_t(roundIndex(round))];
        if (p.whole)
            Q_EMIT tableChanged(round);
        else if (p.first >= 0)
            Q_EMIT rowsChanged(round, p.first, p.last);
    }
}

void ProtocolTables::derive()
{
    const std::array<bool, kRoundCount> changed = std::exchange(m_changedSinceDerived, {});
    bool rounds = false;
    for (CompetitionRound round : kAllRounds)
        rounds =
            rounds || (round != CompetitionRound::GesamtErgebnis && changed[std::size_t(roundIndex(round))]);
    if (!rounds)
        return;
    m_deriving = true;
    for (CompetitionRound round : kAllRounds) {
        if (isKnockoutRound(round) && changed[std::size_t(roundIndex(round))])
            decideHeats(grid(round), round, m_format);
    }
    writeOverallTable(*this, m_options, m_format);
    m_deriving = false;
}

void ProtocolTables::setRules(const CompetitionOptions& options, const NumberFormat& format)
{
    m_options = options;
    m_format = format;
    const ChangeBatch batch(*this);
    m_changedSinceDerived.fill(true);
}

void ProtocolTables::setRoundHeading(int col, const QString& text)
{
    if (col >= 0 && col < m_roundHeadings.size())
        m_roundHeadings[col] = text;
    Q_EMIT captionsChanged();
}

void ProtocolTables::setPageCaption(CompetitionRound round, const QString& caption)
{
    m_pageCaptions[std::size_t(roundIndex(round))] = caption;
    Q_EMIT captionsChanged();
}

void ProtocolTables::writeCaptions(const CompetitionOptions& options)
{
    const ChangeBatch batch(*this);
    const QString zeit = QStringLiteral("Zeit");
    const QString fehler = QStringLiteral("Fehler");
    const QString gesamt = QStringLiteral("Gesamt");
    const QString ergebnis = QStringLiteral("Ergebnis");
    const QString cls = options.classColumnCaption;

    const QString ranking = options.rankingMode == RankingMode::BestTime ? zeit : QStringLiteral("Summe");
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
    grid(CompetitionRound::GesamtErgebnis)
        .setRowCells(0, {QStringLiteral("Platz"), QStringLiteral("Mannschaft"), cls, ergebnis, zeit, fehler,
                         ergebnis, zeit, fehler, ergebnis, zeit, fehler, ergebnis, zeit, fehler, ergebnis,
                         ergebnis});
    m_laneHeadings[4] =
        options.rankingMode == RankingMode::BestTime ? QStringLiteral("Best") : QStringLiteral("Beste");
    Q_EMIT captionsChanged();
}

void ProtocolTables::applyRankingCaptions(RankingMode mode)
{
    if (mode == RankingMode::BestSum) {
        m_laneHeadings[4] = QStringLiteral("Beste");
        grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::RankingValue, 0, QStringLiteral("Summe"));
    } else if (mode == RankingMode::BestTime) {
        m_laneHeadings[4] = QStringLiteral("Best");
        grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::RankingValue, 0, QStringLiteral("Zeit"));
    } else {
        return;
    }
    Q_EMIT captionsChanged();
}

void ProtocolTables::applyClassCaption(const QString& caption)
{
    const ChangeBatch batch(*this);
    grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Klasse, 0, caption);
    for (CompetitionRound round : kAllRounds) {
        if (isKnockoutRound(round))
            grid(round).setCell(KnockoutColumn::Klasse, 0, caption);
    }
    grid(CompetitionRound::GesamtErgebnis).setCell(OverallColumn::Klasse, 0, caption);
}

void ProtocolTables::replace(const std::array<std::unique_ptr<ResultGrid>, kRoundCount>& tables,
                             const std::array<bool, kRoundCount>& present)
{
    const ChangeBatch batch(*this);
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
        noteChange(roundAt(int(i)), -1);
    }
}

} // namespace brv
