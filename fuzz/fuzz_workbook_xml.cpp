// The input is the XML of a workbook's parts, so mutations reach the XML readers instead of
// breaking the zip checksums: up to four pieces separated by the byte 0x1E become xl/workbook.xml,
// the worksheet part (used for all seven sheets), xl/sharedStrings.xml and xl/styles.xml. An
// empty piece keeps the default part.
#include "FuzzSupport.h"
#include "protocol/ZipArchive.h"

#include <cstddef>
#include <cstdint>

namespace {

const QByteArray kEmptyZip("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);

QByteArray defaultWorkbook()
{
    QByteArray xml =
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>";
    for (int i = 1; i <= 7; ++i)
        xml += "<sheet name=\"S" + QByteArray::number(i) + "\" sheetId=\"" + QByteArray::number(i) +
               "\" r:id=\"rId" + QByteArray::number(i) + "\"/>";
    return xml + "</sheets></workbook>";
}

QByteArray relationships()
{
    QByteArray xml = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (int i = 1; i <= 7; ++i)
        xml += "<Relationship Id=\"rId" + QByteArray::number(i) +
               "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
               "Target=\"worksheets/sheet" +
               QByteArray::number(i) + ".xml\"/>";
    xml += "<Relationship Id=\"rId8\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
           "Target=\"sharedStrings.xml\"/>"
           "<Relationship Id=\"rId9\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
           "Target=\"styles.xml\"/></Relationships>";
    return xml;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<QByteArray> pieces = input.split('\x1e'); // record separator: rare in XML
    while (pieces.size() < 4)
        pieces.append(QByteArray());
    brv::ZipArchive zip;
    if (!zip.open(kEmptyZip, nullptr))
        return 0;
    zip.write(QStringLiteral("[Content_Types].xml"),
              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>", nullptr);
    zip.write(
        QStringLiteral("_rels/.rels"),
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
        "Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"xl/workbook.xml\"/></Relationships>",
        nullptr);
    zip.write(QStringLiteral("xl/workbook.xml"), pieces[0].isEmpty() ? defaultWorkbook() : pieces[0],
              nullptr);
    zip.write(QStringLiteral("xl/_rels/workbook.xml.rels"), relationships(), nullptr);
    for (int i = 1; i <= 7; ++i)
        zip.write(QStringLiteral("xl/worksheets/sheet%1.xml").arg(i), pieces[1], nullptr);
    zip.write(QStringLiteral("xl/sharedStrings.xml"), pieces[2], nullptr);
    zip.write(QStringLiteral("xl/styles.xml"), pieces[3], nullptr);
    const std::optional<QByteArray> workbook = zip.finish(nullptr);
    if (workbook)
        brv::fuzz::exercise(*workbook);
    return 0;
}
