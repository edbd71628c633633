// Whole competitions, run the way an operator runs them (teams on the lanes, times recorded,
// penalties typed, pages left), checked against a reference worked out from the rules of the
// competition in plain data structures.
#include "CompetitionFixture.h"

#include <QTest>

#include <algorithm>
#include <map>

using namespace brv;
using brv::test::makeCompetition;

namespace {

constexpr int kAusValue = 9999900; // a void run compares as 99999,00

struct Scenario
{
    int teams = 16;
    KnockoutStart knockoutStart = KnockoutStart::Achtelfinale;
    Pairing pairing = Pairing::ByPlace;
    bool three = false;
    RankingMode rankingMode = RankingMode::BestSum;
    bool marks = false; // a void Vorrunde run, a disqualified team and a void run in each knockout round
};

// Deterministic times in hundredths of a second.
int vorrundeZeit(int team, int lane)
{
    return 3000 + ((team * 37 + lane * 101) * 7919) % 6000;
}
int vorrundeFehler(int team, int lane)
{
    return (team + lane) % 3;
}
int knockoutZeit(int team, int round)
{
    return 2500 + ((team * 53 + round * 211) * 104729) % 4000;
}
int knockoutFehler(int team, int round)
{
    return (team * round) % 4;
}

QString hundredths(int h)
{
    return QStringLiteral("%1,%2").arg(h / 100).arg(h % 100, 2, 10, QLatin1Char('0'));
}

// ---- the reference, from the rules

struct VorrundeEntry
{
    int team;
    QString value; // ranking value text: a sum or time, "DIS" or empty
    int numeric;   // hundredths, or -1 when the value is not a number
    int bestRun;   // best single Gesamt in hundredths, or -1
};

struct Reference
{
    std::vector<VorrundeEntry> vorrunde; // in ranking order
    std::map<int, QString> vorrundePlace;
    // knockout tables: row -> team; results per team and round
    std::map<int, std::map<int, int>> rows;            // round -> row -> team
    std::map<int, std::map<int, QString>> marks;       // round -> row -> "+", "-", place
    std::map<int, std::map<int, QStringList>> brought; // round -> row -> place and result brought in
    std::vector<QStringList> overall;
};

// Two runs per team, slower with every start number: the places are the start numbers.
void rankByStartNumber(Competition& c, int step = 1)
{
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    for (int team = 1; team < v.rowCount(); ++team) {
        v.setCell(VorrundeColumn::Lane1Zeit, team, hundredths(3000 + team * step));
        v.setCell(VorrundeColumn::Lane2Zeit, team, hundredths(3000 + team * step));
    }
    c.recalculateRound();
}

bool isVoidRun(const Scenario& s, int team, int round)
{
    // in every knockout round but the Finale the team in row 4 gets a void run
    (void)team;
    return s.marks && round < 4;
}

} // namespace

class TestKnockout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeCompetition_data();
    void wholeCompetition();
    void unfinishedHeat();
    void seedingEdges();
    void correctionAfterTheNextRoundRan();
    void randomFillRepeatsAfterEveryStart();
    void randomFillValues_data();
    void randomFillValues();
    void fillAllPagesGivesCompleteResult_data();
    void fillAllPagesGivesCompleteResult();
    void randomGeneratorSequence_data();
    void randomGeneratorSequence();

private:
    static Reference reference(const Scenario& s, const std::map<int, std::map<int, int>>& voidRows);
};

Reference TestKnockout::reference(const Scenario& s, const std::map<int, std::map<int, int>>& voidRows)
{
    Reference ref;
    const int lanes = s.three ? 3 : 2;

    // Vorrunde: every team's runs, its ranking value and its place
    std::vector<VorrundeEntry> entries;
    for (int team = 1; team <= s.teams; ++team) {
        std::vector<int> valid;
        int voidRuns = 0;
        for (int lane = 1; lane <= lanes; ++lane) {
            if (s.marks && team == 3 && lane == 1) {
                ++voidRuns;
                continue;
            }
            valid.push_back(vorrundeZeit(team, lane) + 100 * vorrundeFehler(team, lane));
        }
        std::sort(valid.begin(), valid.end());
        VorrundeEntry e{team, QString(), -1, valid.empty() ? -1 : valid.front()};
        if (s.marks && team == 5) {
            e.value = "DIS";
            e.bestRun = -1;
        } else if (s.rankingMode == RankingMode::BestSum) {
            if (voidRuns >= (s.three ? 2 : 1))
                e.value = "DIS";
            else
                e.numeric = valid[0] + valid[1];
        } else {
            e.numeric = valid[0];
        }
        if (e.numeric >= 0)
            e.value = hundredths(e.numeric);
        entries.push_back(e);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const VorrundeEntry& a, const VorrundeEntry& b) {
        const long long x = a.numeric < 0 ? 1LL << 40 : a.numeric;
        const long long y = b.numeric < 0 ? 1LL << 40 : b.numeric;
        return x < y;
    });
    int place = 0;
    for (const VorrundeEntry& e : entries)
        ref.vorrundePlace[e.team] = e.numeric >= 0 ? QString::number(++place) : e.value;
    ref.vorrunde = entries;

    // overall table after leaving the Vorrunde: ranking order
    ref.overall.assign(std::size_t(s.teams + 1), QStringList(17, QString()));
    auto name = [](int team) { return QStringLiteral("FF Team %1").arg(team); };
    for (int r = 1; r <= s.teams; ++r) {
        const VorrundeEntry& e = entries[std::size_t(r - 1)];
        ref.overall[std::size_t(r)][0] = QString::number(r);
        ref.overall[std::size_t(r)][1] = name(e.team);
        ref.overall[std::size_t(r)][2] = "A";
        ref.overall[std::size_t(r)][3] = e.value;
    }

    // first knockout round by the seeding tables
    const std::vector<int> seed16{1, 9, 13, 5, 7, 15, 11, 3, 4, 12, 16, 8, 6, 14, 10, 2};
    const std::vector<int> seed8{1, 5, 7, 3, 4, 8, 6, 2};
    const std::vector<int> seed4{1, 3, 4, 2};
    const int firstRound = s.knockoutStart == KnockoutStart::Achtelfinale ? 1 : 2;
    for (const VorrundeEntry& e : entries) {
        const int p = ref.vorrundePlace[e.team].toInt();
        const int qualified = firstRound == 1 ? 16 : 8;
        if (p >= 1 && p <= qualified) {
            const int row = firstRound == 1 ? seed16[std::size_t(p - 1)] : seed8[std::size_t(p - 1)];
            ref.rows[firstRound][row] = e.team;
            ref.brought[firstRound][row] = {QString::number(p), e.value};
        }
    }

    std::map<int, std::map<int, QStringList>> runs; // round -> team -> Zeit, Fehler, Gesamt
    for (int round = firstRound; round <= 4; ++round) {
        const int teamsInRound = round == 1 ? 16 : (round == 2 ? 8 : 4);
        std::map<int, int>& rows = ref.rows[round];
        std::map<int, int> value; // row -> compared value
        for (auto [row, team] : rows) {
            const bool isVoid = voidRows.count(round) && voidRows.at(round).count(row);
            if (isVoid) {
                value[row] = kAusValue;
                runs[round][team] = {"AUS", "AUS", "AUS"};
            } else {
                const int z = knockoutZeit(team, round);
                const int f = knockoutFehler(team, round);
                value[row] = z + 100 * f;
                runs[round][team] = {hundredths(z), QString::number(f), hundredths(z + 100 * f)};
            }
        }
        // outcome of each heat, or the places of the Finale
        std::map<int, QString>& marks = ref.marks[round];
        for (int k = 1; k <= teamsInRound / 2; ++k) {
            const int a = value[2 * k - 1];
            const int b = value[2 * k];
            if (round == 4) {
                const int better = k == 1 ? 3 : 1;
                marks[2 * k - 1] = QString::number(a < b ? better : better + 1);
                marks[2 * k] = QString::number(a < b ? better + 1 : better);
            } else {
                marks[2 * k - 1] = a < b ? "+" : "-";
                marks[2 * k] = a < b ? "-" : "+";
            }
        }
        // ranking of the round
        std::vector<int> order;
        for (int r = 1; r <= teamsInRound; ++r)
            order.push_back(r);
        auto markKey = [&](int row) {
            const QString& m = marks[row];
            return round == 4 ? m.toInt() : (m == "+" ? 1 : 2);
        };
        const bool descending = round == 3;
        std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
            int kx = markKey(x), ky = markKey(y);
            if (kx == ky && s.pairing == Pairing::ByPlace) {
                kx = value[x];
                ky = value[y];
            }
            return descending ? kx > ky : kx < ky;
        });
        if (s.pairing == Pairing::WinnersKeepBracket && (round == 1 || round == 2)) {
            const int h = (teamsInRound + 2) / 2; // (rowCount + 1) div 2
            std::stable_sort(order.begin() + (h - 1), order.end(),
                             [&](int x, int y) { return value[x] < value[y]; });
        }
        std::vector<int> rank(order.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            rank[i] = round == 3 ? 4 - int(i) : int(i) + 1;

        // next round
        if (round < 4) {
            const int handedOn = round == 1 ? 8 : 4;
            for (int r = 1; r <= handedOn; ++r) {
                const int team = rows[order[std::size_t(r - 1)]];
                int target = r;
                if (round == 1 && s.pairing == Pairing::ByPlace)
                    target = seed8[std::size_t(r - 1)];
                else if (round == 2 && s.pairing == Pairing::ByPlace)
                    target = seed4[std::size_t(r - 1)];
                ref.rows[round + 1][target] = team;
                ref.brought[round + 1][target] = {QString::number(rank[std::size_t(r - 1)]),
                                                  runs[round][team][2]};
            }
        }
        // overall rows of this round's places
        for (std::size_t i = 0; i < order.size(); ++i) {
            const int p = rank[i];
            const int team = rows[order[i]];
            QStringList& o = ref.overall[std::size_t(p)];
            o[0] = QString::number(p);
            o[1] = name(team);
            o[2] = "A";
            if (s.knockoutStart == KnockoutStart::Achtelfinale) {
                o[3] = ref.vorrunde[0].value; // replaced below by the team's own value
                for (const VorrundeEntry& e : entries) {
                    if (e.team == team)
                        o[3] = e.value;
                }
                for (int c = 0; c < 3; ++c)
                    o[4 + c] = runs[1][team][c];
            } else {
                for (const VorrundeEntry& e : entries) {
                    if (e.team == team)
                        o[3] = e.value;
                }
                o[4] = o[5] = o[6] = QString();
            }
            if (round >= 2)
                for (int c = 0; c < 3; ++c)
                    o[7 + c] = runs[2][team][c];
            if (round >= 3)
                for (int c = 0; c < 3; ++c)
                    o[10 + c] = runs[3][team][c];
            if (round == 4)
                for (int c = 0; c < 3; ++c)
                    o[13 + c] = runs[4][team][c];
        }
    }

    // places and best results of the overall table
    for (int r = 1; r <= s.teams; ++r) {
        QStringList& o = ref.overall[std::size_t(r)];
        int best = -1;
        for (int c : {3, 6, 9, 12, 15}) {
            const QString& t = o[c];
            if (t.isEmpty() || t == "AUS" || t == "DIS")
                continue;
            const int h = t.section(',', 0, 0).toInt() * 100 + t.section(',', 1, 1).toInt();
            if (best < 0 || h < best)
                best = h;
        }
        if (best < 0) {
            o[0] = QString();
            continue;
        }
        const int team = o[1].section(' ', 2).toInt();
        for (const VorrundeEntry& e : entries) {
            if (e.team == team && e.bestRun >= 0 && e.bestRun < best)
                best = e.bestRun;
        }
        o[0] = QString::number(r);
        o[16] = hundredths(best);
    }
    return ref;
}

void TestKnockout::wholeCompetition_data()
{
    QTest::addColumn<int>("teams");
    QTest::addColumn<int>("knockoutStart");
    QTest::addColumn<int>("pairingMode");
    QTest::addColumn<bool>("three");
    QTest::addColumn<int>("rankingMode");
    QTest::addColumn<bool>("marks");
    QTest::newRow("16 teams, Achtelfinale, by place, 2 lanes, best sum")
        << 16 << 0 << 0 << false << 0 << false;
    QTest::newRow("16 teams, Viertelfinale, win+win, 3 lanes, best sum")
        << 16 << 1 << 1 << true << 0 << false;
    QTest::newRow("20 teams, Achtelfinale, win+win, 3 lanes, best time, marks")
        << 20 << 0 << 1 << true << 1 << true;
    QTest::newRow("20 teams, Achtelfinale, by place, 2 lanes, best sum, marks")
        << 20 << 0 << 0 << false << 0 << true;
    QTest::newRow("37 teams, Viertelfinale, by place, 3 lanes, best sum, marks")
        << 37 << 1 << 0 << true << 0 << true;
    QTest::newRow("37 teams, Viertelfinale, win+win, 2 lanes, best time")
        << 37 << 1 << 1 << false << 1 << false;
    QTest::newRow("37 teams, Achtelfinale, win+win, 2 lanes, best sum, marks")
        << 37 << 0 << 1 << false << 0 << true;
}

void TestKnockout::wholeCompetition()
{
    Scenario s;
    QFETCH(int, teams);
    QFETCH(int, knockoutStart);
    QFETCH(int, pairingMode);
    QFETCH(bool, three);
    QFETCH(int, rankingMode);
    QFETCH(bool, marks);
    s = {teams, KnockoutStart(knockoutStart), Pairing(pairingMode), three, RankingMode(rankingMode), marks};

    CompetitionOptions options;
    options.knockoutStart = s.knockoutStart;
    options.pairing = s.pairing;
    options.thirdLaneOn = s.three;
    options.rankingMode = s.rankingMode;
    auto c = makeCompetition(s.teams, options);
    const NumberFormat& fmt = c->numberFormat();

    // Vorrunde: times as the clock writes them, penalties typed in, "Neu auswerten"
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    const int lanes = s.three ? 3 : 2;
    for (int team = 1; team <= s.teams; ++team) {
        for (int lane = 1; lane <= lanes; ++lane) {
            c->lanes().select(lane, team - 1);
            c->recordLaneTime(lane, hundredths(vorrundeZeit(team, lane)));
            v.setCell(lanePenaltyColumn(lane), team, QString::number(vorrundeFehler(team, lane)));
        }
    }
    if (s.marks) {
        c->selectCell(VorrundeColumn::Lane1Zeit, 3);
        c->markVoid();
        c->selectCell(VorrundeColumn::Nr, 5);
        c->markDisqualified();
    }
    c->selectCell(VorrundeColumn::Nr, 1);
    c->recalculateRound();

    std::map<int, std::map<int, int>> voidRows;
    const int firstRound = s.knockoutStart == KnockoutStart::Achtelfinale ? 1 : 2;
    for (int round = firstRound; round <= 4; ++round) {
        c->changePage(roundAt(round));
        ResultGrid& k = c->grid(roundAt(round));
        const int heats = roundTeamCount(roundAt(round)) / 2;
        for (int heat = 1; heat <= heats; ++heat) {
            c->lanes().select(1, 2 * heat - 2);
            c->lanes().select(2, 2 * heat - 1);
            for (int lane = 1; lane <= 2; ++lane) {
                const int row = 2 * (heat - 1) + lane;
                const int team = k.cell(KnockoutColumn::Nr, row).toInt();
                QVERIFY2(team > 0,
                         qPrintable(QStringLiteral("round %1 row %2 has no team").arg(round).arg(row)));
                c->recordLaneTime(lane, hundredths(knockoutZeit(team, round)));
                c->selectCell(KnockoutColumn::Fehler, row);
                c->setEditText(QString::number(knockoutFehler(team, round)));
                c->editEnter();
            }
        }
        if (isVoidRun(s, 0, round)) {
            c->selectCell(KnockoutColumn::Mannschaft, 4);
            c->markVoid();
            voidRows[round][4] = 1;
        }
    }
    c->changePage(CompetitionRound::GesamtErgebnis);

    const Reference ref = reference(s, voidRows);

    // Vorrunde places, start order kept
    for (int team = 1; team <= s.teams; ++team) {
        QCOMPARE(v.cell(VorrundeColumn::Mannschaft, team), QStringLiteral("FF Team %1").arg(team));
        QCOMPARE(v.cell(VorrundeColumn::Place, team), ref.vorrundePlace.at(team));
    }
    // every knockout table: teams per row, the place they brought, outcomes
    for (int round = firstRound; round <= 4; ++round) {
        const ResultGrid& k = c->grid(roundAt(round));
        for (auto [row, team] : ref.rows.at(round)) {
            const QString where = QStringLiteral("round %1 row %2").arg(round).arg(row);
            QVERIFY2(k.cell(KnockoutColumn::Mannschaft, row) == QStringLiteral("FF Team %1").arg(team),
                     qPrintable(where + ": " + k.cell(KnockoutColumn::Mannschaft, row) + " instead of team " +
                                QString::number(team)));
            QVERIFY2(k.cell(KnockoutColumn::Outcome, row) == ref.marks.at(round).at(row),
                     qPrintable(where + ": " + k.cell(KnockoutColumn::Outcome, row)));
            const QStringList& brought = ref.brought.at(round).at(row);
            QVERIFY2(k.cell(KnockoutColumn::PlaceBefore, row) == brought[0],
                     qPrintable(where + " brought place " + k.cell(KnockoutColumn::PlaceBefore, row)));
            QVERIFY2(k.cell(KnockoutColumn::BroughtResult, row) == brought[1],
                     qPrintable(where + " brought result " + k.cell(KnockoutColumn::BroughtResult, row)));
        }
    }
    // the overall table
    const ResultGrid& overall = c->grid(CompetitionRound::GesamtErgebnis);
    QCOMPARE(overall.rowCount(), s.teams + 1);
    for (int r = 1; r <= s.teams; ++r) {
        const QStringList expected = ref.overall[std::size_t(r)];
        for (int col : {0, 1, 3, 4, 6, 9, 12, 15, 16}) {
            QVERIFY2(overall.cell(col, r) == expected[col],
                     qPrintable(QStringLiteral("overall row %1 col %2: '%3' expected '%4'")
                                    .arg(r)
                                    .arg(col)
                                    .arg(overall.cell(col, r), expected[col])));
        }
    }
    // medals for the first three, once the Finale has results
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Place, 1).medal, Medal::Gold);
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Place, 3).medal, Medal::Bronze);
    (void)fmt;
}

void TestKnockout::unfinishedHeat()
{
    CompetitionOptions options;
    auto c = makeCompetition(20, options);
    rankByStartNumber(*c, 10);
    c->changePage(CompetitionRound::Achtelfinale);
    ResultGrid& k = c->grid(CompetitionRound::Achtelfinale);
    // every heat but heat 3 (rows 5 and 6: places 4 and 13) gets a result
    for (int row = 1; row <= 16; ++row) {
        if (row == 5 || row == 6)
            continue;
        k.setCell(KnockoutColumn::Zeit, row, hundredths(3000 + row));
        k.setCell(KnockoutColumn::Fehler, row, "0");
        k.setCell(KnockoutColumn::Gesamt, row, hundredths(3000 + row));
    }
    c->recalculateRound();
    QVERIFY(k.cell(KnockoutColumn::Outcome, 5).isEmpty());
    c->changePage(CompetitionRound::Viertelfinale);

    const ResultGrid& q = c->grid(CompetitionRound::Viertelfinale);
    for (int row = 1; row <= 8; ++row) {
        QVERIFY(q.cell(KnockoutColumn::Mannschaft, row) != QStringLiteral("FF Team 4"));
        QVERIFY(q.cell(KnockoutColumn::Mannschaft, row) != QStringLiteral("FF Team 13"));
    }
    const ResultGrid& overall = c->grid(CompetitionRound::GesamtErgebnis);
    QCOMPARE(overall.cell(OverallColumn::Mannschaft, 1), QStringLiteral("FF Team 4"));
    QCOMPARE(overall.cell(OverallColumn::Mannschaft, 2), QStringLiteral("FF Team 13"));
    // places 17-20 stay in Vorrunde order
    for (int r = 17; r <= 20; ++r)
        QCOMPARE(overall.cell(OverallColumn::Mannschaft, r), QStringLiteral("FF Team %1").arg(r));
    // the heat order of the Achtelfinale is back, marks and places as before
    QCOMPARE(k.cell(KnockoutColumn::Mannschaft, 5), QStringLiteral("FF Team 4"));
    QCOMPARE(k.cell(KnockoutColumn::PlaceBefore, 5), QStringLiteral("4"));
    QVERIFY(k.cell(KnockoutColumn::Outcome, 5).isEmpty());
}

void TestKnockout::seedingEdges()
{
    // 20 teams, places = start numbers: 1 meets 16 in heat 1, 8 meets 9 in heat 2
    auto c = makeCompetition(20);
    rankByStartNumber(*c);
    c->changePage(CompetitionRound::Achtelfinale);
    const ResultGrid& k = c->grid(CompetitionRound::Achtelfinale);
    QCOMPARE(k.cell(KnockoutColumn::Nr, 1), QStringLiteral("1"));
    QCOMPARE(k.cell(KnockoutColumn::Nr, 2), QStringLiteral("16"));
    QCOMPARE(k.cell(KnockoutColumn::Nr, 3), QStringLiteral("8"));
    QCOMPARE(k.cell(KnockoutColumn::Nr, 4), QStringLiteral("9"));
    QCOMPARE(k.cell(KnockoutColumn::PlaceBefore, 4), QStringLiteral("9"));
    QCOMPARE(k.cell(KnockoutColumn::BroughtResult, 1), QStringLiteral("60,02"));

    // the Viertelfinale start: 1-8, 4-5, 2-7, 3-6; the Achtelfinale is not touched
    CompetitionOptions options;
    options.knockoutStart = KnockoutStart::Viertelfinale;
    auto q = makeCompetition(20, options);
    rankByStartNumber(*q);
    QVERIFY(!q->isPageVisible(CompetitionRound::Achtelfinale));
    q->changePage(CompetitionRound::Viertelfinale);
    const ResultGrid& vf = q->grid(CompetitionRound::Viertelfinale);
    const QStringList heats{"1", "8", "4", "5", "2", "7", "3", "6"};
    for (int row = 1; row <= 8; ++row)
        QCOMPARE(vf.cell(KnockoutColumn::Nr, row), heats[row - 1]);
    QVERIFY(q->grid(CompetitionRound::Achtelfinale).isRowBlank(1));

    // leaving the Vorrunde for the overall page also builds the first round
    auto o = makeCompetition(20);
    rankByStartNumber(*o);
    o->changePage(CompetitionRound::GesamtErgebnis);
    QCOMPARE(o->grid(CompetitionRound::Achtelfinale).cell(KnockoutColumn::Nr, 2), QStringLiteral("16"));
    QCOMPARE(o->grid(CompetitionRound::GesamtErgebnis).cell(OverallColumn::Mannschaft, 20),
             QStringLiteral("FF Team 20"));
    QCOMPARE(o->grid(CompetitionRound::GesamtErgebnis).cell(OverallColumn::BestResult, 20),
             QStringLiteral("30,20"));
}

void TestKnockout::correctionAfterTheNextRoundRan()
{
    auto c = makeCompetition(20);
    rankByStartNumber(*c);
    c->changePage(CompetitionRound::Achtelfinale);
    ResultGrid& k = c->grid(CompetitionRound::Achtelfinale);
    for (int row = 1; row <= 16; ++row) {
        k.setCell(KnockoutColumn::Zeit, row, hundredths(4000 + row));
        k.setCell(KnockoutColumn::Fehler, row, "0");
        k.setCell(KnockoutColumn::Gesamt, row, hundredths(4000 + row));
    }
    c->recalculateRound();
    c->changePage(CompetitionRound::Vorrunde);

    // team 16 (row 2 of the Achtelfinale) gets a penalty and drops to the last place; team 17 moves up
    c->selectCell(VorrundeColumn::Lane1Fehler, 16);
    c->setEditText("9");
    c->editEnter();
    const ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    QCOMPARE(v.cell(VorrundeColumn::Place, 16), QStringLiteral("20"));
    QCOMPARE(v.cell(VorrundeColumn::Place, 17), QStringLiteral("16"));
    c->changePage(CompetitionRound::Achtelfinale);

    QCOMPARE(k.cell(KnockoutColumn::Mannschaft, 2), QStringLiteral("FF Team 17"));
    for (int col = 5; col <= 8; ++col)
        QVERIFY2(k.cell(col, 2).isEmpty(), "a new team must not inherit the previous team's run");
    // every other row keeps its team and its results
    QCOMPARE(k.cell(KnockoutColumn::Mannschaft, 1), QStringLiteral("FF Team 1"));
    QCOMPARE(k.cell(KnockoutColumn::Gesamt, 1), hundredths(4001));
    QCOMPARE(k.cell(KnockoutColumn::Outcome, 1), QStringLiteral("+"));
    QCOMPARE(k.cell(KnockoutColumn::Gesamt, 16), hundredths(4016));
}

void TestKnockout::randomFillRepeatsAfterEveryStart()
{
    std::vector<QStringList> first;
    for (int start = 0; start < 2; ++start) {
        auto c = makeCompetition(24);
        c->fillAllPages();
        std::vector<QStringList> rows;
        for (CompetitionRound round : kAllRounds) {
            const ResultGrid& g = c->grid(round);
            for (int r = 0; r < g.rowCount(); ++r)
                rows.push_back(g.rowCells(r));
        }
        if (start == 0)
            first = rows;
        else
            QVERIFY(rows == first);
    }
}

void TestKnockout::randomFillValues_data()
{
    QTest::addColumn<bool>("shift");
    QTest::addColumn<bool>("three");
    QTest::newRow("plain, two lanes") << false << false;
    QTest::newRow("shift, three lanes") << true << true;
}

void TestKnockout::randomFillValues()
{
    QFETCH(bool, shift);
    QFETCH(bool, three);
    CompetitionOptions options;
    options.thirdLaneOn = three;
    auto c = makeCompetition(30, options);
    test::FixedShift shiftKey(shift);
    c->setShiftKeyState(&shiftKey);
    c->fillWithRandomResults();
    const ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    const double base = shift ? 1.0 : 10.0;
    for (int r = 1; r <= 30; ++r) {
        for (int lane = 1; lane <= 3; ++lane) {
            const QString zeit = v.cell(laneTimeColumn(lane), r);
            if (lane == 3 && !three) {
                QVERIFY(zeit.isEmpty());
                continue;
            }
            const double t = *c->numberFormat().toNumber(zeit);
            QVERIFY(t >= 4 * base && t < 12 * base);
            const int f = v.cell(lanePenaltyColumn(lane), r).toInt();
            QVERIFY(f >= 0 && f <= 11);
            QCOMPARE(v.cell(laneResultColumn(lane), r),
                     c->numberFormat().runTime(qint32(std::lround(t * 1000)) + f * 1000));
        }
        QVERIFY(!v.cell(VorrundeColumn::Place, r).isEmpty());
    }

    // a knockout row without a team stays empty
    c->changePage(CompetitionRound::Achtelfinale);
    ResultGrid& k = c->grid(CompetitionRound::Achtelfinale);
    k.setCell(KnockoutColumn::Nr, 3, QString());
    k.setCell(KnockoutColumn::Zeit, 3, QString());
    c->fillWithRandomResults();
    QVERIFY(k.cell(KnockoutColumn::Zeit, 3).isEmpty());
    const double t = *c->numberFormat().toNumber(k.cell(KnockoutColumn::Zeit, 1));
    QVERIFY(t >= 3 * base && t < 10 * base);
}

void TestKnockout::fillAllPagesGivesCompleteResult_data()
{
    QTest::addColumn<int>("teams");
    QTest::addColumn<int>("knockoutStart");
    QTest::newRow("16 teams from the Achtelfinale") << 16 << 0;
    QTest::newRow("40 teams from the Viertelfinale") << 40 << 1;
}

void TestKnockout::fillAllPagesGivesCompleteResult()
{
    QFETCH(int, teams);
    QFETCH(int, knockoutStart);
    CompetitionOptions options;
    options.knockoutStart = KnockoutStart(knockoutStart);
    auto c = makeCompetition(teams, options);
    c->fillAllPages();
    QCOMPARE(c->currentRound(), CompetitionRound::GesamtErgebnis);
    const ResultGrid& h = c->grid(CompetitionRound::Halbfinale);
    const ResultGrid& f = c->grid(CompetitionRound::Finale);
    QStringList winners, losers;
    for (int r = 1; r <= 4; ++r)
        (h.cell(KnockoutColumn::Outcome, r) == "+" ? winners : losers)
            << h.cell(KnockoutColumn::Mannschaft, r);
    QCOMPARE(winners.size(), 2);
    QVERIFY(losers.contains(f.cell(KnockoutColumn::Mannschaft, 1)) &&
            losers.contains(f.cell(KnockoutColumn::Mannschaft, 2)));
    QVERIFY(winners.contains(f.cell(KnockoutColumn::Mannschaft, 3)) &&
            winners.contains(f.cell(KnockoutColumn::Mannschaft, 4)));
    const ResultGrid& o = c->grid(CompetitionRound::GesamtErgebnis);
    for (int r = 1; r <= 4; ++r) {
        QCOMPARE(o.cell(OverallColumn::Place, r), QString::number(r));
        const int row = f.findRow(KnockoutColumn::Mannschaft, o.cell(OverallColumn::Mannschaft, r));
        QVERIFY(row > 0);
        QCOMPARE(f.cell(KnockoutColumn::Outcome, row), QString::number(r));
    }
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Place, 1).medal, Medal::Gold);
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Place, 2).medal, Medal::Silver);
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Place, 3).medal, Medal::Bronze);
    // every team has an overall place and a best result
    for (int r = 1; r <= teams; ++r) {
        QCOMPARE(o.cell(OverallColumn::Place, r), QString::number(r));
        QVERIFY(c->numberFormat().toNumber(o.cell(OverallColumn::BestResult, r)));
    }
}

void TestKnockout::randomGeneratorSequence_data()
{
    QTest::addColumn<quint32>("range");
    QTest::addColumn<QList<quint32>>("values"); // the first calls after a program start
    QTest::newRow("0 to 999") << 1000u << QList<quint32>{0, 31, 861, 202, 272, 671};
    QTest::newRow("full range") << 0xFFFFFFFFu << QList<quint32>{0, 134775813u, 3698175006u, 870078619u};
    QTest::newRow("empty range") << 0u << QList<quint32>{0, 0, 0};
}

void TestKnockout::randomGeneratorSequence()
{
    QFETCH(quint32, range);
    QFETCH(QList<quint32>, values);
    RandomGenerator random;
    for (quint32 expected : values)
        QCOMPARE(random.bounded(range), expected);
}

QTEST_GUILESS_MAIN(TestKnockout)
#include "tst_knockout.moc"
