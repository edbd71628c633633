// Workbooks that are small as files and huge unpacked, loaded as the load command reads them,
// each in a process of its own whose peak memory (maximum resident set, as /usr/bin/time -v
// reports it) is measured:
//   six_sheets_one_part   six sheets point at one part of 52 MB of cells
//   one_long_text         one shared text of 250 MB
//   rows_without_number   8 million rows that do not state their number (208 MB)
// Each must be refused with a German reason. Prints each bomb's file size, peak and reason, then
// bomb_peak_mb, the largest peak of them all (the target: under 200).
// Run from the build folder: ./bench/protocol/bench_bombs [bombs]   (the first 1 to 3)
#include "protocol/WorkbookReader.h"
#include "protocol/ZipArchive.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

using namespace brv;

namespace {

const QByteArray kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const QByteArray kRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

QByteArray relationship(int id, const QByteArray& type, const QByteArray& target)
{
    return "<Relationship Id=\"rId" + QByteArray::number(id) + "\" Type=\"" + kRelationships + "/" + type +
           "\" Target=\"" + target + "\"/>";
}

// A workbook whose sheets point at the parts named, with a shared strings part when one is given.
QByteArray workbook(const QList<QByteArray>& sheetParts, const std::map<QByteArray, QByteArray>& parts,
                    const QByteArray& sharedStrings = {})
{
    QByteArray sheets;
    QByteArray rels;
    for (int i = 1; i <= sheetParts.size(); ++i) {
        sheets += "<sheet name=\"Blatt " + QByteArray::number(i) + "\" sheetId=\"" + QByteArray::number(i) +
                  "\" r:id=\"rId" + QByteArray::number(i) + "\"/>";
        rels += relationship(i, "worksheet", sheetParts[i - 1]);
    }
    if (!sharedStrings.isEmpty())
        rels += relationship(100, "sharedStrings", "sharedStrings.xml");
    ZipArchive zip;
    zip.open(QByteArray("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22), nullptr);
    zip.write(QStringLiteral("_rels/.rels"),
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
                  relationship(1, "officeDocument", "xl/workbook.xml") + "</Relationships>",
              nullptr);
    zip.write(QStringLiteral("xl/workbook.xml"),
              "<workbook " + kMain + " xmlns:r=\"" + kRelationships + "\"><sheets>" + sheets +
                  "</sheets></workbook>",
              nullptr);
    zip.write(QStringLiteral("xl/_rels/workbook.xml.rels"),
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
                  rels + "</Relationships>",
              nullptr);
    for (const auto& [name, data] : parts)
        zip.write(QStringLiteral("xl/") + QString::fromLatin1(name), data, nullptr);
    if (!sharedStrings.isEmpty())
        zip.write(QStringLiteral("xl/sharedStrings.xml"), sharedStrings, nullptr);
    return zip.finish(nullptr).value_or(QByteArray());
}

QByteArray sheet(const QByteArray& rows)
{
    return "<worksheet " + kMain + "><sheetData>" + rows + "</sheetData></worksheet>";
}

QByteArray bomb(int which)
{
    if (which == 1) {
        // rows of 17 cells, each with its reference
        QByteArray rows;
        for (int r = 1; rows.size() < (52 << 20); ++r) {
            const QByteArray n = QByteArray::number(r);
            rows += "<row r=\"" + n + "\">";
            for (char col = 'A'; col <= 'Q'; ++col)
                rows += QByteArray("<c r=\"") + col + n + "\"><v>12.5</v></c>";
            rows += "</row>";
        }
        return workbook(QList<QByteArray>(6, "worksheets/sheet1.xml"),
                        {{"worksheets/sheet1.xml", sheet(rows)}});
    }
    if (which == 2)
        return workbook(
            {"worksheets/sheet1.xml"},
            {{"worksheets/sheet1.xml", sheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>")}},
            "<sst " + kMain + "><si><t>" + QByteArray(250 << 20, 'A') + "</t></si></sst>");
    return workbook(
        {"worksheets/sheet1.xml"},
        {{"worksheets/sheet1.xml", sheet(QByteArray("<row><c><v>1</v></c></row>").repeated(8000000))}});
}

const char* kNames[] = {"six_sheets_one_part", "one_long_text", "rows_without_number"};

} // namespace

int main(int argc, char** argv)
{
    // the child: loads one file and says why it was refused
    if (argc == 3 && QByteArray(argv[1]) == "--load") {
        WorkbookReader reader(QLatin1Char(','), 17, 6);
        WorkbookContent content;
        if (reader.read(QString::fromLocal8Bit(argv[2]), content))
            return 1;
        std::printf("%s", qPrintable(reader.errorString()));
        return 0;
    }
    QCoreApplication app(argc, argv);
    const int bombs = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 3) : 3;
    QTemporaryDir folder;
    double worst = 0;
    for (int which = 1; which <= bombs; ++which) {
        const QString path = folder.filePath(QStringLiteral("bomb%1.xlsx").arg(which));
        const QByteArray data = bomb(which);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return 2;
        file.close();
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            const QByteArray self = QCoreApplication::applicationFilePath().toLocal8Bit();
            const QByteArray target = path.toLocal8Bit();
            execl(self.constData(), self.constData(), "--load", target.constData(),
                  static_cast<char*>(nullptr));
            _exit(3);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        const double peakMb = double(usage.ru_maxrss) / 1024.0;
        worst = std::max(worst, peakMb);
        const bool refused = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        std::printf(" — %s: file %.1f MB, peak %.0f MB, %s\n", kNames[which - 1],
                    double(data.size()) / 1048576.0, peakMb, refused ? "refused" : "NOT REFUSED");
        if (!refused)
            return 1;
    }
    std::printf("bomb_peak_mb=%.0f\n", worst);
    return 0;
}
