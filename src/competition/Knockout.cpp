// The knockout: each heat's outcome from its runs, building the next round from the page being
// left, and the overall result as a function of all rounds.
#include "competition/Knockout.h"

#include "competition/ProtocolTables.h"
#include "competition/TableSort.h"

#include <QHash>

#include <algorithm>
#include <climits>
#include <functional>
#include <numeric>

namespace brv {

namespace {

// Place (1 = best) to row of the next table; rows 2k-1 and 2k are heat k, the better place in
// the odd row (lane 1).
constexpr std::array<int, 16> SeedingByPlace16{1, 9, 13, 5, 7, 15, 11, 3, 4, 12, 16, 8, 6, 14, 10, 2};
constexpr std::array<int, 8> SeedingByPlace8{1, 5, 7, 3, 4, 8, 6, 2};
constexpr std::array<int, 4> SeedingByPlace4{1, 3, 4, 2};

bool hasTeam(const ResultGrid& table, int row)
{
    return !table.cell(KnockoutColumn::Nr, row).trimmed().isEmpty() ||
           !table.cell(KnockoutColumn::Mannschaft, row).trimmed().isEmpty();
}

bool hasRun(const ResultGrid& table, int row)
{
    return !table.cell(KnockoutColumn::Zeit, row).trimmed().isEmpty() ||
           !table.cell(KnockoutColumn::Gesamt, row).trimmed().isEmpty();
}

bool hasAnyTeam(const ResultGrid& table)
{
    for (int r = 1; r < table.rowCount(); ++r) {
        if (hasTeam(table, r))
            return true;
    }
    return false;
}

// A team is the same team in every table by its start number and its name.
QString teamKey(const QString& nr, const QString& name)
{
    return nr.trimmed() + QChar(0x1f) + name.trimmed();
}

QString knockoutKey(const ResultGrid& table, int row)
{
    return teamKey(table.cell(KnockoutColumn::Nr, row), table.cell(KnockoutColumn::Mannschaft, row));
}

int heatCount(CompetitionRound round)
{
    return roundTeamCount(round) / 2;
}

// The row a team meets in its heat.
int opponentRow(int row)
{
    return row % 2 ? row + 1 : row - 1;
}

// The teams of a knockout round by outcome, each list in the order of places.
struct RoundOutcome
{
    std::vector<int> winners;
    std::vector<int> open; // in heat order
    std::vector<int> losers;
};

// Winners and losers "nach Platz" by their results (the Halbfinale's ties the other way round,
// as its places are counted from the last); "Win+Win" keeps the winners in heat order (the
// Halbfinale's from the last heat) and ranks the losers of the Achtel- and Viertelfinale by
// result, those of the Halbfinale from the last heat.
RoundOutcome roundOutcome(const ResultGrid& table, CompetitionRound round, Pairing pairing,
                          const NumberFormat& format)
{
    RoundOutcome outcome;
    for (int heat = 1; heat <= heatCount(round); ++heat) {
        const std::optional<int> winner = heatWinner(table, heat, format);
        for (int row : {2 * heat - 1, 2 * heat}) {
            if (!hasTeam(table, row))
                continue;
            (!winner ? outcome.open : *winner == row ? outcome.winners : outcome.losers).push_back(row);
        }
    }
    const bool halbfinale = round == CompetitionRound::Halbfinale;
    auto byResult = [&](std::vector<int>& rows) {
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            const int c = compareResultText(table.cell(KnockoutColumn::Gesamt, a),
                                            table.cell(KnockoutColumn::Gesamt, b), format);
            return c != 0 ? c < 0 : (halbfinale ? a > b : a < b);
        });
    };
    if (pairing == Pairing::ByPlace) {
        byResult(outcome.winners);
        byResult(outcome.losers);
    } else if (halbfinale) {
        std::reverse(outcome.winners.begin(), outcome.winners.end());
        std::reverse(outcome.losers.begin(), outcome.losers.end());
    } else {
        byResult(outcome.losers);
    }
    return outcome;
}

// What a row of a round being built receives.
struct Seat
{
    QString place;
    QString nr;
    QString team;
    QString cls;
    QString brought;
};

// Fills a round: seat r (absent: the row stays empty) goes into row r. Every team takes its own
// run along from wherever it stood in this table before, and each heat is decided anew.
void seatTeams(ResultGrid& table, CompetitionRound round, const std::vector<std::optional<Seat>>& seats,
               const NumberFormat& format)
{
    QHash<QString, QStringList> runs;
    for (int r = 1; r < table.rowCount(); ++r) {
        const QString key = knockoutKey(table, r);
        if (hasTeam(table, r) && !runs.contains(key))
            runs.insert(key, {table.cell(KnockoutColumn::Zeit, r), table.cell(KnockoutColumn::Fehler, r),
                              table.cell(KnockoutColumn::Gesamt, r)});
    }
    for (int r = 1; r < table.rowCount(); ++r) {
        const std::optional<Seat>& seat = r < int(seats.size()) ? seats[std::size_t(r)] : std::nullopt;
        if (!seat) {
            table.setRowCells(r, {});
            continue;
        }
        const QStringList run = runs.value(teamKey(seat->nr, seat->team));
        table.setRowCells(r, {seat->place, seat->nr, seat->team, seat->cls, seat->brought, run.value(0),
                              run.value(1), run.value(2), QString()});
    }
    decideHeats(table, round, format);
}

std::optional<CompetitionRound> firstKnockoutRound(const CompetitionOptions& options)
{
    if (options.knockoutStart == KnockoutStart::Achtelfinale)
        return CompetitionRound::Achtelfinale;
    if (options.knockoutStart == KnockoutStart::Viertelfinale)
        return CompetitionRound::Viertelfinale;
    return std::nullopt;
}

// The first knockout round from the Vorrunde places.
QList<int> fillFirstRound(ProtocolTables& tables, CompetitionRound first, const NumberFormat& format)
{
    const ResultGrid& v = tables.grid(CompetitionRound::Vorrunde);
    ResultGrid& table = tables.grid(first);
    const int qualified = roundTeamCount(first);
    const int* seeding =
        first == CompetitionRound::Achtelfinale ? SeedingByPlace16.data() : SeedingByPlace8.data();
    table.raiseRowCount(qualified + 1);

    std::vector<std::optional<Seat>> seats(std::size_t(table.rowCount()));
    std::vector<bool> ranked(std::size_t(qualified + 1), false);
    for (int r = 1; r < v.rowCount(); ++r) {
        const QString place = v.cell(VorrundeColumn::Place, r);
        const std::optional<int> p = NumberFormat::toInteger(place);
        if (!p || *p < 1 || *p > qualified)
            continue; // "DIS" and blank places qualify nobody
        seats[std::size_t(seeding[*p - 1])] =
            Seat{place, v.cell(VorrundeColumn::Nr, r), v.cell(VorrundeColumn::Mannschaft, r),
                 v.cell(VorrundeColumn::Klasse, r), v.cell(VorrundeColumn::RankingValue, r)};
        ranked[std::size_t(*p)] = true;
    }
    seatTeams(table, first, seats, format);

    // place p meets place qualified + 1 - p; where that place is missing, p has a bye
    QList<int> byes;
    for (int p = 1; p <= qualified; ++p) {
        if (ranked[std::size_t(p)] && !ranked[std::size_t(qualified + 1 - p)])
            byes.append(p);
    }
    return byes;
}

// The round after a knockout round (not the Finale) from its winners, and from its losers for
// the match for third place.
void fillNextRound(ProtocolTables& tables, CompetitionRound left, const CompetitionOptions& options,
                   const NumberFormat& format)
{
    const ResultGrid& table = tables.grid(left);
    const CompetitionRound nextRound = roundAt(roundIndex(left) + 1);
    ResultGrid& next = tables.grid(nextRound);
    next.raiseRowCount(roundTeamCount(nextRound) + 1);

    const RoundOutcome outcome = roundOutcome(table, left, options.pairing, format);
    auto seatOf = [&table](int row, int rank) {
        return Seat{QString::number(rank), table.cell(KnockoutColumn::Nr, row),
                    table.cell(KnockoutColumn::Mannschaft, row), table.cell(KnockoutColumn::Klasse, row),
                    table.cell(KnockoutColumn::Gesamt, row)};
    };
    std::vector<std::optional<Seat>> seats(std::size_t(next.rowCount()));
    const int winners = int(outcome.winners.size());
    if (nextRound == CompetitionRound::Finale) {
        // the winners meet in rows 3-4, the losers in the match for third place in rows 1-2; the
        // better place of each pair runs on lane 2
        for (int i = 0; i < std::min(winners, 2); ++i)
            seats[std::size_t(4 - i)] = seatOf(outcome.winners[std::size_t(i)], i + 1);
        for (int i = 0; i < std::min(int(outcome.losers.size()), 2); ++i)
            seats[std::size_t(2 - i)] = seatOf(outcome.losers[std::size_t(i)], winners + i + 1);
    } else if (options.pairing == Pairing::ByPlace) {
        const bool fromAchtel = left == CompetitionRound::Achtelfinale;
        const int* seeding = fromAchtel ? SeedingByPlace8.data() : SeedingByPlace4.data();
        for (int i = 0; i < std::min(winners, fromAchtel ? 8 : 4); ++i)
            seats[std::size_t(seeding[i])] = seatOf(outcome.winners[std::size_t(i)], i + 1);
    } else {
        // the winners of heats 1 and 2 meet, those of heats 3 and 4, ...
        for (int i = 0; i < winners; ++i) {
            const int row = outcome.winners[std::size_t(i)];
            seats[std::size_t((row + 1) / 2)] = seatOf(row, i + 1);
        }
    }
    seatTeams(next, nextRound, seats, format);
}

// The teams of a round put on top of the overall order: the Finale by its places, every other
// round by outcome; teams of an open heat keep their order from before.
std::vector<int> roundBlock(const ResultGrid& table, CompetitionRound round,
                            const CompetitionOptions& options, const NumberFormat& format,
                            const std::vector<int>& position, const std::function<int(int)>& vorrundeRowOf)
{
    auto byPosition = [&](std::vector<int>& rows) {
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            const int pa = vorrundeRowOf(a);
            const int pb = vorrundeRowOf(b);
            return (pa > 0 ? position[std::size_t(pa)] : INT_MAX) <
                   (pb > 0 ? position[std::size_t(pb)] : INT_MAX);
        });
    };
    std::vector<int> rows;
    if (round == CompetitionRound::Finale) {
        for (int match : {2, 1}) { // rows 3-4 play for places 1 and 2
            std::vector<int> pair;
            for (int row : {2 * match - 1, 2 * match})
                if (hasTeam(table, row))
                    pair.push_back(row);
            if (const std::optional<int> winner = heatWinner(table, match, format)) {
                std::stable_partition(pair.begin(), pair.end(), [&](int row) { return row == *winner; });
            } else {
                byPosition(pair);
            }
            rows.insert(rows.end(), pair.begin(), pair.end());
        }
        return rows;
    }
    RoundOutcome outcome = roundOutcome(table, round, options.pairing, format);
    byPosition(outcome.open);
    rows = std::move(outcome.winners);
    rows.insert(rows.end(), outcome.open.begin(), outcome.open.end());
    rows.insert(rows.end(), outcome.losers.begin(), outcome.losers.end());
    return rows;
}

} // namespace

std::vector<CompetitionRound> knockoutRoundsInPlay(const CompetitionOptions& options)
{
    std::vector<CompetitionRound> rounds;
    const std::optional<CompetitionRound> first = firstKnockoutRound(options);
    if (!first)
        return rounds;
    for (int i = roundIndex(*first); i <= roundIndex(CompetitionRound::Finale); ++i)
        rounds.push_back(roundAt(i));
    return rounds;
}

std::optional<int> heatWinner(const ResultGrid& table, int heat, const NumberFormat& format)
{
    const int first = 2 * heat - 1;
    const int second = 2 * heat;
    const bool firstTeam = hasTeam(table, first);
    const bool secondTeam = hasTeam(table, second);
    if (firstTeam != secondTeam) {
        const int alone = firstTeam ? first : second;
        if (table.cell(KnockoutColumn::Gesamt, alone).trimmed().isEmpty())
            return std::nullopt;
        return alone;
    }
    if (!firstTeam)
        return std::nullopt;
    const QString& a = table.cell(KnockoutColumn::Gesamt, first);
    const QString& b = table.cell(KnockoutColumn::Gesamt, second);
    if (a.trimmed().isEmpty() || b.trimmed().isEmpty())
        return std::nullopt;
    const double x = format.numberOr(a, kNoResult);
    const double y = format.numberOr(b, kNoResult);
    if (x <= 0 || y <= 0)
        return std::nullopt;
    return x < y ? first : second;
}

void decideHeats(ResultGrid& table, CompetitionRound round, const NumberFormat& format)
{
    const bool finale = round == CompetitionRound::Finale;
    for (int heat = 1; heat <= heatCount(round); ++heat) {
        const std::optional<int> winner = heatWinner(table, heat, format);
        for (int row : {2 * heat - 1, 2 * heat}) {
            QString outcome;
            if (winner && hasTeam(table, row)) {
                const bool won = row == *winner;
                if (finale) {
                    const int better = heat == 1 ? 3 : 1;
                    outcome = QString::number(won ? better : better + 1);
                } else {
                    outcome = QString(won ? mark::Won : mark::Lost);
                }
            }
            table.setCell(KnockoutColumn::Outcome, row, outcome);
        }
    }
}

std::vector<int> openHeats(const ResultGrid& table, CompetitionRound round, const NumberFormat& format)
{
    std::vector<int> heats;
    for (int heat = 1; heat <= heatCount(round); ++heat) {
        if ((hasTeam(table, 2 * heat - 1) || hasTeam(table, 2 * heat)) && !heatWinner(table, heat, format))
            heats.push_back(heat);
    }
    return heats;
}

QList<int> buildNextRound(ProtocolTables& tables, CompetitionRound left, const CompetitionOptions& options,
                          const NumberFormat& format)
{
    const ProtocolTables::ChangeBatch batch(tables);
    QList<int> byes;
    CompetitionRound built = left;
    if (left == CompetitionRound::Vorrunde) {
        const std::optional<CompetitionRound> first = firstKnockoutRound(options);
        if (!first)
            return {};
        byes = fillFirstRound(tables, *first, format);
        built = *first;
    } else if (isKnockoutRound(left) && left != CompetitionRound::Finale) {
        fillNextRound(tables, left, options, format);
        built = roundAt(roundIndex(left) + 1);
    } else {
        return {};
    }
    // rounds already built follow the one before them
    while (built != CompetitionRound::Finale && hasAnyTeam(tables.grid(roundAt(roundIndex(built) + 1)))) {
        fillNextRound(tables, built, options, format);
        built = roundAt(roundIndex(built) + 1);
    }
    return byes;
}

void writeOverallTable(ProtocolTables& tables, const CompetitionOptions& options, const NumberFormat& format)
{
    const ResultGrid& v = tables.grid(CompetitionRound::Vorrunde);
    ResultGrid& overall = tables.grid(CompetitionRound::GesamtErgebnis);
    const int rows = v.rowCount();

    // each team's Vorrunde row, found by start number and name, or by its name alone
    QHash<QString, int> byKey;
    QHash<QString, int> byName;
    for (int r = rows - 1; r >= 1; --r) {
        if (v.cell(VorrundeColumn::Nr, r).trimmed().isEmpty() &&
            v.cell(VorrundeColumn::Mannschaft, r).trimmed().isEmpty())
            continue;
        byKey.insert(teamKey(v.cell(VorrundeColumn::Nr, r), v.cell(VorrundeColumn::Mannschaft, r)), r);
        byName.insert(v.cell(VorrundeColumn::Mannschaft, r).trimmed(), r);
    }

    // the Vorrunde order: ranking values, numbers first, equal values and the rest in start order
    std::vector<int> order(std::size_t(rows - 1));
    std::iota(order.begin(), order.end(), 1);
    std::vector<double> rankingValue(std::size_t(rows), 0.0);
    for (int r = 1; r < rows; ++r)
        rankingValue[std::size_t(r)] = resultValue(v.cell(VorrundeColumn::RankingValue, r), format);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return compareResultValues(rankingValue[std::size_t(a)], rankingValue[std::size_t(b)]) < 0;
    });
    std::vector<int> position(std::size_t(rows), 0);
    auto placeOrder = [&] {
        for (std::size_t i = 0; i < order.size(); ++i)
            position[std::size_t(order[i])] = int(i);
    };
    placeOrder();

    const std::vector<CompetitionRound> rounds = knockoutRoundsInPlay(options);
    // per round in play: the knockout row of each Vorrunde row (0: not in the round)
    std::array<std::vector<int>, kRoundCount> rowIn;
    for (CompetitionRound round : rounds) {
        const ResultGrid& table = tables.grid(round);
        std::vector<int>& in = rowIn[std::size_t(roundIndex(round))];
        in.assign(std::size_t(rows), 0);
        std::vector<int> vorrundeRow(std::size_t(table.rowCount()), 0);
        for (int r = 1; r < table.rowCount(); ++r) {
            if (!hasTeam(table, r))
                continue;
            int vr = byKey.value(knockoutKey(table, r), 0);
            if (vr == 0)
                vr = byName.value(table.cell(KnockoutColumn::Mannschaft, r).trimmed(), 0);
            if (vr > 0 && in[std::size_t(vr)] == 0) {
                in[std::size_t(vr)] = r;
                vorrundeRow[std::size_t(r)] = vr;
            }
        }
        const std::vector<int> block =
            roundBlock(table, round, options, format, position,
                       [&vorrundeRow](int r) { return vorrundeRow[std::size_t(r)]; });
        std::vector<int> next;
        next.reserve(order.size());
        std::vector<bool> taken(std::size_t(rows), false);
        for (int r : block) {
            const int vr = vorrundeRow[std::size_t(r)];
            if (vr > 0 && !taken[std::size_t(vr)]) {
                next.push_back(vr);
                taken[std::size_t(vr)] = true;
            }
        }
        for (int vr : order) {
            if (!taken[std::size_t(vr)])
                next.push_back(vr);
        }
        order = std::move(next);
        placeOrder();
    }

    const ProtocolTables::ChangeBatch batch(tables);
    overall.setRowCount(rows);
    int placed = 0;
    for (int i = 0; i < int(order.size()); ++i) {
        const int vr = order[std::size_t(i)];
        QStringList cells(kOverallColumnCount);
        cells[columnIndex(OverallColumn::Mannschaft)] = v.cell(VorrundeColumn::Mannschaft, vr);
        cells[columnIndex(OverallColumn::Klasse)] = v.cell(VorrundeColumn::Klasse, vr);
        cells[columnIndex(OverallColumn::VorrundeResult)] = v.cell(VorrundeColumn::RankingValue, vr);
        for (CompetitionRound round : rounds) {
            const int r = rowIn[std::size_t(roundIndex(round))][std::size_t(vr)];
            if (r == 0)
                continue;
            const ResultGrid& table = tables.grid(round);
            cells[columnIndex(knockoutTimeColumn(round))] = table.cell(KnockoutColumn::Zeit, r);
            cells[columnIndex(knockoutPenaltyColumn(round))] = table.cell(KnockoutColumn::Fehler, r);
            cells[columnIndex(knockoutResultColumn(round))] = table.cell(KnockoutColumn::Gesamt, r);
        }
        // a team without any result has no place and no best result
        double best = kNoResult;
        for (OverallColumn c : kOverallResultColumns) {
            if (const std::optional<double> value = format.toNumber(cells[columnIndex(c)]);
                value && *value < best)
                best = *value;
        }
        if (best < kNoResult) {
            for (int lane = 1; lane <= 3; ++lane) {
                if (const std::optional<double> value = format.toNumber(v.cell(laneResultColumn(lane), vr));
                    value && *value < best)
                    best = *value;
            }
            cells[columnIndex(OverallColumn::Place)] = QString::number(++placed);
            cells[columnIndex(OverallColumn::BestResult)] = format.fixed2(best);
        }
        overall.setRowCells(i + 1, cells);
    }
}

void compareRebuiltRound(const ResultGrid& before, const ResultGrid& after, QStringList& dropped,
                         QStringList& newOpponent)
{
    QHash<QString, int> rowAfter;
    for (int r = after.rowCount() - 1; r >= 1; --r) {
        if (hasTeam(after, r))
            rowAfter.insert(knockoutKey(after, r), r);
    }
    auto opponentKey = [](const ResultGrid& table, int row) {
        const int other = opponentRow(row);
        return hasTeam(table, other) ? knockoutKey(table, other) : QString();
    };
    for (int r = 1; r < before.rowCount(); ++r) {
        if (!hasTeam(before, r) || !hasRun(before, r))
            continue;
        const QString name = before.cell(KnockoutColumn::Mannschaft, r).trimmed();
        const int now = rowAfter.value(knockoutKey(before, r), 0);
        if (now == 0) {
            if (!dropped.contains(name))
                dropped << name;
        } else if (opponentKey(before, r) != opponentKey(after, now) && !newOpponent.contains(name)) {
            newOpponent << name;
        }
    }
}

} // namespace brv
