// Two starts of the program on one user account: the second hands over to the first and ends,
// leaving the first one's journal as it was.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestInstance final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondStartLeavesTheFirst();
};

void TestInstance::secondStartLeavesTheFirst()
{
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    for (const char* xdg : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        env.remove(QString::fromLatin1(xdg));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString journal =
        home.filePath(QStringLiteral(".local/share/Tempvalorhub/Wettkampf-Journal.sqlite"));
    auto bytes = [&journal] {
        QByteArray all;
        for (const QString& file :
             QStringList{journal, journal + QStringLiteral("-wal"), journal + QStringLiteral(".lock")}) {
            QFile f(file);
            all += f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("-");
        }
        return all;
    };

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(BRV_PROGRAM), {QStringLiteral(BRV_EXAMPLE_WORKBOOK)});
    QTRY_VERIFY_WITH_TIMEOUT(
        QFile::exists(journal + QStringLiteral(".lock")) && bytes().contains("Altbrunnen"), 20000);
    const QByteArray before = bytes();

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(BRV_PROGRAM), {});
    QVERIFY(second.waitForFinished(20000));
    QVERIFY(second.readAllStandardError().trimmed().endsWith("Brenvolutaris läuft bereits."));
    QCOMPARE(second.exitCode(), 0); // the first one answered: it shows its window
    QCOMPARE(bytes(), before);
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
}

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_app_instance.moc"
