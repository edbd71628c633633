#include "settings/Windows1252.h"

#include <QTest>

using namespace brv;

class TestWindows1252 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void unmappable_data();
    void unmappable();
    void everyByteSurvives();
};

void TestWindows1252::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("plain ascii") << QStringLiteral("Bahn 1") << QByteArray("Bahn 1");
    QTest::newRow("umlauts and sharp s")
        << QStringLiteral("äöüÄÖÜß") << QByteArray("\xE4\xF6\xFC\xC4\xD6\xDC\xDF");
    QTest::newRow("euro sign") << QStringLiteral("5 €") << QByteArray("5 \x80");
    QTest::newRow("german quotes") << QStringLiteral("„Urkunde“") << QByteArray("\x84Urkunde\x93");
    QTest::newRow("dashes and ellipsis") << QStringLiteral("–—…") << QByteArray("\x96\x97\x85");
    QTest::newRow("last of the high block") << QStringLiteral("Ÿ") << QByteArray("\x9F");
    QTest::newRow("no-break space and y diaeresis") << QStringLiteral("\u00A0ÿ") << QByteArray("\xA0\xFF");
    QTest::newRow("byte without character") << QStringLiteral("\u0081\u009D") << QByteArray("\x81\x9D");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestWindows1252::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(windows1252::encode(text), bytes);
    QCOMPARE(windows1252::decode(bytes), text);
}

void TestWindows1252::unmappable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("polish l with stroke") << QStringLiteral("Łódź") << QByteArray("?\xF3\x64?");
    QTest::newRow("cyrillic") << QStringLiteral("Бахн") << QByteArray("????");
    QTest::newRow("latin-1 control range is not latin-1 here") << QStringLiteral("\u0080") << QByteArray("?");
    QTest::newRow("character outside the basic plane is one mark")
        << QStringLiteral("a\U0001F692b") << QByteArray("a?b");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
}

void TestWindows1252::unmappable()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(windows1252::encode(text), bytes);
}

void TestWindows1252::everyByteSurvives()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = windows1252::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(text.count(QChar(u'?')), 1); // byte 0x3F itself: no byte decodes to a replacement
    QCOMPARE(windows1252::encode(text), all);
}

QTEST_GUILESS_MAIN(TestWindows1252)
#include "tst_windows1252.moc"
