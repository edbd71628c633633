// Renders what a reviewer looks at into PNG files under the build folder (screenshots/):
// the main window at 1030 x 588 on each of the six pages of a filled 20-team competition, the
// two bracket pictures and a lane panel showing 012,34.
#include "app/BracketSchemeDialog.h"
#include "app/MainWindow.h"
#include "competition/Competition.h"
#include "session/SessionFixture.h"
#include "timing/LaneDisplay.h"
#include "timing/LanePanel.h"

#include <QDir>
#include <QTabWidget>
#include <QTest>

using namespace brv;

class TestScreenshots : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void renderPictures();

private:
    static QString outputFolder();
    static void save(const QImage& image, const QString& name);
};

QString TestScreenshots::outputFolder()
{
    const QString folder = QStringLiteral(BRV_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    return folder;
}

void TestScreenshots::save(const QImage& image, const QString& name)
{
    QVERIFY(!image.isNull());
    const QString path = QDir(outputFolder()).filePath(name);
    QVERIFY2(image.save(path), qPrintable(path));
}

void TestScreenshots::renderPictures()
{
    test::SessionFixture fixture;
    MainWindow window(fixture.newSession());
    window.resize(1030, 588);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK), true));
    QCOMPARE(window.competition().grid(CompetitionRound::Vorrunde).dataRowCount(), 20);
    QTest::qWait(50);
    save(window.grab().toImage(), QStringLiteral("mainwindow-0-start.png"));

    window.competition().fillAllPages();
    for (CompetitionRound round : kAllRounds) {
        if (!window.competition().isPageVisible(round))
            continue;
        window.pages()->setCurrentIndex(roundIndex(round));
        QTest::qWait(50);
        save(window.grab().toImage(),
             QStringLiteral("mainwindow-%1-%2.png").arg(roundIndex(round) + 1).arg(roundCaption(round)));
    }

    save(BracketSchemeDialog::bracketPicture(0), QStringLiteral("bracket-nach-platz.png"));
    save(BracketSchemeDialog::bracketPicture(1), QStringLiteral("bracket-win-win.png"));

    LanePanel panel(1);
    panel.resize(340, 160);
    panel.showDigits(laneDigitsFor(12340, true));
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    save(panel.grab().toImage(), QStringLiteral("lane-panel-012,34.png"));
}

QTEST_MAIN(TestScreenshots)
#include "tst_app_screenshots.moc"
