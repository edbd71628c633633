#include "competition/CellText.h"

#include <QTest>

using namespace brv;

class TestCellText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runTimeTruncates_data();
    void runTimeTruncates();
    void fixed2Rounds_data();
    void fixed2Rounds();
    void toNumberUsesLocaleSeparator_data();
    void toNumberUsesLocaleSeparator();
    void toInteger_data();
    void toInteger();
    void separatorFromLocale();
    void fastPathsAgreeWithGeneralConversion();
};

void TestCellText::runTimeTruncates_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("9 ms is still zero") << 9 << "0,00";
    QTest::newRow("10 ms is one hundredth") << 10 << "0,01";
    QTest::newRow("5 ms") << 5 << "0,00";
    QTest::newRow("12345 ms truncated, not rounded") << 12345 << "12,34";
    QTest::newRow("no minutes") << 61005 << "61,00";
    QTest::newRow("999999 ms") << 999999 << "999,99";
    QTest::newRow("1000000 ms has four digits") << 1000000 << "1000,00";
    QTest::newRow("zero") << 0 << "0,00";
    QTest::newRow("negative difference keeps its sign") << -1234 << "-1,23";
}

void TestCellText::runTimeTruncates()
{
    QFETCH(int, ms);
    QFETCH(QString, text);
    QCOMPARE(NumberFormat(QLatin1Char(',')).runTime(ms), text);
}

void TestCellText::fixed2Rounds_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("sum of two times") << 30.10 + 29.95 << "60,05";
    QTest::newRow("rounds half up from a float above") << 12.346 << "12,35";
    QTest::newRow("whole number") << 60.0 << "60,00";
    QTest::newRow("sentinel") << 99999.0 << "99999,00";
    QTest::newRow("exact half hundredth rounds away from zero") << 0.125 << "0,13";
    QTest::newRow("just below a half hundredth") << 2.675 << "2,67";
    QTest::newRow("negative") << -1.5 << "-1,50";
    QTest::newRow("huge") << 1e17 << "100000000000000000,00";
}

void TestCellText::fixed2Rounds()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(NumberFormat(QLatin1Char(',')).fixed2(value), text);
}

void TestCellText::toNumberUsesLocaleSeparator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("comma") << "12,34" << true << 12.34;
    QTest::newRow("surrounding blanks") << "  12,5 " << true << 12.5;
    QTest::newRow("whole number") << "7" << true << 7.0;
    QTest::newRow("leading separator") << ",5" << true << 0.5;
    QTest::newRow("negative") << "-3,5" << true << -3.5;
    QTest::newRow("exponent") << "1,5E2" << true << 150.0;
    QTest::newRow("point is no separator here") << "12.34" << false << 0.0;
    QTest::newRow("group separators are not numbers") << "1.234,5" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks only") << "   " << false << 0.0;
    QTest::newRow("void mark") << "AUS" << false << 0.0;
    QTest::newRow("disqualified mark") << "DIS" << false << 0.0;
    QTest::newRow("heat mark") << "+" << false << 0.0;
    QTest::newRow("separator alone") << "," << false << 0.0;
    QTest::newRow("trailing garbage") << "12,3s" << false << 0.0;
    QTest::newRow("exponent without digits") << "3E" << false << 0.0;
    QTest::newRow("infinity is not a time") << "1E999" << false << 0.0;
    QTest::newRow("nan text") << "nan" << false << 0.0;
    QTest::newRow("plus sign") << "+5" << true << 5.0;
    QTest::newRow("two separators") << "1,2,3" << false << 0.0;
    QTest::newRow("more digits than a double holds") << "12345678901234567,5" << true << 12345678901234567.5;
    QTest::newRow("sign between blanks") << " - 5" << false << 0.0;
}

void TestCellText::toNumberUsesLocaleSeparator()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const std::optional<double> parsed = NumberFormat(QLatin1Char(',')).toNumber(text);
    QCOMPARE(parsed.has_value(), ok);
    if (ok)
        QCOMPARE(*parsed, value);
}

void TestCellText::toInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("right-aligned start number") << "  7" << true << 7;
    QTest::newRow("leading zeros") << "007" << true << 7;
    QTest::newRow("blanks around") << " 12 " << true << 12;
    QTest::newRow("sign") << "-4" << true << -4;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("overflow") << "2147483648" << false << 0;
    QTest::newRow("decimal") << "1,5" << false << 0;
    QTest::newRow("letters") << "A1" << false << 0;
    QTest::newRow("empty entry") << "   " << false << 0;
    QTest::newRow("sign alone") << "-" << false << 0;
}

void TestCellText::toInteger()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const std::optional<int> parsed = NumberFormat::toInteger(text);
    QCOMPARE(parsed.has_value(), ok);
    if (ok)
        QCOMPARE(*parsed, value);
}

void TestCellText::separatorFromLocale()
{
    QCOMPARE(NumberFormat::fromLocale(QLocale(QLocale::German)).decimalSeparator(), QLatin1Char(','));
    QCOMPARE(NumberFormat::fromLocale(QLocale(QLocale::English)).decimalSeparator(), QLatin1Char('.'));
    QCOMPARE(NumberFormat(QLatin1Char('.')).runTime(12345), QStringLiteral("12.34"));
    QVERIFY(NumberFormat(QLatin1Char('.')).toNumber(QStringLiteral("12,34")) == std::nullopt);
}

void TestCellText::fastPathsAgreeWithGeneralConversion()
{
    // Cell texts are converted on a fast path; it must give the very same doubles and texts
    // as the general conversion and printf.
    const NumberFormat format(QLatin1Char(','));
    quint64 state = 88172645463325252ull;
    auto next = [&] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (int i = 0; i < 200000; ++i) {
        const int fractionDigits = int(next() % 6);
        const quint64 mantissa = next() % 1000000000000000ull;
        QString digits = QString::number(mantissa);
        while (digits.size() <= fractionDigits)
            digits.prepend(QLatin1Char('0'));
        const QString dotted = digits.left(digits.size() - fractionDigits) +
                               (fractionDigits ? "." + digits.right(fractionDigits) : QString());
        QString german = dotted;
        german.replace(QLatin1Char('.'), QLatin1Char(','));
        const double expected = dotted.toDouble();
        const std::optional<double> parsed = format.toNumber(german);
        QVERIFY2(parsed && *parsed == expected, qPrintable(german));

        const double value = double(next() % 100000000) / 1000.0;
        QString printed = QString::asprintf("%1.2f", value);
        printed.replace(QLatin1Char('.'), QLatin1Char(','));
        QCOMPARE(format.fixed2(value), printed);
    }
}

QTEST_GUILESS_MAIN(TestCellText)
#include "tst_celltext.moc"
