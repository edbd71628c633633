#include "settings/CertificateLayout.h"
#include "settings/Windows1252.h"

#include <QRandomGenerator>
#include <QTest>

using namespace brv;

class TestSettingsCertificate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void codePage_data();
    void codePage();
    void everyByteSurvives();

    void recordFields();
    void storedBlockIsByteIdentical_data();
    void storedBlockIsByteIdentical();
    void lineText_data();
    void lineText();
    void defaultLines_data();
    void defaultLines();
    void defaultsKeepStoredLines();
    void slotOutOfRange();
};

void TestSettingsCertificate::codePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("decodesBack");

    QTest::newRow("plain ascii") << QStringLiteral("Bahn 1") << QByteArray("Bahn 1") << true;
    QTest::newRow("umlauts and sharp s")
        << QStringLiteral("äöüÄÖÜß") << QByteArray("\xE4\xF6\xFC\xC4\xD6\xDC\xDF") << true;
    QTest::newRow("euro sign") << QStringLiteral("5 €") << QByteArray("5 \x80") << true;
    QTest::newRow("german quotes") << QStringLiteral("„Urkunde“") << QByteArray("\x84Urkunde\x93") << true;
    QTest::newRow("dashes and ellipsis") << QStringLiteral("–—…") << QByteArray("\x96\x97\x85") << true;
    QTest::newRow("last of the high block") << QStringLiteral("Ÿ") << QByteArray("\x9F") << true;
    QTest::newRow("no-break space and y diaeresis")
        << QStringLiteral("\u00A0ÿ") << QByteArray("\xA0\xFF") << true;
    QTest::newRow("byte without character")
        << QStringLiteral("\u0081\u009D") << QByteArray("\x81\x9D") << true;
    QTest::newRow("empty") << QString() << QByteArray() << true;

    QTest::newRow("polish l with stroke") << QStringLiteral("Łódź") << QByteArray("?\xF3\x64?") << false;
    QTest::newRow("cyrillic") << QStringLiteral("Бахн") << QByteArray("????") << false;
    QTest::newRow("latin-1 control range is not latin-1 here")
        << QStringLiteral("\u0080") << QByteArray("?") << false;
    QTest::newRow("character outside the basic plane is one mark")
        << QStringLiteral("a\U0001F692b") << QByteArray("a?b") << false;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?") << false;
    QTest::newRow("lone surrogate at the end")
        << QStringLiteral("a") + QChar(0xD83D) << QByteArray("a?") << false;
}

void TestSettingsCertificate::codePage()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, decodesBack);
    QCOMPARE(windows1252::encode(text), bytes);
    if (decodesBack)
        QCOMPARE(windows1252::decode(bytes), text);
}

void TestSettingsCertificate::everyByteSurvives()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = windows1252::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(text.count(QChar(u'?')), 1); // byte 0x3F itself: no byte decodes to a replacement
    QCOMPARE(windows1252::encode(text), all);
}

void TestSettingsCertificate::recordFields()
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
    QCOMPARE(layout.bytes(), QByteArray(CertificateLayout::kByteSize, '\0'));
    layout.setLine(1, line);
    const QByteArray r = layout.bytes().mid(CertificateLayout::kRecordSize, CertificateLayout::kRecordSize);

    QCOMPARE(r.left(4), QByteArray("\x01\x02\0\0", 4));
    QCOMPARE(r.mid(4, 4), QByteArray("\xFE\xFF\xFF\xFF", 4));
    QCOMPARE(r.mid(8, 4), QByteArray("\x04\x03\x02\x01", 4));
    QCOMPARE(r.mid(12, 3), QByteArray("\x02\xC4\x80", 3));
    QCOMPARE(r.mid(268, 6), QByteArray("\x05"
                                       "Arial"));
    QCOMPARE(r.at(524), '\x09');
    QCOMPARE(r.mid(528, 4), QByteArray("\x1A\0\0\0", 4));
    QCOMPARE(r.mid(532, 4), QByteArray("\x33\x22\x11\x00", 4));
    QCOMPARE(r.count('\0'), CertificateLayout::kRecordSize - 24);
    // The neighbours are untouched.
    QCOMPARE(layout.bytes().left(CertificateLayout::kRecordSize).count('\0'), CertificateLayout::kRecordSize);
    QCOMPARE(layout.bytes().mid(2 * CertificateLayout::kRecordSize).count('\0'),
             CertificateLayout::kByteSize - 2 * CertificateLayout::kRecordSize);
    QCOMPARE(layout.line(1), line);
}

void TestSettingsCertificate::storedBlockIsByteIdentical_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("programWritten"); // every line written again gives the same bytes

    QByteArray random(CertificateLayout::kByteSize, '\0');
    QRandomGenerator generator(1234);
    for (char& c : random)
        c = char(generator.bounded(256));
    QTest::newRow("random bytes, padding and stale text bytes included") << random << false;

    CertificateLayout layout;
    layout.fillDefaultLines();
    QTest::newRow("default layout") << layout.bytes() << true;

    // A text shortened in place: the length byte says 2, the old characters stay behind it.
    QByteArray stale = layout.bytes();
    stale.replace(12, 6, QByteArray("\x02OKalt", 6));
    QTest::newRow("stale characters after a text") << stale << false;

    CertificateLine free = layout.line(12);
    free.text = QStringLiteral("Gestiftet vom Förderverein – 2024 €");
    free.alignment = CertificateLine::Centred;
    free.left = -15;
    layout.setLine(12, free);
    QTest::newRow("a free line with text") << layout.bytes() << true;
}

void TestSettingsCertificate::storedBlockIsByteIdentical()
{
    QFETCH(QByteArray, block);
    QFETCH(bool, programWritten);

    CertificateLayout layout = CertificateLayout::fromBytes(block);
    QCOMPARE(layout.bytes(), block);
    if (programWritten) {
        for (int slot = 0; slot < CertificateLayout::kLineCount; ++slot)
            layout.setLine(slot, layout.line(slot));
        QCOMPARE(layout.bytes(), block);
    }
}

void TestSettingsCertificate::lineText_data()
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

void TestSettingsCertificate::lineText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);

    CertificateLayout layout;
    CertificateLine line = CertificateLayout::defaultLine(9);
    line.text = QString(300, QChar(u'z')); // a longer text before leaves nothing behind
    layout.setLine(9, line);
    line.text = text;
    layout.setLine(9, line);

    const CertificateLayout reread = CertificateLayout::fromBytes(layout.bytes());
    QCOMPARE(reread.line(9).text, expected);
    QCOMPARE(reread.line(9).fontName, QStringLiteral("Times New Roman"));
    QCOMPARE(
        layout.bytes().mid(9 * CertificateLayout::kRecordSize + 13 + expected.size(), 255 - expected.size()),
        QByteArray(255 - expected.size(), '\0'));
}

void TestSettingsCertificate::defaultLines_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("top");

    QTest::newRow("title line") << 0 << true << 30;
    QTest::newRow("date line, last printed by default") << 7 << true << 114;
    QTest::newRow("first free line") << 8 << false << 126;
    QTest::newRow("last free line") << 17 << false << 234;
}

void TestSettingsCertificate::defaultLines()
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

void TestSettingsCertificate::defaultsKeepStoredLines()
{
    CertificateLayout layout;
    CertificateLine stored;
    stored.left = 105;
    stored.top = 7;
    stored.fontName = QStringLiteral("Arial");
    layout.setLine(3, stored);

    layout.fillDefaultLines();
    QCOMPARE(layout.line(3), stored);
    QCOMPARE(layout.line(2), CertificateLayout::defaultLine(2));
    QCOMPARE(layout.line(4), CertificateLayout::defaultLine(4));
}

void TestSettingsCertificate::slotOutOfRange()
{
    CertificateLayout layout;
    layout.setLine(CertificateLayout::kLineCount, CertificateLayout::defaultLine(0));
    layout.setLine(-1, CertificateLayout::defaultLine(0));
    QCOMPARE(layout, CertificateLayout());
    layout.fillDefaultLines();
    QCOMPARE(layout.line(CertificateLayout::kLineCount), CertificateLine());
    QCOMPARE(layout.line(-1), CertificateLine());
    QCOMPARE(layout.line(CertificateLayout::kLineCount - 1), CertificateLayout::defaultLine(17));
}

QTEST_GUILESS_MAIN(TestSettingsCertificate)
#include "tst_settings_certificate.moc"
