#include "FileLimit.h"
#include "files/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace brv;

namespace {

// Root writes into any folder; without the power to override modes it meets them as anyone does.
void overrideModes(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    if (geteuid() != 0 || syscall(SYS_capget, &header, caps) != 0)
        return;
    const quint32 mask = 1u << CAP_DAC_OVERRIDE;
    caps[0].effective = on ? caps[0].effective | mask : caps[0].effective & ~mask;
    syscall(SYS_capset, &header, caps);
}

} // namespace

class TestFiles final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void write_data()
    {
        QTest::addColumn<QByteArray>("old"); // null: no file
        QTest::addColumn<QString>("how");    // "link", "read-only folder", "full disk"
        QTest::addColumn<QString>("error");  // empty: written

        const QString full = QStringLiteral("Die Datei wird zu groß für den Datenträger.");
        const QString written;
        QTest::newRow("new file") << QByteArray() << QString() << written;
        QTest::newRow("over a file") << QByteArray("alt") << QString() << written;
        QTest::newRow("through a symbolic link") << QByteArray("alt") << "link" << written;
        QTest::newRow("full disk") << QByteArray("alt") << "full disk" << full;
        QTest::newRow("read-only folder: in place") << QByteArray("alt") << "read-only folder" << written;
        QTest::newRow("read-only folder and full disk")
            << QByteArray("alt") << "read-only folder full disk" << full;
        QTest::newRow("read-only folder, no file") << QByteArray() << "read-only folder"
                                                   << "Keine Berechtigung";
        QTest::newRow("folder in the way") << QByteArray() << "folder"
                                           << "An der Stelle der Datei steht ein Ordner";
    }

    // The old file stays as it was unless the new content is written whole; no staging file is left.
    void write()
    {
        QFETCH(QByteArray, old);
        QFETCH(QString, how);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("datei.txt"));
        const QString path = how == "link" ? dir.filePath(QStringLiteral("verweis")) : file;
        if (how == "folder")
            QVERIFY(QDir().mkdir(file));
        if (!old.isNull()) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
            f.close();
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        }
        if (how == "link")
            QVERIFY(QFile::link(file, path));
        const auto folderMode = QFile::permissions(dir.path());
        if (how.startsWith("read-only folder"))
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));

        const QByteArray data(100, 'n');
        QString reason;
        overrideModes(false);
        bool ok = false;
        {
            test::FileSizeLimit limit(how.endsWith("full disk") ? 50 : RLIM_INFINITY);
            ok = writeFileAtomically(path, data, &reason);
        }
        overrideModes(true);
        QFile::setPermissions(dir.path(), folderMode);

        QVERIFY2(ok == error.isEmpty() && reason.startsWith(error), qPrintable(reason));
        if (QFileInfo(file).isFile() || !old.isNull()) {
            QFile f(file);
            QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), ok ? data : old);
            const auto others = QFile::ReadGroup | QFile::ReadOther;
            QCOMPARE(QFileInfo(file).permissions() & (QFile::ReadOwner | QFile::WriteOwner | others),
                     QFile::ReadOwner | QFile::WriteOwner | (old.isNull() ? others : QFile::Permissions()));
        }
        QCOMPARE(QFileInfo(path).isSymLink(), how == "link");
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                 int(QFileInfo::exists(file)) + int(how == "link"));
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
