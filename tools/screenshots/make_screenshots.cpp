// Renders what a reviewer looks at into PNG files: the main window at 1030 x 588 on each of the
// six pages of a filled 20-team competition, the two bracket pictures and a lane panel showing
// 012,34. Run by `cmake --build <build> --target screenshots`, which writes to
// <build>/screenshots/; it exits non-zero when a picture cannot be made.
#include "app/BracketSchemeDialog.h"
#include "app/MainWindow.h"
#include "competition/Competition.h"
#include "session/SessionFixture.h"
#include "timing/LaneDisplay.h"
#include "timing/LanePanel.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

using namespace brv;

namespace {

bool save(const QImage& image, const QDir& folder, const QString& name)
{
    const QString path = folder.filePath(name);
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_screenshots <output folder> <example workbook>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());
    bool ok = true;

    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    window.resize(1030, 588);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window) ||
        !window.loadProtocol(QString::fromLocal8Bit(argv[2]), true)) {
        std::fprintf(stderr, "the example competition does not load\n");
        return 1;
    }
    QTest::qWait(50);
    ok &= save(window.grab().toImage(), folder, QStringLiteral("mainwindow-0-start.png"));

    window.competition().fillAllPages();
    for (CompetitionRound round : kAllRounds) {
        if (!window.competition().isPageVisible(round))
            continue;
        window.pages()->setCurrentIndex(roundIndex(round));
        QTest::qWait(50);
        ok &=
            save(window.grab().toImage(), folder,
                 QStringLiteral("mainwindow-%1-%2.png").arg(roundIndex(round) + 1).arg(roundCaption(round)));
    }

    ok &= save(BracketSchemeDialog::bracketPicture(0), folder, QStringLiteral("bracket-nach-platz.png"));
    ok &= save(BracketSchemeDialog::bracketPicture(1), folder, QStringLiteral("bracket-win-win.png"));

    LanePanel panel(1);
    panel.resize(340, 160);
    panel.showDigits(laneDigitsFor(12340, true));
    panel.show();
    if (!QTest::qWaitForWindowExposed(&panel))
        ok = false;
    ok &= save(panel.grab().toImage(), folder, QStringLiteral("lane-panel-012,34.png"));
    return ok ? 0 : 1;
}
