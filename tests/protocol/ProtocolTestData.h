#pragma once

#include "competition/Competition.h"
#include "protocol/ZipArchive.h"

#include <QFile>
#include <QList>
#include <QString>

#include <optional>

namespace brv::test {

// A competition of `teams` teams with results in every table, in German number format.
inline void fillCompetition(Competition& c, int teams)
{
    std::optional<ProtocolTables::ChangeBatch> batch; // one announcement per table, not per row
    batch.emplace(c.tables());
    ResultGrid& g1 = c.grid(CompetitionRound::Vorrunde);
    g1.setRowCount(teams + 1);
    for (int i = 1; i <= teams; ++i) {
        const QString time =
            QStringLiteral("%1,%2").arg(20 + i % 7).arg(i % 10 * 10, 2, 10, QLatin1Char('0'));
        g1.setRowCells(i, {QString::number(i), QStringLiteral("FF Dorf %1").arg(i), i % 2 ? "A" : "B", time,
                           "0", time, "21,05", "5", "26,05", i % 3 ? "19,99" : "AUS", "0", "19,99",
                           QStringLiteral("%1,00").arg(40 + i), QString::number(i)});
    }
    for (CompetitionRound round : {CompetitionRound::Achtelfinale, CompetitionRound::Viertelfinale,
                                   CompetitionRound::Halbfinale, CompetitionRound::Finale}) {
        ResultGrid& g = c.grid(round);
        for (int r = 1; r < g.rowCount(); ++r) {
            const QString outcome = round == CompetitionRound::Finale ? QString::number(5 - r)
                                    : r % 2                           ? QStringLiteral("+")
                                                                      : QStringLiteral("-");
            // the winners (odd rows, the Finale's even rows) are faster, so the outcomes follow the runs
            const bool faster = (round == CompetitionRound::Finale) != bool(r % 2);
            const QString time = faster ? QStringLiteral("20,10") : QStringLiteral("20,20");
            g.setRowCells(r, {QString::number(r), QString::number(r * 3),
                              QStringLiteral("FF %1 %2").arg(roundCaption(round)).arg(r), "K", "40,50", time,
                              "0", time, outcome});
        }
    }
    batch.reset(); // the overall table below is set by hand, not derived from the runs
    ResultGrid& g6 = c.grid(CompetitionRound::GesamtErgebnis);
    g6.setRowCount(teams + 1);
    for (int i = 1; i <= teams; ++i) {
        for (int col = 0; col < g6.columnCount(); ++col)
            g6.setCell(col, i,
                       col == 1 ? QStringLiteral("FF Gesamt %1").arg(i)
                                : QStringLiteral("%1,5").arg(i + col));
        g6.setCell(OverallColumn::Place, i, QString::number(i));
        g6.setCell(OverallColumn::Klasse, i, QStringLiteral("A"));
    }
}

// Column numbers of one table kind, as the layout and loader functions give them.
template <typename Column> QList<int> columns(std::initializer_list<Column> list)
{
    QList<int> numbers;
    for (Column c : list)
        numbers << columnIndex(c);
    return numbers;
}

// The columns holding times, results and sums, which a loaded workbook gives two decimals again.
inline QList<int> timeColumns(CompetitionRound round)
{
    using V = VorrundeColumn;
    using K = KnockoutColumn;
    using O = OverallColumn;
    if (round == CompetitionRound::Vorrunde)
        return columns<V>({V::Lane1Zeit, V::Lane1Gesamt, V::Lane2Zeit, V::Lane2Gesamt, V::Lane3Zeit,
                           V::Lane3Gesamt, V::RankingValue});
    if (round == CompetitionRound::GesamtErgebnis)
        return columns<O>({O::VorrundeResult, O::AchtelfinaleZeit, O::AchtelfinaleErgebnis,
                           O::ViertelfinaleZeit, O::ViertelfinaleErgebnis, O::HalbfinaleZeit,
                           O::HalbfinaleErgebnis, O::FinaleZeit, O::FinaleErgebnis, O::BestResult});
    return columns<K>({K::BroughtResult, K::Zeit, K::Gesamt});
}

// A competition that ran on two lanes: lane 3's columns empty.
inline void clearLane3(Competition& c)
{
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    for (int r = 1; r < v.rowCount(); ++r)
        v.clearRowCells(r, VorrundeColumn::Lane3Zeit, VorrundeColumn::Lane3Gesamt);
}

inline CompetitionOptions options(bool classShown, bool thirdLane, int knockoutStart)
{
    CompetitionOptions o;
    o.classColumnShown = classShown;
    o.thirdLaneOn = thirdLane;
    o.knockoutStart = KnockoutStart(knockoutStart);
    return o;
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One part of a workbook file as stored; empty when the file or the part is missing.
inline QByteArray zipEntry(const QString& path, const QString& part)
{
    ZipArchive zip;
    return zip.open(readFile(path), nullptr) ? zip.read(part, nullptr).value_or(QByteArray()) : QByteArray();
}

} // namespace brv::test
