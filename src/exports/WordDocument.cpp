#include "exports/WordDocument.h"

#include "competition/ResultGrid.h"
#include "exports/Markup.h"
#include "protocol/ZipArchive.h"

#include <QXmlStreamReader>

namespace brv {

namespace {

using markup::xml;

const QString kWordNamespace = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kXmlDeclaration =
    QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n");
const QString kMainPart = QStringLiteral("word/document.xml");
const QString kContentTypesPart = QStringLiteral("[Content_Types].xml");
const QString kPackageRelsPart = QStringLiteral("_rels/.rels");
const QByteArray kDocumentType = "wordprocessingml.document.main+xml";
const QByteArray kTemplateType = "wordprocessingml.template.main+xml";

// The width the table may take: A4 less two margins of 2 cm, in twentieths of a point.
constexpr int kTextWidth = 11906 - 2 * 1134;

QString run(const QString& text, const QString& properties)
{
    if (text.isEmpty())
        return {};
    return QStringLiteral("<w:r><w:rPr>") + properties +
           QStringLiteral("</w:rPr><w:t xml:space=\"preserve\">") + xml(text) +
           QStringLiteral("</w:t></w:r>");
}

// The title, the caption, an empty paragraph and the table, as elements of the body. In a
// template whose prefix for the Word namespace may differ, each element declares "w" itself.
QString bodyContent(const DocumentContent& content, bool declareNamespace)
{
    const QString ns =
        declareNamespace ? QStringLiteral(" xmlns:w=\"") + kWordNamespace + QLatin1Char('"') : QString();
    QString body;
    body += QStringLiteral("<w:p") + ns + QStringLiteral("><w:pPr><w:jc w:val=\"center\"/></w:pPr>") +
            run(content.title, QStringLiteral("<w:b/><w:sz w:val=\"32\"/>")) + QStringLiteral("</w:p>");
    body += QStringLiteral("<w:p") + ns + QStringLiteral("><w:pPr><w:jc w:val=\"center\"/></w:pPr>") +
            run(content.caption, QStringLiteral("<w:i/><w:sz w:val=\"24\"/>")) + QStringLiteral("</w:p>");
    body += QStringLiteral("<w:p") + ns + QStringLiteral("/>");

    const ResultGrid& grid = *content.grid;
    body += QStringLiteral("<w:tbl") + ns +
            QStringLiteral("><w:tblPr><w:tblW w:w=\"5000\" w:type=\"pct\"/><w:tblBorders>");
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
        body += QStringLiteral("<w:%1 w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>")
                    .arg(QLatin1StringView(side));
    body += QStringLiteral("</w:tblBorders></w:tblPr><w:tblGrid>");
    for (int c = 0; c < grid.columnCount(); ++c)
        body += QStringLiteral("<w:gridCol w:w=\"%1\"/>").arg(kTextWidth / grid.columnCount());
    body += QStringLiteral("</w:tblGrid>");
    for (int r = 0; r < grid.rowCount(); ++r) {
        // the caption row in bold, repeated on every page
        body += r == 0 ? QStringLiteral("<w:tr><w:trPr><w:tblHeader/></w:trPr>") : QStringLiteral("<w:tr>");
        const QString font =
            r == 0 ? QStringLiteral("<w:b/><w:sz w:val=\"16\"/>") : QStringLiteral("<w:sz w:val=\"16\"/>");
        for (int c = 0; c < grid.columnCount(); ++c)
            body +=
                QStringLiteral("<w:tc><w:p>") + run(grid.cell(c, r), font) + QStringLiteral("</w:p></w:tc>");
        body += QStringLiteral("</w:tr>");
    }
    body += QStringLiteral("</w:tbl>");
    return body;
}

QByteArray newMainPart(const DocumentContent& content)
{
    return (kXmlDeclaration + QStringLiteral("<w:document xmlns:w=\"") + kWordNamespace +
            QStringLiteral("\"><w:body>") + bodyContent(content, false) +
            QStringLiteral("<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" "
                           "w:right=\"1134\" w:bottom=\"1134\" w:left=\"1134\" w:header=\"709\" "
                           "w:footer=\"709\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>"))
        .toUtf8();
}

// The parts of a new document besides its text: content types, relationships, styles.
const char* const kNewParts[][2] = {
    {"[Content_Types].xml",
     "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
     "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
     "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
     "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
     "<Override PartName=\"/word/document.xml\" "
     "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
     "<Override PartName=\"/word/styles.xml\" "
     "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
     "</Types>"},
    {"_rels/.rels",
     "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
     "<Relationship Id=\"rId1\" "
     "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
     "Target=\"word/document.xml\"/></Relationships>"},
    {"word/_rels/document.xml.rels",
     "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
     "<Relationship Id=\"rId1\" "
     "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
     "Target=\"styles.xml\"/></Relationships>"},
    {"word/styles.xml",
     "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
     "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
     "<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Arial\"/>"
     "<w:sz w:val=\"20\"/><w:lang w:val=\"de-DE\"/></w:rPr></w:rPrDefault>"
     "<w:pPrDefault><w:pPr><w:spacing w:after=\"0\"/></w:pPr></w:pPrDefault></w:docDefaults>"
     "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
     "</w:styles>"},
};

// The package's main part, named by the package relationship of type officeDocument.
QString mainPartName(const ZipArchive& archive)
{
    QString error;
    const std::optional<QByteArray> rels = archive.read(kPackageRelsPart, &error);
    if (!rels)
        return kMainPart;
    QXmlStreamReader reader(*rels);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1StringView("Relationship") &&
            reader.attributes()
                .value(QLatin1StringView("Type"))
                .endsWith(QLatin1StringView("/officeDocument"))) {
            const QString target = reader.attributes().value(QLatin1StringView("Target")).toString();
            return target.startsWith(QLatin1Char('/')) ? target.mid(1) : target;
        }
    }
    return kMainPart;
}

// Where the content goes into a main part: before the body's own section properties, or at the
// end of the body; -1 when the part is no Word document.
qsizetype insertionPoint(const QString& part)
{
    QXmlStreamReader reader(part);
    int depth = 0;
    int bodyDepth = -1;
    qsizetype tokenStart = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        const bool word = reader.namespaceUri() == kWordNamespace;
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (word && depth == 2 && reader.name() == QLatin1StringView("body"))
                bodyDepth = depth;
            else if (word && bodyDepth > 0 && depth == bodyDepth + 1 &&
                     reader.name() == QLatin1StringView("sectPr"))
                return tokenStart;
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth-- == bodyDepth)
                return tokenStart;
        }
        tokenStart = qsizetype(reader.characterOffset());
    }
    return -1;
}

std::optional<QByteArray> fromTemplate(const DocumentContent& content, const QByteArray& templateDocument,
                                       QString* error)
{
    const QString notWord = QStringLiteral("Die Vorlage ist kein Word-Dokument (.docx)");
    ZipArchive archive;
    QString reason;
    if (!archive.open(templateDocument, &reason)) {
        *error = notWord + QStringLiteral(": ") + reason;
        return std::nullopt;
    }
    const QString name = mainPartName(archive);
    const std::optional<QByteArray> main = archive.read(name, &reason);
    if (!main) {
        *error = notWord + QStringLiteral(": ") + reason;
        return std::nullopt;
    }
    QString part = QString::fromUtf8(*main);
    const qsizetype at = insertionPoint(part);
    if (at < 0) {
        *error = notWord + QLatin1Char('.');
        return std::nullopt;
    }
    part.insert(at, bodyContent(content, true));
    bool written = archive.write(name, part.toUtf8(), &reason);
    // a document template (.dotx) gives a document
    std::optional<QByteArray> types = archive.read(kContentTypesPart, &reason);
    if (written && types && types->contains(kTemplateType))
        written = archive.write(kContentTypesPart, types->replace(kTemplateType, kDocumentType), &reason);
    std::optional<QByteArray> result = written ? archive.finish(&reason) : std::nullopt;
    if (!result)
        *error = reason;
    return result;
}

} // namespace

std::optional<QByteArray> wordDocument(const DocumentContent& content, const QByteArray& templateDocument,
                                       QString* error)
{
    QString reason;
    if (!templateDocument.isEmpty()) {
        std::optional<QByteArray> document = fromTemplate(content, templateDocument, &reason);
        if (!document && error)
            *error = reason;
        return document;
    }
    ZipArchive archive;
    bool ok = archive.open(QByteArray(), &reason);
    for (const auto& part : kNewParts)
        ok = ok && archive.write(QString::fromLatin1(part[0]), QByteArray(part[1]), &reason);
    ok = ok && archive.write(kMainPart, newMainPart(content), &reason);
    std::optional<QByteArray> document = ok ? archive.finish(&reason) : std::nullopt;
    if (!document && error)
        *error = reason;
    return document;
}

} // namespace brv
