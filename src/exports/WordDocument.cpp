#include "exports/WordDocument.h"

#include "competition/ResultGrid.h"
#include "exports/Markup.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/ZipArchive.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QXmlStreamReader>

#include <cmath>
#include <numeric>

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

// A4 in twentieths of a point, with margins of 2 cm.
constexpr int kA4Width = 11906;
constexpr int kA4Height = 16838;
constexpr int kMargin = 1134;
// Between a cell's border and its text on either side: 1 mm.
constexpr int kCellMargin = 57;
// The sizes the table may take, in half points, and the one the name columns wrap at.
constexpr int kUprightSizes[] = {20, 18, 16};
constexpr int kTurnedSizes[] = {20, 18, 16, 14, 12};
constexpr int kSmallestSize = 12;
const QString kTableFont = QStringLiteral("Arial");

QString run(const QString& text, const QString& properties)
{
    if (text.isEmpty())
        return {};
    return QStringLiteral("<w:r><w:rPr>") + properties +
           QStringLiteral("</w:rPr><w:t xml:space=\"preserve\">") + xml(text) +
           QStringLiteral("</w:t></w:r>");
}

// Text widths in ems of the table's font, from its unhinted metrics as the printout takes them.
// Without a QGuiApplication there are no fonts: then every character counts as an em.
class EmMeasure
{
public:
    EmMeasure()
    {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return;
        for (bool bold : {false, true}) {
            QFont font(kTableFont);
            font.setPixelSize(kEm);
            font.setBold(bold);
            font.setHintingPreference(QFont::PreferNoHinting);
            m_metrics[bold].emplace(font);
        }
    }
    double width(QStringView text, bool bold) const
    {
        if (!m_metrics[bold])
            return text.size();
        return m_metrics[bold]->horizontalAdvance(text.toString()) / kEm;
    }

private:
    static constexpr int kEm = 1000;
    std::optional<QFontMetricsF> m_metrics[2];
};

// The widest text of a column and its longest word, in ems; the caption row is bold.
struct ColumnMeasure
{
    double text = 0;
    double word = 0;
    bool wraps = false; // a column of names or classes
};

std::vector<ColumnMeasure> measureColumns(const DocumentContent& content)
{
    const ResultGrid& grid = *content.grid;
    const EmMeasure measure;
    std::vector<ColumnMeasure> columns(std::size_t(grid.columnCount()));
    for (int c = 0; c < grid.columnCount(); ++c) {
        ColumnMeasure& m = columns[std::size_t(c)];
        m.wraps = columnContent(content.round, c) == ColumnContent::Text;
        for (int r = 0; r < grid.rowCount(); ++r) {
            const QString& text = grid.cell(c, r);
            m.text = std::max(m.text, measure.width(text, r == 0));
            for (const QStringView word : QStringView(text).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                m.word = std::max(m.word, measure.width(word, r == 0));
        }
        // an empty column keeps room for a character
        m.text = std::max(m.text, 0.6);
        m.word = m.wraps ? std::max(m.word, 0.6) : m.text;
    }
    return columns;
}

// A column for a text `ems` wide at `halfPoints`: the text, a twentieth more for the viewer's
// rounding, the margins and a point.
int columnWidth(double ems, int halfPoints)
{
    return int(std::ceil(ems * halfPoints * 10 * 1.05)) + 2 * kCellMargin + 20;
}

// The columns at `halfPoints` on a page `available` wide: a column of names takes at most a
// quarter of it, unless its longest word needs more, and wraps the longer names.
std::vector<int> widthsAt(const std::vector<ColumnMeasure>& columns, int halfPoints, int available)
{
    std::vector<int> widths;
    for (const ColumnMeasure& m : columns) {
        int width = columnWidth(m.text, halfPoints);
        if (m.wraps)
            width = std::min(width, std::max(columnWidth(m.word, halfPoints), available / 4));
        widths.push_back(width);
    }
    return widths;
}

int sum(const std::vector<int>& widths)
{
    return std::accumulate(widths.begin(), widths.end(), 0);
}

// The title, the caption, an empty paragraph and the table, as elements of the body. In a
// template whose prefix for the Word namespace may differ, each element declares "w" itself.
QString bodyContent(const DocumentContent& content, const DocumentTableLayout& layout, bool declareNamespace)
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
    body +=
        QStringLiteral("<w:tbl") + ns +
        QStringLiteral("><w:tblPr><w:tblW w:w=\"%1\" w:type=\"dxa\"/><w:jc w:val=\"center\"/><w:tblBorders>")
            .arg(sum(layout.columnWidths));
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
        body += QStringLiteral("<w:%1 w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>")
                    .arg(QLatin1StringView(side));
    body += QStringLiteral("</w:tblBorders><w:tblLayout w:type=\"fixed\"/><w:tblCellMar><w:left w:w=\"%1\" "
                           "w:type=\"dxa\"/><w:right w:w=\"%1\" w:type=\"dxa\"/></w:tblCellMar></w:tblPr>"
                           "<w:tblGrid>")
                .arg(kCellMargin);
    for (int width : layout.columnWidths)
        body += QStringLiteral("<w:gridCol w:w=\"%1\"/>").arg(width);
    body += QStringLiteral("</w:tblGrid>");
    const QString size =
        QStringLiteral("<w:rFonts w:ascii=\"%1\" w:hAnsi=\"%1\" w:cs=\"%1\"/><w:sz w:val=\"%2\"/>")
            .arg(kTableFont)
            .arg(layout.fontHalfPoints);
    for (int r = 0; r < grid.rowCount(); ++r) {
        // the caption row in bold, repeated on every page; no row is split between two pages
        body += r == 0 ? QStringLiteral("<w:tr><w:trPr><w:cantSplit/><w:tblHeader/></w:trPr>")
                       : QStringLiteral("<w:tr><w:trPr><w:cantSplit/></w:trPr>");
        const QString font = r == 0 ? QStringLiteral("<w:b/>") + size : size;
        for (int c = 0; c < grid.columnCount(); ++c) {
            const bool left = columnContent(content.round, c) == ColumnContent::Text;
            body += QStringLiteral("<w:tc><w:tcPr><w:tcW w:w=\"%1\" w:type=\"dxa\"/></w:tcPr><w:p><w:pPr>"
                                   "<w:jc w:val=\"%2\"/></w:pPr>")
                        .arg(layout.columnWidths[std::size_t(c)])
                        .arg(left ? QLatin1StringView("left") : QLatin1StringView("right")) +
                    run(grid.cell(c, r), font) + QStringLiteral("</w:p></w:tc>");
        }
        body += QStringLiteral("</w:tr>");
    }
    body += QStringLiteral("</w:tbl>");
    return body;
}

QString pageSize(bool landscape)
{
    return landscape ? QStringLiteral("<w:pgSz w:w=\"%1\" w:h=\"%2\" w:orient=\"landscape\"/>")
                           .arg(kA4Height)
                           .arg(kA4Width)
                     : QStringLiteral("<w:pgSz w:w=\"%1\" w:h=\"%2\"/>").arg(kA4Width).arg(kA4Height);
}

QByteArray newMainPart(const DocumentContent& content)
{
    const DocumentTableLayout layout =
        documentTableLayout(content, kA4Width - 2 * kMargin, kA4Height - 2 * kMargin);
    return (kXmlDeclaration + QStringLiteral("<w:document xmlns:w=\"") + kWordNamespace +
            QStringLiteral("\"><w:body>") + bodyContent(content, layout, false) +
            QStringLiteral("<w:sectPr>") + pageSize(layout.landscape) +
            QStringLiteral(
                "<w:pgMar w:top=\"1134\" w:right=\"1134\" w:bottom=\"1134\" w:left=\"1134\" "
                "w:header=\"709\" w:footer=\"709\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>"))
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

// A piece of the template's main part to replace: [from, to).
struct Splice
{
    qsizetype from = -1;
    qsizetype to = -1;
};

// What the content needs of the template's main part: where it goes (before the body's own
// section properties, or at the end of the body), the page's size and margins, and the start tag
// of the page size, which a table too wide for the page rewrites.
struct TemplateBody
{
    Splice insertion;
    bool selfClosingBody = false;
    QString bodyName;
    int width = kA4Width;
    int height = kA4Height;
    int margins = 2 * kMargin; // left, right and gutter
    Splice pageSizeTag;
    QString pageSizeName;
    QXmlStreamAttributes pageSizeAttributes;
};

int twips(const QXmlStreamAttributes& attributes, QLatin1StringView name, int fallback)
{
    bool ok = false;
    const int value = attributes.value(kWordNamespace, name).toInt(&ok);
    return ok ? value : fallback;
}

// Reads the main part. A text token's offset lies one character past the "<" that ended it, so
// every tag is found from its end: no tag holds a "<" of its own.
std::optional<TemplateBody> scanTemplate(const QString& part)
{
    QXmlStreamReader reader(part);
    TemplateBody body;
    int depth = 0;
    int bodyDepth = -1;
    int sectionDepth = -1;
    qsizetype bodyTagStart = -1;
    int margins[3] = {kMargin, kMargin, 0};
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        const qsizetype tagEnd = qsizetype(reader.characterOffset());
        const qsizetype tagStart = part.lastIndexOf(QLatin1Char('<'), tagEnd - 1);
        const bool word = reader.namespaceUri() == kWordNamespace;
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (word && depth == 2 && reader.name() == QLatin1StringView("body")) {
                bodyDepth = depth;
                bodyTagStart = tagStart;
                body.bodyName = reader.qualifiedName().toString();
            } else if (word && bodyDepth > 0 && depth == bodyDepth + 1 &&
                       reader.name() == QLatin1StringView("sectPr") && body.insertion.from < 0) {
                sectionDepth = depth;
                body.insertion = {tagStart, tagStart};
            } else if (word && sectionDepth > 0 && depth == sectionDepth + 1) {
                const QXmlStreamAttributes attributes = reader.attributes();
                if (reader.name() == QLatin1StringView("pgSz")) {
                    body.width = twips(attributes, QLatin1StringView("w"), kA4Width);
                    body.height = twips(attributes, QLatin1StringView("h"), kA4Height);
                    body.pageSizeTag = {tagStart, tagEnd};
                    body.pageSizeName = reader.qualifiedName().toString();
                    body.pageSizeAttributes = attributes;
                } else if (reader.name() == QLatin1StringView("pgMar")) {
                    margins[0] = twips(attributes, QLatin1StringView("left"), kMargin);
                    margins[1] = twips(attributes, QLatin1StringView("right"), kMargin);
                    margins[2] = twips(attributes, QLatin1StringView("gutter"), 0);
                }
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == sectionDepth)
                sectionDepth = -1;
            if (depth-- == bodyDepth) {
                if (body.insertion.from < 0)
                    body.insertion = {tagStart, tagStart};
                // <w:body/>: the content goes between a start and an end tag made of it
                body.selfClosingBody = tagStart == bodyTagStart;
                if (body.selfClosingBody)
                    body.insertion = {tagEnd - 2, tagEnd};
                body.margins = margins[0] + margins[1] + margins[2];
                return body;
            }
        }
    }
    return std::nullopt;
}

// The page size's start tag turned to landscape, its prefixes and other attributes kept.
QString turnedPageSize(const TemplateBody& body)
{
    const QString prefix = body.pageSizeName.left(body.pageSizeName.indexOf(QLatin1Char(':')) + 1);
    QString tag = QLatin1Char('<') + body.pageSizeName;
    for (const QXmlStreamAttribute& a : body.pageSizeAttributes) {
        const bool word = a.namespaceUri() == kWordNamespace;
        if (word && a.name() == QLatin1StringView("orient"))
            continue;
        QString value = a.value().toString();
        if (word && a.name() == QLatin1StringView("w"))
            value = QString::number(body.height);
        else if (word && a.name() == QLatin1StringView("h"))
            value = QString::number(body.width);
        tag += QLatin1Char(' ') + a.qualifiedName() + QStringLiteral("=\"") + xml(value) + QLatin1Char('"');
    }
    return tag + QLatin1Char(' ') + prefix + QStringLiteral("orient=\"landscape\"");
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
    std::optional<TemplateBody> body = scanTemplate(part);
    if (!body) {
        *error = notWord + QLatin1Char('.');
        return std::nullopt;
    }
    // an upright page with a size of its own may be turned for a wide table
    const bool turnable = body->pageSizeTag.from >= 0 && body->height > body->width;
    const DocumentTableLayout layout = documentTableLayout(content, body->width - body->margins,
                                                           turnable ? body->height - body->margins : 0);
    QString inserted = bodyContent(content, layout, true);
    if (body->selfClosingBody)
        inserted = QLatin1Char('>') + inserted + QStringLiteral("</") + body->bodyName + QLatin1Char('>');
    // the later piece first, so that the earlier one's offsets stay right
    if (layout.landscape) {
        const Splice& tag = body->pageSizeTag;
        const bool selfClosing = part.at(tag.to - 2) == QLatin1Char('/');
        part.replace(tag.from, tag.to - tag.from,
                     turnedPageSize(*body) + (selfClosing ? QStringLiteral("/>") : QStringLiteral(">")));
    }
    part.replace(body->insertion.from, body->insertion.to - body->insertion.from, inserted);
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

DocumentTableLayout documentTableLayout(const DocumentContent& content, int textWidth, int turnedWidth)
{
    const std::vector<ColumnMeasure> columns = measureColumns(content);
    DocumentTableLayout layout;
    for (int size : kUprightSizes) {
        layout.columnWidths = widthsAt(columns, size, textWidth);
        layout.fontHalfPoints = size;
        if (sum(layout.columnWidths) <= textWidth)
            return layout;
    }
    layout.landscape = turnedWidth > 0;
    const int width = layout.landscape ? turnedWidth : textWidth;
    for (int size : kTurnedSizes) {
        layout.columnWidths = widthsAt(columns, size, width);
        layout.fontHalfPoints = size;
        if (sum(layout.columnWidths) <= width)
            return layout;
    }
    // the names share what the numbers leave in proportion to their texts, each at least as wide
    // as its longest word
    layout.landscape = turnedWidth > textWidth;
    int rest = std::max(textWidth, turnedWidth);
    std::vector<std::size_t> sharing;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].wraps)
            sharing.push_back(c);
        else
            rest -= layout.columnWidths[c];
    }
    for (bool settled = false; !settled;) {
        settled = true;
        double natural = 0;
        for (std::size_t c : sharing)
            natural += layout.columnWidths[c];
        const double share = natural > 0 ? std::max(0, rest) / natural : 1.0;
        for (auto it = sharing.begin(); it != sharing.end(); ++it) {
            const int least = columnWidth(columns[*it].word, kSmallestSize);
            if (least >= layout.columnWidths[*it] * share) {
                layout.columnWidths[*it] = std::min(least, layout.columnWidths[*it]);
                rest -= layout.columnWidths[*it];
                sharing.erase(it);
                settled = false;
                break;
            }
        }
        if (settled) {
            for (std::size_t c : sharing)
                layout.columnWidths[c] = int(layout.columnWidths[c] * share);
        }
    }
    return layout;
}

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
