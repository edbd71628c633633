#include "competition/Competition.h"
#include "settings/CertificateEditor.h"
#include "settings/CertificateLayout.h"
#include "settings/Windows1252.h"

#include <QTest>

using namespace brv;

class TestSettingsCertificate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void codePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");

        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QTest::newRow("every byte, cut to 255 in a line") << windows1252::decode(all) << all;
        QTest::newRow("euro, quotes, dashes, end of the high block, bytes without character")
            << "„5 €“–—…Ÿ\u0081\u009D" << QByteArray("\x84\x35 \x80\x93\x96\x97\x85\x9F\x81\x9D");

        // Characters the code page does not hold become '?'.
        QTest::newRow("latin-1 control range is not latin-1 here") << "\u0080" << QByteArray("?");
        QTest::newRow("outside the basic plane is one mark") << "a\U0001F692" << QByteArray("a?");
        QTest::newRow("lone surrogates") << QString(QChar(0xD800)) + "a" + QChar(0xD83D) << QByteArray("?a?");
    }

    // Encoding (decoding is pinned by every byte encoding back to itself), and the text of a
    // certificate line written over a longer text: a length byte, at most 255 bytes, the rest of the
    // 256-byte field zero.
    void codePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(windows1252::encode(text), bytes);

        CertificateLayout layout;
        CertificateLine line = CertificateLayout::defaultLine(9);
        line.text = QString(300, 'z');
        layout.setLine(9, line);
        line.text = text;
        layout.setLine(9, line);
        const QByteArray stored = bytes.left(CertificateLayout::kMaxTextLength);
        QCOMPARE(layout.bytes().mid(9 * CertificateLayout::kRecordSize + 12, 256),
                 QByteArray(char(stored.size()) + stored + QByteArray(255 - stored.size(), '\0')));
        QCOMPARE(CertificateLayout::fromBytes(layout.bytes()).line(9).text, windows1252::decode(stored));
    }

    // The record as stored: little-endian integers, texts as a length byte and Windows-1252 bytes.
    void recordFields()
    {
        const quint8 style = CertificateLine::Bold | CertificateLine::StrikeOut;
        const CertificateLine line{
            1, CertificateLine::Right, -2, 0x01020304, "Ä€", "Arial", style, 26, 0x00112233};
        CertificateLayout layout;
        layout.setLine(1, line);
        const QByteArray r =
            layout.bytes().mid(CertificateLayout::kRecordSize, CertificateLayout::kRecordSize);
        QCOMPARE(r.left(15), QByteArray("\x01\x02\0\0\xFE\xFF\xFF\xFF\x04\x03\x02\x01\x02\xC4\x80", 15));
        QCOMPARE(r.mid(268, 6), QByteArray("\x05\x41rial"));
        QCOMPARE(r.mid(524, 12), QByteArray("\x09\0\0\0\x1A\0\0\0\x33\x22\x11\x00", 12));
        QCOMPARE(layout.bytes().count('\0'), CertificateLayout::kByteSize - 24); // nothing else written
        QCOMPARE(layout.line(1), line);
    }

    void defaultLines_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("top");

        QTest::newRow("title line") << 0 << true << 30;
        QTest::newRow("date line, last printed by default") << 7 << true << 114;
        QTest::newRow("first free line") << 8 << false << 126;
    }

    // Filling the defaults keeps a stored line, recognised by its font name. Slots out of range are
    // neither written nor read.
    void defaultLines()
    {
        QFETCH(int, slot);
        QFETCH(bool, on);
        QFETCH(int, top);

        CertificateLayout layout;
        layout.setLine(-1, CertificateLayout::defaultLine(0));
        layout.setLine(CertificateLayout::kLineCount, CertificateLayout::defaultLine(0));
        QCOMPARE(layout, CertificateLayout());
        CertificateLine stored;
        stored.fontName = "Arial";
        layout.setLine(3, stored);
        layout.fillDefaultLines();
        QCOMPARE(layout.line(3), stored);
        QVERIFY(layout.line(-1) == CertificateLine() &&
                layout.line(CertificateLayout::kLineCount) == CertificateLine());

        // in the system's window-text colour
        const CertificateLine expected{
            on,         CertificateLine::Left, 30, top, {}, "Times New Roman", CertificateLine::Bold, 26,
            0xFF000008u};
        QCOMPARE(layout.line(slot), expected);
    }

    // The start number comes from the first Vorrunde row with exactly the team's name.
    void printedTexts()
    {
        Competition c;
        ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
        v.setRowCount(4);
        v.setRowCells(1, {"7", "FF Au"});
        v.setRowCells(2, {"8", "ff au"});
        v.setRowCells(3, {"9", "FF Au"});
        ResultGrid& g = c.grid(CompetitionRound::GesamtErgebnis);
        g.setRowCount(3);
        g.setCell(OverallColumn::Place, 1, "1");
        g.setCell(OverallColumn::Mannschaft, 1, "FF Au");
        g.setCell(OverallColumn::BestResult, 1, "31,20");
        g.setCell(OverallColumn::Mannschaft, 2, "FF Berg");
        const QLocale german(QLocale::German, QLocale::Germany);
        const std::array<QString, 8> first =
            certificate_text::samples(c, "Pokal", QDate(2026, 6, 13), german);
        QCOMPARE(first,
                 (std::array<QString, 8>{"Pokal", "", "", "7", "FF Au", "31,20 Sek.", "1", "13.06.26"}));
        CertificateLine own;
        own.text = "Urkunde";
        QStringList printed;
        for (const int slot : {3, 5, 1})
            printed << certificate_text::printed(slot, own, c, 2, {}, {}, german);
        QCOMPARE(printed, QStringList({"", " Sek.", "Urkunde"}));
    }

    void choosingALineStoresTheOneBefore()
    {
        CertificateLayout layout;
        layout.fillDefaultLines();
        CertificateEditor editor(layout);
        const std::array<QString, 8> samples{"Pokal", "", "", "7"};
        CertificateEditor::Selection s = editor.select(3, {}, samples);
        QVERIFY(s.fields.text == "7" && s.fields.top == 66 && !s.textEnabled);
        s.fields.left = 105;
        s.fields.text = "getippt";
        s = editor.select(8, s.fields, samples);
        // lines that print the competition keep no text
        QVERIFY(layout.line(3).left == 105 && layout.line(3).text.isEmpty());
        QVERIFY(s.fields.text == "1. Zeile drucken" && s.textEnabled && s.focusText);
        s.fields.text = "Gut Wehr!";
        editor.select(17, s.fields, samples);
        QCOMPARE(editor.select(8, s.fields, samples).fields.text, QStringLiteral("Gut Wehr!"));
        editor.setOn(9, true); // on/off and alignment are stored at once
        editor.setAlignment(9, CertificateLine::Right);
        QVERIFY(layout.line(9).isOn() && layout.line(9).alignment == CertificateLine::Right);
        editor.forget();
        // nothing chosen before: nothing stored; the title line shows the title
        QCOMPARE(editor.select(0, {}, samples).fields.text, QStringLiteral("Pokal"));
        QCOMPARE(layout.line(8).text, QStringLiteral("Gut Wehr!"));
    }

    void previewPlaces_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("d");
        QTest::addColumn<QPoint>("at");
        // "Mannschaft" is 60 pixels wide here; the line stands at 105 mm, 91 mm
        QTest::newRow("left A4") << int(CertificateLine::Left) << 1 << QPoint(105, 91);
        QTest::newRow("centred A4") << int(CertificateLine::Centred) << 1 << QPoint(75, 91);
        QTest::newRow("right A3") << int(CertificateLine::Right) << 2 << QPoint(22, 45);
    }

    void previewPlaces()
    {
        QFETCH(int, alignment);
        QFETCH(int, d);
        QFETCH(QPoint, at);
        CertificateLayout layout;
        layout.fillDefaultLines();
        CertificateLine line = layout.line(4);
        line.alignment = quint8(alignment);
        line.left = 105;
        line.top = 91;
        layout.setLine(4, line);
        const CertificateEditor editor(layout);
        CertificateLineFields shown;
        shown.left = 3;
        shown.top = 4;
        const auto lines =
            editor.preview("Wertung", 2, shown, d, [](const QString& t) { return 6 * int(t.size()); });
        QCOMPARE(lines.at(4).at, at);
        QCOMPARE(lines.at(2).at, QPoint(3 / d, 4 / d)); // integer division
        QVERIFY(lines.at(4).text == "Mannschaft" && lines.at(2).text == "Wertung");
        QVERIFY(lines.at(7).on && !lines.at(9).on);
    }
};

QTEST_GUILESS_MAIN(TestSettingsCertificate)
#include "tst_settings_certificate.moc"
