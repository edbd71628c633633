#include "live/LiveState.h"

#include "competition/Competition.h"
#include "protocol/ProtocolLayout.h"
#include "timing/RaceClock.h"
#include "timing/RaceTime.h"

#include <QJsonArray>

namespace brv {
namespace {

QString runStateName(RunState state)
{
    switch (state) {
    case RunState::Running:
        return QStringLiteral("running");
    case RunState::Finishing:
        return QStringLiteral("finishing");
    case RunState::Finished:
        return QStringLiteral("finished");
    case RunState::Idle:
        break;
    }
    return QStringLiteral("idle");
}

QJsonObject laneJson(const Competition& competition, const RaceClock& clock, int lane, quint32 now)
{
    // a lane entry is the start number right-aligned in three places, a blank and the name
    const QString entry = competition.laneTeam(lane).trimmed();
    const qsizetype blank = entry.indexOf(QLatin1Char(' '));
    QJsonObject json{{QStringLiteral("lane"), lane},
                     {QStringLiteral("nr"), blank < 0 ? entry : entry.left(blank)},
                     {QStringLiteral("team"), blank < 0 ? QString() : entry.mid(blank + 1).trimmed()}};
    const LaneControls& controls = clock.controls().lane(lane);
    if (controls.armed) {
        json.insert(QStringLiteral("state"), QStringLiteral("running"));
        json.insert(QStringLiteral("elapsedMs"), qMax(0, RaceTime(controls.startTick, now)));
    } else if (controls.startTick != 0) {
        // a lane keeps its start tick from its stop until the reset
        const qint32 ms = clock.laneMilliseconds(lane);
        json.insert(QStringLiteral("state"), QStringLiteral("stopped"));
        json.insert(QStringLiteral("ms"), ms);
        json.insert(QStringLiteral("time"), competition.numberFormat().runTime(ms));
    } else {
        json.insert(QStringLiteral("state"), QStringLiteral("ready"));
    }
    return json;
}

} // namespace

QJsonObject liveTables(const Competition& competition, const QString& title, RoundSet rounds)
{
    QJsonArray roundsJson;
    for (CompetitionRound round : kAllRounds) {
        if (!rounds.test(std::size_t(roundIndex(round))) || !competition.isPageVisible(round))
            continue;
        const ResultGrid& grid = competition.grid(round);
        const std::vector<int> columns = shownColumns(round, competition.options());
        auto cells = [&grid, &columns](int row) {
            QJsonArray texts;
            for (int col : columns)
                texts.append(grid.cell(col, row).trimmed());
            return texts;
        };
        QJsonArray rows;
        for (int row = 1; row < grid.rowCount(); ++row) {
            if (!grid.isRowBlank(row))
                rows.append(cells(row));
        }
        roundsJson.append(QJsonObject{{QStringLiteral("index"), roundIndex(round)},
                                      {QStringLiteral("name"), competition.tables().pageCaption(round)},
                                      {QStringLiteral("columns"), cells(0)},
                                      {QStringLiteral("rows"), rows}});
    }
    return {{QStringLiteral("type"), QStringLiteral("tables")},
            {QStringLiteral("title"), title},
            {QStringLiteral("current"), roundIndex(competition.currentRound())},
            {QStringLiteral("rounds"), roundsJson}};
}

QJsonObject liveHeat(const Competition& competition, const RaceClock& clock,
                     const std::optional<BestResult>& best, quint32 now, int heat)
{
    QJsonArray lanes;
    if (competition.laneAreaVisible()) {
        for (int lane = 1; lane <= 3; ++lane) {
            if (competition.laneActive(lane))
                lanes.append(laneJson(competition, clock, lane, now));
        }
    }
    QJsonValue bestJson = QJsonValue::Null;
    if (best)
        bestJson =
            QJsonObject{{QStringLiteral("ms"), best->milliseconds},
                        {QStringLiteral("time"), competition.numberFormat().runTime(best->milliseconds)},
                        {QStringLiteral("team"), best->team}};
    const CompetitionRound round = competition.currentRound();
    return {{QStringLiteral("type"), QStringLiteral("heat")},
            {QStringLiteral("heat"), heat},
            {QStringLiteral("round"), roundIndex(round)},
            {QStringLiteral("roundName"), competition.tables().pageCaption(round)},
            {QStringLiteral("state"), runStateName(clock.runState())},
            {QStringLiteral("decimalSeparator"), QString(competition.numberFormat().decimalSeparator())},
            {QStringLiteral("lanes"), lanes},
            {QStringLiteral("best"), bestJson}};
}

} // namespace brv
