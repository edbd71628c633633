#include "settings/CertificateLayout.h"

#include <QRandomGenerator>
#include <QTest>

using namespace brv;

namespace {

QByteArray recordOf(const CertificateLayout& layout, int slot)
{
    return layout.bytes().mid(slot * CertificateLayout::kRecordSize, CertificateLayout::kRecordSize);
}

} // namespace

class TestCertificateLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emptyLayoutIsZero();
    void recordFields();
    void storedBlockIsByteIdentical_data();
    void storedBlockIsByteIdentical();
    void rewrittenLinesKeepTheBlock();
    void lineRoundTrip_data();
    void lineRoundTrip();
    void shortBlockFillsStart();
    void defaultLines_data();
    void defaultLines();
    void defaultsKeepStoredLines();
    void slotOutOfRange();
};

void TestCertificateLayout::emptyLayoutIsZero()
{
    const CertificateLayout layout;
    QCOMPARE(layout.bytes().size(), 9648);
    QCOMPARE(layout.bytes().count('\0'), 9648);
    QCOMPARE(layout.line(0), CertificateLine());
}

void TestCertificateLayout::recordFields()
{
    CertificateLine line;
    line.on = 1;
    line.alignment = CertificateLine::Right;
    line.left = -2;
    line.top = 0x01020304;
    line.text = QStringLiteral("Ä€");
    line.fontName = QStringLiteral("Arial");
    line.fontStyle = CertificateLine::Bold | CertificateLine::StrikeOut;
    line.fontSize = 26;
    line.fontColour = 0x00112233;

    CertificateLayout layout;
    layout.setLine(1, line);
    const QByteArray r = recordOf(layout, 1);

    QCOMPARE(r.at(0), '\x01');
    QCOMPARE(r.at(1), '\x02');
    QCOMPARE(r.mid(2, 2), QByteArray(2, '\0'));
    QCOMPARE(r.mid(4, 4), QByteArray("\xFE\xFF\xFF\xFF", 4));
    QCOMPARE(r.mid(8, 4), QByteArray("\x04\x03\x02\x01", 4));
    QCOMPARE(r.mid(12, 3), QByteArray("\x02\xC4\x80", 3));
    QCOMPARE(r.mid(268, 6), QByteArray("\x05"
                                       "Arial"));
    QCOMPARE(r.at(524), '\x09');
    QCOMPARE(r.mid(528, 4), QByteArray("\x1A\0\0\0", 4));
    QCOMPARE(r.mid(532, 4), QByteArray("\x33\x22\x11\x00", 4));
    // The neighbours are untouched.
    QCOMPARE(recordOf(layout, 0), QByteArray(536, '\0'));
    QCOMPARE(recordOf(layout, 2), QByteArray(536, '\0'));
    QCOMPARE(layout.line(1), line);
}

void TestCertificateLayout::storedBlockIsByteIdentical_data()
{
    QTest::addColumn<QByteArray>("block");

    QByteArray random(CertificateLayout::kByteSize, '\0');
    QRandomGenerator generator(1234);
    for (char& c : random)
        c = char(generator.bounded(256));
    QTest::newRow("random bytes, padding and stale text bytes included") << random;

    CertificateLayout defaults;
    defaults.fillDefaultLines();
    QTest::newRow("default layout") << defaults.bytes();

    // A text shortened in place: the length byte says 2, the old characters stay behind it.
    QByteArray stale = defaults.bytes();
    stale.replace(12, 6, QByteArray("\x02OKalt", 6));
    QTest::newRow("stale characters after a text") << stale;
}

void TestCertificateLayout::storedBlockIsByteIdentical()
{
    QFETCH(QByteArray, block);
    QCOMPARE(CertificateLayout::fromBytes(block).bytes(), block);
}

void TestCertificateLayout::rewrittenLinesKeepTheBlock()
{
    // A layout the program wrote: every line decoded and encoded again gives the same bytes.
    CertificateLayout layout;
    layout.fillDefaultLines();
    CertificateLine free = layout.line(12);
    free.text = QStringLiteral("Gestiftet vom Förderverein – 2024 €");
    free.alignment = CertificateLine::Centred;
    free.left = -15;
    layout.setLine(12, free);
    const QByteArray before = layout.bytes();

    for (int slot = 0; slot < CertificateLayout::kLineCount; ++slot)
        layout.setLine(slot, layout.line(slot));
    QCOMPARE(layout.bytes(), before);
}

void TestCertificateLayout::lineRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("german text") << QStringLiteral("Größte Übung für Jäger")
                                 << QStringLiteral("Größte Übung für Jäger");
    QTest::newRow("euro and quotes") << QStringLiteral("„10 €“") << QStringLiteral("„10 €“");
    QTest::newRow("character outside the code page") << QStringLiteral("Łaba") << QStringLiteral("?aba");
    QTest::newRow("exactly 255 characters") << QString(255, QChar(u'x')) << QString(255, QChar(u'x'));
    QTest::newRow("256 characters are cut to 255") << QString(256, QChar(u'y')) << QString(255, QChar(u'y'));
    QTest::newRow("empty") << QString() << QString();
}

void TestCertificateLayout::lineRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    CertificateLayout layout;
    CertificateLine line = CertificateLayout::defaultLine(9);
    line.text = text;
    layout.setLine(9, line);

    const CertificateLayout reread = CertificateLayout::fromBytes(layout.bytes());
    QCOMPARE(reread.line(9).text, expected);
    QCOMPARE(reread.line(9).fontName, QStringLiteral("Times New Roman"));
}

void TestCertificateLayout::shortBlockFillsStart()
{
    const QByteArray part(600, '\x07');
    const CertificateLayout layout = CertificateLayout::fromBytes(part);
    QCOMPARE(layout.bytes().size(), CertificateLayout::kByteSize);
    QCOMPARE(layout.bytes().left(600), part);
    QCOMPARE(layout.bytes().mid(600).count('\0'), CertificateLayout::kByteSize - 600);
}

void TestCertificateLayout::defaultLines_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("top");

    QTest::newRow("title line") << 0 << true << 30;
    QTest::newRow("date line, last printed by default") << 7 << true << 114;
    QTest::newRow("first free line") << 8 << false << 126;
    QTest::newRow("last free line") << 17 << false << 234;
}

void TestCertificateLayout::defaultLines()
{
    QFETCH(int, slot);
    QFETCH(bool, on);
    QFETCH(int, top);

    CertificateLayout layout;
    layout.fillDefaultLines();
    const CertificateLine line = layout.line(slot);
    QCOMPARE(line.isOn(), on);
    QCOMPARE(line.left, 30);
    QCOMPARE(line.top, top);
    QCOMPARE(line.alignment, quint8(CertificateLine::Left));
    QCOMPARE(line.fontName, QStringLiteral("Times New Roman"));
    QCOMPARE(line.fontSize, 26);
    QCOMPARE(line.fontStyle, quint8(CertificateLine::Bold));
    QCOMPARE(line.fontColour, 0xFF000008u);
    QVERIFY(certificate_colour::isSystem(line.fontColour));
    QCOMPARE(certificate_colour::systemIndex(line.fontColour), 8);
    QVERIFY(line.text.isEmpty());
}

void TestCertificateLayout::defaultsKeepStoredLines()
{
    CertificateLayout layout;
    CertificateLine stored;
    stored.on = 0;
    stored.left = 105;
    stored.top = 7;
    stored.fontName = QStringLiteral("Arial");
    layout.setLine(3, stored);

    layout.fillDefaultLines();
    QCOMPARE(layout.line(3), stored);
    QCOMPARE(layout.line(2), CertificateLayout::defaultLine(2));
    QCOMPARE(layout.line(4), CertificateLayout::defaultLine(4));
}

void TestCertificateLayout::slotOutOfRange()
{
    CertificateLayout layout;
    layout.setLine(18, CertificateLayout::defaultLine(0));
    layout.setLine(-1, CertificateLayout::defaultLine(0));
    QCOMPARE(layout, CertificateLayout());
    QCOMPARE(layout.line(18), CertificateLine());
}

QTEST_GUILESS_MAIN(TestCertificateLayout)
#include "tst_certificatelayout.moc"
