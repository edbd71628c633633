// Building the next round from the page being left, and the overall result.
#include "competition/Knockout.h"

#include "competition/ProtocolTables.h"
#include "competition/Ranking.h"

#include "competition/TableSort.h"

#include <QHash>

namespace brv {

namespace {

// Place (1 = best) to row of the next table; rows 2k-1 and 2k are heat k.
constexpr std::array<int, 16> SeedingByPlace16{1, 9, 13, 5, 7, 15, 11, 3, 4, 12, 16, 8, 6, 14, 10, 2};
constexpr std::array<int, 8> SeedingByPlace8{1, 5, 7, 3, 4, 8, 6, 2};
constexpr std::array<int, 4> SeedingByPlace4{1, 3, 4, 2};

// A knockout round's run (Zeit, Fehler, Gesamt) from the round's table into the overall table.
void copyRun(ResultGrid& overall, int row, CompetitionRound round, const ResultGrid& table, int tableRow)
{
    overall.setCell(knockoutTimeColumn(round), row, table.cell(KnockoutColumn::Zeit, tableRow));
    overall.setCell(knockoutPenaltyColumn(round), row, table.cell(KnockoutColumn::Fehler, tableRow));
    overall.setCell(knockoutResultColumn(round), row, table.cell(KnockoutColumn::Gesamt, tableRow));
}

// `before` is the round as it stood before this build: a team that ran in it keeps its run in
// whatever row it stands now.
void fillRoundRow(ResultGrid& target, const ResultGrid& before, int row, const QString& place,
                  const QString& nr, const QString& team, const QString& cls, const QString& result)
{
    // The row's own results stay with its team; a row that now holds another team must not
    // hand the previous team's run to it.
    if (target.cell(KnockoutColumn::Nr, row) != nr || target.cell(KnockoutColumn::Mannschaft, row) != team) {
        target.clearRowCells(row, KnockoutColumn::Zeit, KnockoutColumn::Outcome);
        for (int b = 1; b < before.rowCount(); ++b) {
            if (before.cell(KnockoutColumn::Mannschaft, b) != team ||
                before.cell(KnockoutColumn::Nr, b) != nr)
                continue;
            for (int c = columnIndex(KnockoutColumn::Zeit); c <= columnIndex(KnockoutColumn::Outcome); ++c)
                target.setCell(c, row, before.cell(c, b));
            break;
        }
    }
    target.setCell(KnockoutColumn::PlaceBefore, row, place);
    target.setCell(KnockoutColumn::Nr, row, nr);
    target.setCell(KnockoutColumn::Mannschaft, row, team);
    target.setCell(KnockoutColumn::Klasse, row, cls);
    target.setCell(KnockoutColumn::BroughtResult, row, result);
}

bool hasTeam(const ResultGrid& table, int row)
{
    return !table.cell(KnockoutColumn::Mannschaft, row).trimmed().isEmpty();
}

// A row no team is seeded into stays empty: the team it faces runs alone.
void emptyRowsNotFilled(ResultGrid& table, const std::vector<bool>& filled)
{
    for (int row = 1; row < int(filled.size()) && row < table.rowCount(); ++row) {
        if (!filled[std::size_t(row)])
            table.setRowCells(row, {});
    }
}

// " Freilos für Platz 1, 2 und 3"; empty for none.
QString byeNotice(const QList<int>& places)
{
    if (places.isEmpty())
        return {};
    QStringList texts;
    for (int p : places)
        texts << QString::number(p);
    const QString last = texts.takeLast();
    return QStringLiteral(" Freilos für Platz ") +
           (texts.isEmpty() ? last : texts.join(QStringLiteral(", ")) + QStringLiteral(" und ") + last);
}

// Rows without a team go below every team, in their order; returns the number of team rows.
int moveEmptyRowsLast(ResultGrid& table)
{
    std::vector<int> order;
    std::vector<int> empty;
    for (int r = 1; r < table.rowCount(); ++r)
        (hasTeam(table, r) ? order : empty).push_back(r);
    const int teams = int(order.size());
    if (!empty.empty()) {
        order.insert(order.end(), empty.begin(), empty.end());
        table.reorderDataRows(order);
    }
    return teams;
}

QString leaveVorrunde(ProtocolTables& tables, const CompetitionOptions& options, const NumberFormat& format)
{
    ResultGrid& v = tables.grid(CompetitionRound::Vorrunde);

    ResultGrid* first = nullptr;
    int qualified = 0;
    const int* seeding = nullptr;
    if (options.knockoutStart == KnockoutStart::Achtelfinale) {
        first = &tables.grid(CompetitionRound::Achtelfinale);
        first->raiseRowCount(17);
        qualified = 16;
        seeding = SeedingByPlace16.data();
    } else if (options.knockoutStart == KnockoutStart::Viertelfinale) {
        first = &tables.grid(CompetitionRound::Viertelfinale);
        first->raiseRowCount(9);
        qualified = 8;
        seeding = SeedingByPlace8.data();
    }
    QString notice;
    if (first) {
        const ResultGrid before = *first;
        std::vector<bool> filled(std::size_t(qualified + 1), false);
        std::vector<bool> ranked(std::size_t(qualified + 1), false);
        for (int r = 1; r < v.rowCount(); ++r) {
            const QString place = v.cell(VorrundeColumn::Place, r);
            if (place.isEmpty() || place == mark::Void)
                continue;
            const std::optional<int> p = NumberFormat::toInteger(place);
            if (!p || *p < 1 || *p > qualified)
                continue;
            fillRoundRow(*first, before, seeding[*p - 1], place, v.cell(VorrundeColumn::Nr, r),
                         v.cell(VorrundeColumn::Mannschaft, r), v.cell(VorrundeColumn::Klasse, r),
                         v.cell(VorrundeColumn::RankingValue, r));
            filled[std::size_t(seeding[*p - 1])] = true;
            ranked[std::size_t(*p)] = true;
        }
        emptyRowsNotFilled(*first, filled);
        // place p meets place qualified + 1 - p; where that place is missing, p has a bye
        QList<int> byes;
        for (int p = 1; p <= qualified; ++p) {
            if (ranked[std::size_t(p)] && !ranked[std::size_t(qualified + 1 - p)])
                byes.append(p);
        }
        notice = byeNotice(byes);
    }

    ResultGrid& overall = tables.grid(CompetitionRound::GesamtErgebnis);
    overall.setRowCount(v.rowCount());

    std::vector<QString> numbers(static_cast<std::size_t>(v.rowCount()));
    for (int r = 1; r < v.rowCount(); ++r) {
        numbers[std::size_t(r)] = v.cell(VorrundeColumn::Nr, r);
        v.setCell(VorrundeColumn::Nr, r, QString::number(r));
    }
    v.sortColumn = columnIndex(VorrundeColumn::RankingValue);
    v.sortEnabled = true;
    sortAndNumber(v, format);
    for (int r = 1; r < v.rowCount(); ++r) {
        overall.setCell(OverallColumn::Place, r, QString::number(r));
        overall.setCell(OverallColumn::Mannschaft, r, v.cell(VorrundeColumn::Mannschaft, r));
        overall.setCell(OverallColumn::Klasse, r, v.cell(VorrundeColumn::Klasse, r));
        overall.setCell(OverallColumn::VorrundeResult, r, v.cell(VorrundeColumn::RankingValue, r));
    }
    v.sortColumn = columnIndex(VorrundeColumn::Nr);
    sortAndNumber(v, format);
    v.sortEnabled = false;
    for (int r = 1; r < v.rowCount(); ++r)
        v.setCell(VorrundeColumn::Nr, r, numbers[std::size_t(r)]);
    return notice;
}

void leaveKnockout(ProtocolTables& tables, CompetitionRound left, const CompetitionOptions& options,
                   const NumberFormat& format)
{
    ResultGrid& t = tables.grid(left);
    const int rows = t.rowCount();

    // 1. keep places and outcomes; row numbers stand in for the places while sorting
    std::vector<QString> col0(static_cast<std::size_t>(rows));
    std::vector<QString> col8(static_cast<std::size_t>(rows));
    for (int r = 1; r < rows; ++r) {
        col0[std::size_t(r)] = t.cell(KnockoutColumn::PlaceBefore, r);
        col8[std::size_t(r)] = t.cell(KnockoutColumn::Outcome, r);
        t.setCell(KnockoutColumn::PlaceBefore, r, QString::number(r));
    }

    // 2. order by outcome (and result when seeding by place)
    t.sortColumn = columnIndex(KnockoutColumn::Outcome);
    t.secondarySortColumns.clear();
    if (options.pairing == Pairing::ByPlace)
        t.secondarySortColumns = {columnIndex(KnockoutColumn::Gesamt)};
    if (left == CompetitionRound::Halbfinale)
        t.sortDirection = SortDirection::Descending;
    t.sortEnabled = true;
    sortAndNumber(t, format);
    // rows without a team (a small field's byes) take no place
    const int teams = moveEmptyRowsLast(t);

    // 3. ranks
    for (int r = 1; r < rows; ++r) {
        const int rank = left == CompetitionRound::Halbfinale && r <= 4 ? 5 - r : r;
        t.setCell(KnockoutColumn::Outcome, r, r <= teams ? QString::number(rank) : QString());
    }

    // 4. winners keep their bracket: the losers' half is ranked by result
    if (options.pairing == Pairing::WinnersKeepBracket &&
        (left == CompetitionRound::Achtelfinale || left == CompetitionRound::Viertelfinale)) {
        const int h = (rows + 1) / 2;
        const int end = teams + 1;
        ResultGrid& scratch = tables.rankingScratch();
        scratch.setRowCount(std::max(h, end - h + 1));
        for (int r = 1; r < scratch.rowCount(); ++r)
            scratch.setRowCells(r, QStringList());
        for (int r = h; r < end; ++r)
            scratch.setRowCells(r + 1 - h, t.rowCells(r));
        scratch.sortEnabled = true;
        sortTable(scratch, columnIndex(RankingScratchColumn::Gesamt), format);
        for (int r = h; r < end; ++r) {
            t.setRowCells(r, scratch.rowCells(r + 1 - h));
            t.setCell(KnockoutColumn::Outcome, r, QString::number(r));
        }
    }

    // 5. fill the next round
    if (left != CompetitionRound::Finale) {
        const CompetitionRound nextRound = roundAt(roundIndex(left) + 1);
        ResultGrid& next = tables.grid(nextRound);
        next.raiseRowCount(roundTeamCount(nextRound) + 1);
        const int handedOn = left == CompetitionRound::Achtelfinale ? 8 : 4;
        const bool byPlace = options.pairing == Pairing::ByPlace;
        // with byes some heats have no winner: winners that keep their bracket go to their
        // heat's place, so that the winner of an empty heat's neighbour runs alone
        const bool byHeat = !byPlace && teams < rows - 1;
        const ResultGrid before = next;
        std::vector<bool> filled(std::size_t(roundTeamCount(nextRound) + 1), false);
        for (int r = 1; r <= std::min(handedOn, teams); ++r) {
            if (t.cell(KnockoutColumn::Gesamt, r).isEmpty())
                continue;
            int target = r;
            if (left == CompetitionRound::Achtelfinale && byPlace)
                target = SeedingByPlace8[std::size_t(r - 1)];
            else if (left == CompetitionRound::Viertelfinale && byPlace)
                target = SeedingByPlace4[std::size_t(r - 1)];
            else if (byHeat)
                target = (t.cell(KnockoutColumn::PlaceBefore, r).toInt() + 1) / 2;
            fillRoundRow(next, before, target, t.cell(KnockoutColumn::Outcome, r),
                         t.cell(KnockoutColumn::Nr, r), t.cell(KnockoutColumn::Mannschaft, r),
                         t.cell(KnockoutColumn::Klasse, r), t.cell(KnockoutColumn::Gesamt, r));
            filled[std::size_t(target)] = true;
        }
        if (teams < rows - 1)
            emptyRowsNotFilled(next, filled);
    }

    // 6. the overall table takes this round's places
    ResultGrid& overall = tables.grid(CompetitionRound::GesamtErgebnis);
    const ResultGrid& achtel = tables.grid(CompetitionRound::Achtelfinale);
    const ResultGrid& viertel = tables.grid(CompetitionRound::Viertelfinale);
    const ResultGrid& halb = tables.grid(CompetitionRound::Halbfinale);
    const int places = roundTeamCount(left);
    for (int r = 1; r < rows; ++r) {
        const std::optional<int> p = NumberFormat::toInteger(t.cell(KnockoutColumn::Outcome, r));
        if (!p || *p < 1 || *p > places)
            continue;
        const int row = *p;
        const QString team = t.cell(KnockoutColumn::Mannschaft, r);
        overall.setCell(OverallColumn::Place, row, QString::number(row));
        overall.setCell(OverallColumn::Mannschaft, row, team);
        overall.setCell(OverallColumn::Klasse, row, t.cell(KnockoutColumn::Klasse, r));
        if (const int a = achtel.findRow(KnockoutColumn::Mannschaft, team); a > 0) {
            overall.setCell(OverallColumn::VorrundeResult, row,
                            achtel.cell(KnockoutColumn::BroughtResult, a));
            copyRun(overall, row, CompetitionRound::Achtelfinale, achtel, a);
        } else if (options.knockoutStart == KnockoutStart::Viertelfinale) {
            // The knockout began with the Viertelfinale: its "Vorrunde" column holds the team's
            // Vorrunde value, and there is no Achtelfinale run. Without this the row would keep
            // the value of whichever team stood there in Vorrunde order.
            if (const int q = viertel.findRow(KnockoutColumn::Mannschaft, team); q > 0) {
                overall.setCell(OverallColumn::VorrundeResult, row,
                                viertel.cell(KnockoutColumn::BroughtResult, q));
                overall.clearRowCells(row, knockoutTimeColumn(CompetitionRound::Achtelfinale),
                                      knockoutResultColumn(CompetitionRound::Achtelfinale));
            }
        }
        if (roundIndex(left) >= roundIndex(CompetitionRound::Viertelfinale)) {
            if (const int q = viertel.findRow(KnockoutColumn::Mannschaft, team); q > 0)
                copyRun(overall, row, CompetitionRound::Viertelfinale, viertel, q);
        }
        if (roundIndex(left) >= roundIndex(CompetitionRound::Halbfinale)) {
            for (int s = 1; s < halb.rowCount(); ++s) {
                if (halb.cell(KnockoutColumn::Mannschaft, s) != team)
                    continue;
                copyRun(overall, row, CompetitionRound::Halbfinale, halb, s);
            }
        }
        if (left == CompetitionRound::Finale)
            copyRun(overall, row, CompetitionRound::Finale, t, r);
    }

    // 7. heat order, places and outcomes back
    t.secondarySortColumns.clear();
    t.sortColumn = columnIndex(KnockoutColumn::PlaceBefore);
    t.sortDirection = SortDirection::Ascending;
    sortAndNumber(t, format);
    t.sortEnabled = false;
    for (int r = 1; r < rows; ++r) {
        t.setCell(KnockoutColumn::PlaceBefore, r, col0[std::size_t(r)]);
        t.setCell(KnockoutColumn::Outcome, r, col8[std::size_t(r)]);
    }
}

void writeOverallBest(ProtocolTables& tables, const NumberFormat& format)
{
    ResultGrid& overall = tables.grid(CompetitionRound::GesamtErgebnis);
    const ResultGrid& v = tables.grid(CompetitionRound::Vorrunde);

    QHash<QString, int> firstVorrundeRow;
    firstVorrundeRow.reserve(v.dataRowCount());
    for (int r = v.rowCount() - 1; r >= 1; --r)
        firstVorrundeRow.insert(v.cell(VorrundeColumn::Mannschaft, r), r);

    for (int r = 1; r < overall.rowCount(); ++r) {
        double best = kNoResult;
        for (OverallColumn c : kOverallResultColumns) {
            if (const std::optional<double> value = format.toNumber(overall.cell(c, r));
                value && *value < best)
                best = *value;
        }
        if (best >= kNoResult) {
            overall.setCell(OverallColumn::Place, r, QString());
            continue;
        }
        if (const auto found = firstVorrundeRow.constFind(overall.cell(OverallColumn::Mannschaft, r));
            found != firstVorrundeRow.cend()) {
            for (int lane = 1; lane <= 3; ++lane) {
                if (const std::optional<double> value =
                        format.toNumber(v.cell(laneResultColumn(lane), *found));
                    value && *value < best)
                    best = *value;
            }
        }
        overall.setCell(OverallColumn::Place, r, QString::number(r));
        overall.setCell(OverallColumn::BestResult, r, format.fixed2(best));
    }
}

} // namespace

QString buildNextRound(ProtocolTables& tables, CompetitionRound left, const CompetitionOptions& options,
                       const NumberFormat& format)
{
    const ProtocolTables::ChangeBatch batch(tables);
    QString notice;
    if (left == CompetitionRound::Vorrunde)
        notice = leaveVorrunde(tables, options, format);
    else if (isKnockoutRound(left))
        leaveKnockout(tables, left, options, format);
    writeOverallBest(tables, format);
    return notice;
}

} // namespace brv
