// Recalculation of a 1000-team Vorrunde on three lanes, and the fill of every page for 1000
// teams. Prints recalc_1000_ms and fill_all_1000_ms (medians), in the order asked for on the
// command line: "recalc", "fill" (default: both, fill last). A number on the command line sets
// the samples of each (default: 51 recalculations, 21 fills).
#include "competition/Competition.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace brv;

namespace {

std::unique_ptr<Competition> makeCompetition(int teams)
{
    auto c = std::make_unique<Competition>(NumberFormat(QLatin1Char(',')));
    CompetitionOptions options;
    options.thirdLaneOn = true;
    c->setOptions(options);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setRowCount(teams + 1);
    for (int r = 1; r <= teams; ++r) {
        v.setCell(VorrundeColumn::Nr, r, QString::number(r));
        v.setCell(VorrundeColumn::Mannschaft, r, QStringLiteral("FF Team %1").arg(r));
        v.setCell(VorrundeColumn::Klasse, r, QStringLiteral("A"));
    }
    c->enterRound(CompetitionRound::Vorrunde);
    return c;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double recalcMedian(int samplesWanted)
{
    auto c = makeCompetition(1000);
    c->fillWithRandomResults(); // times on all three lanes
    std::vector<double> samples;
    for (int i = 0; i < samplesWanted; ++i) {
        QElapsedTimer timer;
        timer.start();
        c->recalculateRound();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(samples);
}

double fillMedian(int samplesWanted)
{
    std::vector<double> samples;
    for (int i = 0; i < samplesWanted; ++i) {
        auto c = makeCompetition(1000);
        QElapsedTimer timer;
        timer.start();
        c->fillAllPages();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(samples);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList which;
    int samples = 0;
    for (const QString& arg : app.arguments().mid(1)) {
        bool number = false;
        const int n = arg.toInt(&number);
        if (number)
            samples = std::max(1, n);
        else
            which.append(arg);
    }
    if (which.isEmpty())
        which = {QStringLiteral("recalc"), QStringLiteral("fill")};
    for (const QString& name : which) {
        if (name == QLatin1String("recalc"))
            std::printf("recalc_1000_ms=%.3f\n", recalcMedian(samples > 0 ? samples : 51));
        else if (name == QLatin1String("fill"))
            std::printf("fill_all_1000_ms=%.3f\n", fillMedian(samples > 0 ? samples : 21));
    }
    return 0;
}
