#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "app/SettingsDialog.h"
#include "session/SessionFixture.h"

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

using namespace brv;

// The manual in its window: [F1], [Alt+H] and the help button of the main window open its start
// page, [F1] in the settings dialog its chapter; an installed program finds it in its data folder.
class TestAppHelp final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void opensTheManual_data();
    void opensTheManual();
};

void TestAppHelp::opensTheManual_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("installed"); // without a manual: no window
    QTest::newRow("F1") << "F1" << true;
    QTest::newRow("Alt+H") << "Alt+H" << true;
    QTest::newRow("help button") << "button" << true;
    QTest::newRow("F1 in the settings dialog") << "settings" << true;
    QTest::newRow("F1 without a manual") << "F1" << false;
}

void TestAppHelp::opensTheManual()
{
    QFETCH(QString, how);
    QFETCH(bool, installed);
    const QString page = !installed ? QString() : how == "settings" ? "vorbereiten.html" : "index.html";
    // installed: <folder>/bin/brenvolutaris, the manual in <folder>/share/brenvolutaris
    test::SessionFixture fixture;
    const QDir root(fixture.folder.path());
    QVERIFY(root.mkpath("bin") && root.mkpath("share/brenvolutaris"));
    if (!page.isEmpty())
        QVERIFY(QFile::link(BRV_MANUAL_DIR, root.filePath("share/brenvolutaris/handbuch")));
    AppEnvironment environment = fixture.environment();
    environment.programFilePath = root.filePath("bin/brenvolutaris");
    AppSession session(std::move(environment));
    session.start();
    MainWindow window(session);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* button = window.findChild<QToolButton*>(QStringLiteral("helpButton"));
    QCOMPARE(button->isEnabled(), !page.isEmpty());

    SettingsDialog* dialog = window.settingsDialog();
    if (how == "F1") {
        QTest::keyClick(&window, Qt::Key_F1);
    } else if (how == "Alt+H") {
        QTest::keyClick(&window, Qt::Key_H, Qt::AltModifier);
    } else if (how == "button") {
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        QTimer::singleShot(0, dialog, [dialog] {
            QApplication::setActiveWindow(dialog);
            if (QTest::qWaitForWindowActive(dialog))
                QTest::keyClick(dialog, Qt::Key_F1);
            dialog->reject();
        });
        dialog->exec();
    }
    HelpWindow* help = window.helpWindow();
    if (page.isEmpty()) {
        QVERIFY(!help);
        QVERIFY(session.statusMessage().startsWith(" Handbuch nicht gefunden: "));
        return;
    }
    QVERIFY(help && help->isVisible());
    // over the modal dialog the manual's window belongs to it, or the dialog would block it
    QCOMPARE(help->parentWidget(), how == "settings" ? static_cast<QWidget*>(dialog) : &window);
    const QString shown = QFileInfo(help->browser()->source().toLocalFile()).canonicalFilePath();
    QCOMPARE(shown, QDir(BRV_MANUAL_DIR).canonicalPath() + '/' + page);
    QCOMPARE(help->windowTitle(), help->browser()->documentTitle());
    QVERIFY(help->windowTitle().contains("Handbuch"));
    // the chapter is scrolled to
    QCOMPARE(help->browser()->verticalScrollBar()->value() > 0, how == "settings");
    // [Alt+Up]: the start page, also when the window began at a chapter; [Esc] closes it
    QApplication::setActiveWindow(help);
    QVERIFY(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help->browser(), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(help->browser()->source().fileName(), "index.html");
    QTest::keyClick(help->browser(), Qt::Key_Escape);
    QVERIFY(!help->isVisible());
}

QTEST_MAIN(TestAppHelp)
#include "tst_app_help.moc"
