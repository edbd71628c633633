#include "protocol/XlsxPatcher.h"

#include "files/AtomicFile.h"
#include "protocol/ProtocolLoader.h"
#include "protocol/XlsxPackage.h"
#include "protocol/XlsxReader.h"
#include "protocol/ZipArchive.h"

#include <QFile>
#include <QLocale>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

namespace brv {

namespace {

const QString kCorePropertiesType =
    QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties");
const QString kCoreContentType = QStringLiteral("application/vnd.openxmlformats-package.core-properties+xml");
const QString kDcNamespace = QStringLiteral("http://purl.org/dc/elements/1.1/");

QStringView localName(QStringView qualified)
{
    const qsizetype colon = qualified.indexOf(QLatin1Char(':'));
    return colon >= 0 ? qualified.mid(colon + 1) : qualified;
}

QString prefixOf(QStringView qualified)
{
    const qsizetype colon = qualified.indexOf(QLatin1Char(':'));
    return colon >= 0 ? qualified.left(colon + 1).toString() : QString();
}

// Text for an XML element: characters XML cannot carry are written the spreadsheet's way.
QString xmlSafe(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || u == 0xFFFE || u == 0xFFFF)
            out += QStringLiteral("_x") +
                   QString::number(u, 16).rightJustified(4, QLatin1Char('0')).toUpper() + QLatin1Char('_');
        else
            out += c;
    }
    return out;
}

QString columnLetters(int col)
{
    QString letters;
    while (col > 0) {
        const int rem = (col - 1) % 26;
        letters.prepend(QChar(char16_t(u'A' + rem)));
        col = (col - 1) / 26;
    }
    return letters;
}

QString cellReference(int row, int col)
{
    return columnLetters(col) + QString::number(row);
}

// One token of an element kept for writing later.
struct Token
{
    QXmlStreamReader::TokenType type = QXmlStreamReader::NoToken;
    QString name;
    QXmlStreamAttributes attributes;
    QString text;
    bool cdata = false;
};

// Copies an XML part token by token, without namespace processing, so prefixes, declarations
// and attributes come out as they went in.
class XmlCopier
{
public:
    explicit XmlCopier(const QByteArray& input) : reader(input), writer(&output)
    {
        reader.setNamespaceProcessing(false);
        writer.setAutoFormatting(false);
    }

    Token current() const
    {
        Token token;
        token.type = reader.tokenType();
        token.name = reader.qualifiedName().toString();
        if (token.type == QXmlStreamReader::StartElement)
            token.attributes = reader.attributes();
        if (token.type == QXmlStreamReader::Characters || token.type == QXmlStreamReader::Comment) {
            token.text = reader.text().toString();
            token.cdata = reader.isCDATA();
        }
        if (token.type == QXmlStreamReader::ProcessingInstruction) {
            token.name = reader.processingInstructionTarget().toString();
            token.text = reader.processingInstructionData().toString();
        }
        return token;
    }

    void write(const Token& token)
    {
        switch (token.type) {
        case QXmlStreamReader::StartElement:
            writer.writeStartElement(token.name);
            for (const QXmlStreamAttribute& attribute : token.attributes)
                writer.writeAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
            break;
        case QXmlStreamReader::EndElement:
            writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (token.cdata)
                writer.writeCDATA(token.text);
            else
                writer.writeCharacters(token.text);
            break;
        case QXmlStreamReader::Comment:
            writer.writeComment(token.text);
            break;
        case QXmlStreamReader::ProcessingInstruction:
            writer.writeProcessingInstruction(token.name, token.text);
            break;
        default:
            break;
        }
    }

    void copyCurrent()
    {
        switch (reader.tokenType()) {
        case QXmlStreamReader::StartDocument:
            if (reader.isStandaloneDocument())
                writer.writeStartDocument(reader.documentVersion().toString(), reader.isStandaloneDocument());
            else
                writer.writeStartDocument(reader.documentVersion().isEmpty()
                                              ? QStringLiteral("1.0")
                                              : reader.documentVersion().toString());
            break;
        case QXmlStreamReader::EndDocument:
            writer.writeEndDocument();
            break;
        case QXmlStreamReader::DTD:
            writer.writeDTD(reader.text().toString());
            break;
        case QXmlStreamReader::EntityReference:
            writer.writeEntityReference(reader.name().toString());
            break;
        default:
            write(current());
            break;
        }
    }

    // Reads the rest of the current element, returning its tokens (the start included).
    std::vector<Token> captureElement()
    {
        std::vector<Token> tokens{current()};
        int depth = 1;
        while (depth > 0 && !reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement())
                ++depth;
            else if (reader.isEndElement())
                --depth;
            tokens.push_back(current());
        }
        return tokens;
    }

    // Writes the rest of the current element as it is.
    void copyRestOfElement()
    {
        int depth = 1;
        while (depth > 0 && !reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement())
                ++depth;
            else if (reader.isEndElement())
                --depth;
            copyCurrent();
        }
    }

    // Consumes the rest of the current element without writing it.
    void skipElement() { reader.skipCurrentElement(); }

    bool failed(QString* error) const
    {
        if (reader.hasError()) {
            if (error)
                *error = xmlErrorReason(reader);
            return true;
        }
        return false;
    }

    QXmlStreamReader reader;
    QByteArray output;
    QXmlStreamWriter writer;
};

// ------------------------------------------------------------------------------------ styles

struct StyleRequest
{
    int baseXf = 0;
    quint32 rgb = 0;
};

// Hands out new cell style numbers for (existing style, fill) pairs and writes them into
// styles.xml afterwards.
class StyleAllocator
{
public:
    bool load(const QByteArray& styles)
    {
        QXmlStreamReader reader(styles);
        reader.setNamespaceProcessing(false);
        int depth = 0;
        int fillsDepth = -1;
        int xfsDepth = -1;
        bool sawFills = false;
        bool sawXfs = false;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement()) {
                ++depth;
                const QStringView name = localName(reader.qualifiedName());
                if (depth == 2 && name == QLatin1String("fills")) {
                    fillsDepth = depth;
                    sawFills = true;
                } else if (depth == 2 && name == QLatin1String("cellXfs")) {
                    xfsDepth = depth;
                    sawXfs = true;
                } else if (fillsDepth > 0 && depth == fillsDepth + 1 && name == QLatin1String("fill")) {
                    ++m_fillCount;
                } else if (xfsDepth > 0 && depth == xfsDepth + 1 && name == QLatin1String("xf")) {
                    ++m_xfCount;
                }
            } else if (reader.isEndElement()) {
                if (depth == fillsDepth)
                    fillsDepth = -1;
                if (depth == xfsDepth)
                    xfsDepth = -1;
                --depth;
            }
        }
        return !reader.hasError() && sawFills && sawXfs && m_xfCount > 0;
    }

    int styleFor(int baseXf, quint32 rgb)
    {
        if (baseXf < 0 || baseXf >= m_xfCount)
            baseXf = 0;
        for (std::size_t i = 0; i < m_requests.size(); ++i) {
            if (m_requests[i].baseXf == baseXf && m_requests[i].rgb == rgb)
                return m_xfCount + int(i);
        }
        m_requests.push_back({baseXf, rgb});
        if (std::find(m_colours.begin(), m_colours.end(), rgb) == m_colours.end())
            m_colours.push_back(rgb);
        return m_xfCount + int(m_requests.size()) - 1;
    }

    bool empty() const { return m_requests.empty(); }

    std::optional<QByteArray> rewrite(const QByteArray& styles, QString* error) const
    {
        // The existing cell styles, to copy from.
        std::vector<std::vector<Token>> xfs;
        {
            XmlCopier scan(styles);
            int depth = 0;
            bool inXfs = false;
            while (!scan.reader.atEnd()) {
                scan.reader.readNext();
                if (scan.reader.isStartElement()) {
                    ++depth;
                    const QStringView name = localName(scan.reader.qualifiedName());
                    if (depth == 2 && name == QLatin1String("cellXfs")) {
                        inXfs = true;
                    } else if (inXfs && depth == 3 && name == QLatin1String("xf")) {
                        xfs.push_back(scan.captureElement());
                        --depth;
                    }
                } else if (scan.reader.isEndElement()) {
                    if (depth == 2)
                        inXfs = false;
                    --depth;
                }
            }
        }

        XmlCopier copier(styles);
        int depth = 0;
        while (!copier.reader.atEnd()) {
            copier.reader.readNext();
            if (copier.reader.isStartElement()) {
                ++depth;
                const QStringView qualified = copier.reader.qualifiedName();
                const QStringView name = localName(qualified);
                if (depth == 2 && (name == QLatin1String("fills") || name == QLatin1String("cellXfs"))) {
                    Token token = copier.current();
                    const bool fills = name == QLatin1String("fills");
                    const int count =
                        fills ? m_fillCount + int(m_colours.size()) : m_xfCount + int(m_requests.size());
                    QXmlStreamAttributes attributes;
                    for (const QXmlStreamAttribute& a : token.attributes) {
                        if (a.qualifiedName() != QLatin1String("count"))
                            attributes.append(a);
                    }
                    attributes.append(QStringLiteral("count"), QString::number(count));
                    token.attributes = attributes;
                    copier.write(token);
                    continue;
                }
            } else if (copier.reader.isEndElement()) {
                const QStringView qualified = copier.reader.qualifiedName();
                const QStringView name = localName(qualified);
                if (depth == 2 && name == QLatin1String("fills")) {
                    const QString p = prefixOf(qualified);
                    for (const quint32 rgb : m_colours) {
                        copier.writer.writeStartElement(p + QStringLiteral("fill"));
                        copier.writer.writeStartElement(p + QStringLiteral("patternFill"));
                        copier.writer.writeAttribute(QStringLiteral("patternType"), QStringLiteral("solid"));
                        copier.writer.writeEmptyElement(p + QStringLiteral("fgColor"));
                        copier.writer.writeAttribute(
                            QStringLiteral("rgb"),
                            QStringLiteral("FF%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper());
                        copier.writer.writeEmptyElement(p + QStringLiteral("bgColor"));
                        copier.writer.writeAttribute(QStringLiteral("indexed"), QStringLiteral("64"));
                        copier.writer.writeEndElement();
                        copier.writer.writeEndElement();
                    }
                } else if (depth == 2 && name == QLatin1String("cellXfs")) {
                    for (const StyleRequest& request : m_requests) {
                        const int fillId =
                            m_fillCount + int(std::find(m_colours.begin(), m_colours.end(), request.rgb) -
                                              m_colours.begin());
                        std::vector<Token> tokens = xfs.at(std::size_t(request.baseXf));
                        QXmlStreamAttributes attributes;
                        for (const QXmlStreamAttribute& a : tokens.front().attributes) {
                            if (a.qualifiedName() != QLatin1String("fillId") &&
                                a.qualifiedName() != QLatin1String("applyFill"))
                                attributes.append(a);
                        }
                        attributes.append(QStringLiteral("fillId"), QString::number(fillId));
                        attributes.append(QStringLiteral("applyFill"), QStringLiteral("1"));
                        tokens.front().attributes = attributes;
                        for (const Token& token : tokens)
                            copier.write(token);
                    }
                }
                --depth;
            }
            copier.copyCurrent();
        }
        if (copier.failed(error) || int(xfs.size()) != m_xfCount)
            return std::nullopt;
        return copier.output;
    }

private:
    int m_fillCount = 0;
    int m_xfCount = 0;
    std::vector<StyleRequest> m_requests;
    std::vector<quint32> m_colours;
};

// ------------------------------------------------------------------------------------ sheets

struct Range
{
    int firstRow = 0, firstCol = 0, lastRow = 0, lastCol = 0;
    bool valid() const { return firstRow > 0; }
    void extend(int row, int col)
    {
        if (!valid()) {
            firstRow = lastRow = row;
            firstCol = lastCol = col;
            return;
        }
        firstRow = std::min(firstRow, row);
        lastRow = std::max(lastRow, row);
        firstCol = std::min(firstCol, col);
        lastCol = std::max(lastCol, col);
    }
    QString text() const
    {
        const QString first = cellReference(firstRow, firstCol);
        return firstRow == lastRow && firstCol == lastCol
                   ? first
                   : first + QLatin1Char(':') + cellReference(lastRow, lastCol);
    }
};

using CellPatch = std::map<int, std::map<int, PlacedCell>>; // row -> col -> cell

class SheetPatcher
{
public:
    SheetPatcher(const CellPatch& cells, StyleAllocator* styles) : m_cells(cells), m_styles(styles)
    {
        for (const auto& [row, columns] : cells) {
            for (const auto& [col, cell] : columns)
                m_target.extend(row, col);
        }
    }

    bool formulaOverwritten() const { return m_formulaOverwritten; }

    std::optional<QByteArray> patch(const QByteArray& xml, QString* error)
    {
        XmlCopier copier(xml);
        bool sawSheetData = false;
        int depth = 0;
        while (!copier.reader.atEnd()) {
            copier.reader.readNext();
            if (copier.reader.isStartElement()) {
                ++depth;
                const QStringView name = localName(copier.reader.qualifiedName());
                if (depth == 2 && name == QLatin1String("dimension")) {
                    writeDimension(copier);
                    continue;
                }
                if (depth == 3 && name == QLatin1String("col"))
                    noteColumnStyle(copier.reader.attributes());
                if (depth == 2 && name == QLatin1String("sheetData")) {
                    sawSheetData = true;
                    m_prefix = prefixOf(copier.reader.qualifiedName());
                    copier.copyCurrent();
                    if (!patchSheetData(copier, error))
                        return std::nullopt;
                    --depth;
                    continue;
                }
            } else if (copier.reader.isEndElement()) {
                --depth;
            }
            copier.copyCurrent();
        }
        if (copier.failed(error))
            return std::nullopt;
        if (!sawSheetData) {
            if (error)
                *error = QStringLiteral("Tabellenblatt ohne Zelldaten");
            return std::nullopt;
        }
        return copier.output;
    }

private:
    void writeDimension(XmlCopier& copier)
    {
        Token token = copier.current();
        Range range = m_target;
        QXmlStreamAttributes attributes;
        for (const QXmlStreamAttribute& a : token.attributes) {
            if (a.qualifiedName() == QLatin1String("ref")) {
                for (const QStringView part : a.value().split(QLatin1Char(':'))) {
                    int col = 0, row = 0;
                    if (XlsxReader::parseCellReference(part, col, row))
                        range.extend(row, col);
                }
            } else {
                attributes.append(a);
            }
        }
        if (range.valid())
            attributes.append(QStringLiteral("ref"), range.text());
        token.attributes = attributes;
        copier.write(token);
    }

    void noteColumnStyle(const QXmlStreamAttributes& attributes)
    {
        bool ok1 = false, ok2 = false, ok3 = false;
        const int min = attributes.value(QLatin1String("min")).toInt(&ok1);
        const int max = attributes.value(QLatin1String("max")).toInt(&ok2);
        const int style = attributes.value(QLatin1String("style")).toInt(&ok3);
        if (ok1 && ok2 && ok3 && min >= 1 && max >= min && style > 0)
            m_columnStyles.push_back({min, max, style});
    }

    int defaultStyle(int col, int rowStyle) const
    {
        if (rowStyle > 0)
            return rowStyle;
        for (const ColumnStyle& cs : m_columnStyles) {
            if (col >= cs.min && col <= cs.max)
                return cs.style;
        }
        return 0;
    }

    // Writes a patched cell; `existing` holds the attributes of the cell it replaces.
    void writeCell(XmlCopier& copier, const PlacedCell& cell, const QXmlStreamAttributes* existing,
                   int rowStyle)
    {
        int style = defaultStyle(cell.col, rowStyle);
        QXmlStreamAttributes kept;
        if (existing) {
            style = 0;
            for (const QXmlStreamAttribute& a : *existing) {
                const QStringView name = a.qualifiedName();
                if (name == QLatin1String("s"))
                    style = a.value().toInt();
                else if (name != QLatin1String("r") && name != QLatin1String("t") &&
                         name != QLatin1String("cm") && name != QLatin1String("vm"))
                    kept.append(a);
            }
        }
        if (cell.fill != CellFill::None && m_styles)
            style = m_styles->styleFor(style, quint32(cell.fill));
        if (!existing && style == 0 && cell.value.kind == CellValue::Kind::Empty)
            return;

        QXmlStreamWriter& w = copier.writer;
        w.writeStartElement(m_prefix + QStringLiteral("c"));
        w.writeAttribute(QStringLiteral("r"), cellReference(cell.row, cell.col));
        if (style > 0)
            w.writeAttribute(QStringLiteral("s"), QString::number(style));
        if (cell.value.kind == CellValue::Kind::Text)
            w.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
        for (const QXmlStreamAttribute& a : kept)
            w.writeAttribute(a.qualifiedName().toString(), a.value().toString());
        if (cell.value.kind == CellValue::Kind::Number) {
            w.writeTextElement(m_prefix + QStringLiteral("v"),
                               QString::number(cell.value.number, 'g', QLocale::FloatingPointShortest));
        } else if (cell.value.kind == CellValue::Kind::Text) {
            w.writeStartElement(m_prefix + QStringLiteral("is"));
            w.writeStartElement(m_prefix + QStringLiteral("t"));
            w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            w.writeCharacters(xmlSafe(cell.value.text));
            w.writeEndElement();
            w.writeEndElement();
        }
        w.writeEndElement();
    }

    void writeNewRow(XmlCopier& copier, int row, const std::map<int, PlacedCell>& cells)
    {
        copier.writer.writeStartElement(m_prefix + QStringLiteral("row"));
        copier.writer.writeAttribute(QStringLiteral("r"), QString::number(row));
        for (const auto& [col, cell] : cells)
            writeCell(copier, cell, nullptr, 0);
        copier.writer.writeEndElement();
    }

    bool patchSheetData(XmlCopier& copier, QString* error)
    {
        auto next = m_cells.begin();
        int row = 0;
        QXmlStreamReader& reader = copier.reader;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isEndElement()) {
                // </sheetData>
                for (; next != m_cells.end(); ++next)
                    writeNewRow(copier, next->first, next->second);
                copier.copyCurrent();
                return true;
            }
            if (!reader.isStartElement() || localName(reader.qualifiedName()) != QLatin1String("row")) {
                if (reader.isStartElement()) {
                    for (const Token& token : copier.captureElement())
                        copier.write(token);
                } else {
                    copier.copyCurrent();
                }
                continue;
            }
            const QXmlStreamAttributes attributes = reader.attributes();
            const QStringView r = attributes.value(QLatin1String("r"));
            if (r.isEmpty()) {
                ++row;
            } else {
                bool ok = false;
                const int number = r.toInt(&ok);
                if (!ok || number < 1 || number > 1048576) {
                    if (error)
                        *error = QStringLiteral("ungültige Zeilennummer");
                    return false;
                }
                row = number;
            }
            for (; next != m_cells.end() && next->first < row; ++next)
                writeNewRow(copier, next->first, next->second);
            const bool patched = next != m_cells.end() && next->first == row;

            // The row element: its number always written, so inserted rows cannot shift rows
            // that relied on their position; the span hint dropped when cells change.
            Token start = copier.current();
            QXmlStreamAttributes rowAttributes;
            int rowStyle = 0;
            bool customFormat = false;
            for (const QXmlStreamAttribute& a : attributes) {
                const QStringView name = a.qualifiedName();
                if (name == QLatin1String("r") || (patched && name == QLatin1String("spans")))
                    continue;
                if (name == QLatin1String("s"))
                    rowStyle = a.value().toInt();
                if (name == QLatin1String("customFormat"))
                    customFormat = a.value() == QLatin1String("1") || a.value() == QLatin1String("true");
                rowAttributes.append(a);
            }
            rowAttributes.prepend(QXmlStreamAttribute(QStringLiteral("r"), QString::number(row)));
            start.attributes = rowAttributes;
            copier.write(start);
            if (!customFormat)
                rowStyle = 0;
            static const std::map<int, PlacedCell> kNone;
            const std::map<int, PlacedCell>& targets = patched ? next->second : kNone;
            if (!patchRow(copier, row, targets, rowStyle, error))
                return false;
            if (patched)
                ++next;
        }
        if (error)
            *error = reader.hasError() ? xmlErrorReason(reader) : QStringLiteral("Zelldaten unvollständig");
        return false;
    }

    bool patchRow(XmlCopier& copier, int row, const std::map<int, PlacedCell>& targets, int rowStyle,
                  QString* error)
    {
        auto next = targets.begin();
        int col = 0;
        QXmlStreamReader& reader = copier.reader;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isEndElement()) {
                // </row>
                for (; next != targets.end(); ++next)
                    writeCell(copier, next->second, nullptr, rowStyle);
                copier.copyCurrent();
                return true;
            }
            if (!reader.isStartElement()) {
                copier.copyCurrent();
                continue;
            }
            if (localName(reader.qualifiedName()) != QLatin1String("c")) {
                // Before an extension list every cell has to be written.
                for (; next != targets.end(); ++next)
                    writeCell(copier, next->second, nullptr, rowStyle);
                for (const Token& token : copier.captureElement())
                    copier.write(token);
                continue;
            }
            const QStringView ref = reader.attributes().value(QLatin1String("r"));
            if (ref.isEmpty()) {
                ++col;
            } else {
                int refRow = 0;
                if (!XlsxReader::parseCellReference(ref, col, refRow) || refRow != row) {
                    if (error)
                        *error = QStringLiteral("ungültiger Zellbezug");
                    return false;
                }
            }
            for (; next != targets.end() && next->first < col; ++next)
                writeCell(copier, next->second, nullptr, rowStyle);
            if (next != targets.end() && next->first == col) {
                // Replaced: only its attributes matter, and whether it held a formula.
                const QXmlStreamAttributes attributes = reader.attributes();
                int depth = 1;
                while (depth > 0 && !reader.atEnd()) {
                    reader.readNext();
                    if (reader.isStartElement()) {
                        ++depth;
                        if (localName(reader.qualifiedName()) == QLatin1String("f"))
                            m_formulaOverwritten = true;
                    } else if (reader.isEndElement()) {
                        --depth;
                    }
                }
                writeCell(copier, next->second, &attributes, rowStyle);
                ++next;
            } else {
                // Kept as it is, with its reference made explicit.
                Token start = copier.current();
                if (ref.isEmpty()) {
                    // An empty reference counts as none; it is replaced, not repeated.
                    QXmlStreamAttributes attributes;
                    attributes.append(QStringLiteral("r"), cellReference(row, col));
                    for (const QXmlStreamAttribute& a : start.attributes) {
                        if (a.qualifiedName() != QLatin1String("r"))
                            attributes.append(a);
                    }
                    start.attributes = attributes;
                }
                copier.write(start);
                copier.copyRestOfElement();
            }
        }
        if (error)
            *error = reader.hasError() ? xmlErrorReason(reader) : QStringLiteral("Zeile unvollständig");
        return false;
    }

    struct ColumnStyle
    {
        int min, max, style;
    };

    const CellPatch& m_cells;
    StyleAllocator* m_styles;
    Range m_target;
    QString m_prefix;
    std::vector<ColumnStyle> m_columnStyles;
    bool m_formulaOverwritten = false;
};

// ------------------------------------------------------------------------ package bookkeeping

// Copies a part, leaving out the elements `drop` picks and adding `append` at the end of the root.
using ElementFilter = std::function<bool(const QStringView local, const QXmlStreamAttributes&)>;
using RootAppender = std::function<void(QXmlStreamWriter&, const QString& prefix)>;

std::optional<QByteArray> filterPart(const QByteArray& xml, const ElementFilter& drop,
                                     const RootAppender& append, QString* error)
{
    XmlCopier copier(xml);
    int depth = 0;
    QString rootPrefix;
    while (!copier.reader.atEnd()) {
        copier.reader.readNext();
        if (copier.reader.isStartElement()) {
            ++depth;
            if (depth == 1)
                rootPrefix = prefixOf(copier.reader.qualifiedName());
            if (drop && depth == 2 &&
                drop(localName(copier.reader.qualifiedName()), copier.reader.attributes())) {
                copier.skipElement();
                --depth;
                continue;
            }
        } else if (copier.reader.isEndElement()) {
            if (depth == 1 && append)
                append(copier.writer, rootPrefix);
            --depth;
        }
        copier.copyCurrent();
    }
    if (copier.failed(error))
        return std::nullopt;
    return copier.output;
}

std::optional<QByteArray> patchCoreProperties(const QByteArray& xml, const DocumentProperties& properties,
                                              QString* error)
{
    const std::vector<std::pair<QString, QString>> wanted{
        {QStringLiteral("creator"), properties.author},
        {QStringLiteral("title"), properties.title},
        {QStringLiteral("subject"), properties.subject},
        {QStringLiteral("description"), properties.comments}};
    std::vector<bool> done(wanted.size(), false);
    XmlCopier copier(xml);
    int depth = 0;
    QString dcPrefix;
    bool declareDc = false;
    while (!copier.reader.atEnd()) {
        copier.reader.readNext();
        if (copier.reader.isStartElement()) {
            ++depth;
            if (depth == 1) {
                Token root = copier.current();
                for (const QXmlStreamAttribute& a : root.attributes) {
                    if (a.value() == kDcNamespace && a.qualifiedName().startsWith(QLatin1String("xmlns:")))
                        dcPrefix = a.qualifiedName().mid(6).toString() + QLatin1Char(':');
                }
                if (dcPrefix.isEmpty()) {
                    dcPrefix = QStringLiteral("dc:");
                    declareDc = true;
                    root.attributes.append(QStringLiteral("xmlns:dc"), kDcNamespace);
                }
                copier.write(root);
                continue;
            }
            if (depth == 2) {
                const QString qualified = copier.reader.qualifiedName().toString();
                for (std::size_t i = 0; i < wanted.size(); ++i) {
                    if (!declareDc && qualified == dcPrefix + wanted[i].first) {
                        copier.writer.writeTextElement(qualified, xmlSafe(wanted[i].second));
                        copier.skipElement();
                        done[i] = true;
                        --depth;
                        break;
                    }
                }
                if (copier.reader.isEndElement())
                    continue;
            }
        } else if (copier.reader.isEndElement()) {
            if (depth == 1) {
                for (std::size_t i = 0; i < wanted.size(); ++i) {
                    if (!done[i])
                        copier.writer.writeTextElement(dcPrefix + wanted[i].first, xmlSafe(wanted[i].second));
                }
            }
            --depth;
        }
        copier.copyCurrent();
    }
    if (copier.failed(error))
        return std::nullopt;
    return copier.output;
}

QByteArray newCoreProperties(const DocumentProperties& properties)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument(QStringLiteral("1.0"), true);
    w.writeStartElement(QStringLiteral("cp:coreProperties"));
    w.writeAttribute(
        QStringLiteral("xmlns:cp"),
        QStringLiteral("http://schemas.openxmlformats.org/package/2006/metadata/core-properties"));
    w.writeAttribute(QStringLiteral("xmlns:dc"), kDcNamespace);
    w.writeAttribute(QStringLiteral("xmlns:dcterms"), QStringLiteral("http://purl.org/dc/terms/"));
    w.writeAttribute(QStringLiteral("xmlns:dcmitype"), QStringLiteral("http://purl.org/dc/dcmitype/"));
    w.writeAttribute(QStringLiteral("xmlns:xsi"),
                     QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
    w.writeTextElement(QStringLiteral("dc:title"), xmlSafe(properties.title));
    w.writeTextElement(QStringLiteral("dc:subject"), xmlSafe(properties.subject));
    w.writeTextElement(QStringLiteral("dc:creator"), xmlSafe(properties.author));
    w.writeTextElement(QStringLiteral("dc:description"), xmlSafe(properties.comments));
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

// The block's cells; when the sheet held a longer table before (`previous`, as a load reads it),
// its rows below the new last row are emptied in the block's columns, or the next load would
// read them as teams. What stands below the old table and right of the block stays.
CellPatch patchOf(const ProtocolSheet& sheet, const SheetContent* previous)
{
    CellPatch cells;
    const SheetBlock& block = sheet.block;
    for (int r = 0; r < block.rows; ++r) {
        std::map<int, PlacedCell>& row = cells[block.firstRow + r];
        for (int c = 0; c < block.width; ++c)
            row.emplace(c + 1, PlacedCell{block.firstRow + r, c + 1, block.at(r, c), CellFill::None});
    }
    if (!previous)
        return cells;
    const int lastRow = block.firstRow + tableLength(*previous, block.firstRow) - 1;
    for (auto it = previous->rows.upper_bound(block.firstRow + block.rows - 1);
         it != previous->rows.end() && it->first <= lastRow; ++it) {
        for (int c = 1; c <= block.width; ++c)
            cells[it->first].emplace(c, PlacedCell{it->first, c, CellValue(), CellFill::None});
    }
    return cells;
}

CellPatch patchOf(const std::vector<PlacedCell>& placed)
{
    CellPatch cells;
    for (const PlacedCell& cell : placed) {
        if (cell.row >= 1 && cell.row <= 1048576 && cell.col >= 1 && cell.col <= 16384)
            cells[cell.row][cell.col] = cell;
    }
    return cells;
}

} // namespace

bool XlsxPatcher::isWorkbook(const QByteArray& data)
{
    if (!data.startsWith("PK"))
        return false;
    ZipArchive archive;
    XlsxStructure structure;
    return archive.open(data, nullptr) && readXlsxStructure(archive, structure, nullptr);
}

bool XlsxPatcher::patch(const QByteArray& workbook, const std::vector<ProtocolSheet>& sheets,
                        const std::vector<PlacedCell>& bracket, const DocumentProperties& properties,
                        QByteArray& result)
{
    m_error.clear();
    m_bracketWritten = false;
    ZipArchive archive;
    QString detail;
    if (!archive.open(workbook, &detail)) {
        m_error = QStringLiteral("Die Datei ist keine Excel-Arbeitsmappe (%1).").arg(detail);
        return false;
    }
    XlsxStructure structure;
    if (!readXlsxStructure(archive, structure, &m_error))
        return false;
    if (structure.worksheets.size() < sheets.size()) {
        m_error = QStringLiteral("Die Arbeitsmappe hat nur %1 Tabellenblätter, das Protokoll braucht %2.")
                      .arg(structure.worksheets.size())
                      .arg(sheets.size());
        return false;
    }

    // The tables as they stand now, read the way a load reads them; without them (a sheet the
    // reader refuses) nothing is emptied.
    int width = 1;
    for (const ProtocolSheet& sheet : sheets)
        width = std::max(width, sheet.block.width);
    WorkbookContent previous;
    if (!XlsxReader(QLatin1Char('.'), width, int(sheets.size())).read(workbook, previous))
        previous.sheets.clear();

    bool formulaOverwritten = false;
    for (std::size_t k = 0; k < sheets.size(); ++k) {
        const XlsxSheetEntry& entry = structure.worksheets[k];
        const std::optional<QByteArray> xml = archive.read(entry.part, &detail);
        if (!xml) {
            m_error =
                QStringLiteral("Das Tabellenblatt „%1“ lässt sich nicht lesen: %2").arg(entry.name, detail);
            return false;
        }
        const CellPatch cells =
            patchOf(sheets[k], k < previous.sheets.size() ? &previous.sheets[k] : nullptr);
        SheetPatcher patcher(cells, nullptr);
        const std::optional<QByteArray> patched = patcher.patch(*xml, &detail);
        if (!patched || !archive.write(entry.part, *patched, &detail)) {
            m_error = QStringLiteral("Das Tabellenblatt „%1“ lässt sich nicht beschreiben: %2")
                          .arg(entry.name, detail);
            return false;
        }
        formulaOverwritten = formulaOverwritten || patcher.formulaOverwritten();
    }

    // The bracket: any failure leaves sheet 7 and the styles as they were.
    if (structure.worksheets.size() > 6 && !bracket.empty()) {
        const XlsxSheetEntry& entry = structure.worksheets[6];
        const std::optional<QByteArray> xml = archive.read(entry.part, nullptr);
        const std::optional<QByteArray> styles =
            structure.stylesPart.isEmpty() ? std::nullopt : archive.read(structure.stylesPart, nullptr);
        StyleAllocator allocator;
        const bool stylesUsable = styles && allocator.load(*styles);
        if (xml) {
            const CellPatch cells = patchOf(bracket);
            SheetPatcher patcher(cells, stylesUsable ? &allocator : nullptr);
            const std::optional<QByteArray> patched = patcher.patch(*xml, nullptr);
            std::optional<QByteArray> newStyles;
            if (patched && stylesUsable && !allocator.empty())
                newStyles = allocator.rewrite(*styles, nullptr);
            const bool stylesOk = !stylesUsable || allocator.empty() || newStyles;
            if (patched && stylesOk) {
                bool ok = archive.write(entry.part, *patched, nullptr);
                if (ok && newStyles)
                    ok = archive.write(structure.stylesPart, *newStyles, nullptr);
                m_bracketWritten = ok;
                formulaOverwritten = formulaOverwritten || patcher.formulaOverwritten();
            }
        }
    }

    // The calculation chain names formula cells; one that no longer exists makes the
    // spreadsheet complain, so the chain goes and is rebuilt on the next calculation.
    if (formulaOverwritten && !structure.calcChainPart.isEmpty() &&
        archive.contains(structure.calcChainPart)) {
        archive.remove(structure.calcChainPart);
        const QString chainName = QLatin1Char('/') + structure.calcChainPart;
        if (const std::optional<QByteArray> rels = archive.read(structure.workbookRelsPart, nullptr)) {
            const std::optional<QByteArray> filtered = filterPart(
                *rels,
                [&](QStringView local, const QXmlStreamAttributes& a) {
                    return local == QLatin1String("Relationship") &&
                           isRelationshipType(a.value(QLatin1String("Type")).toString(), "calcChain");
                },
                {}, nullptr);
            if (filtered)
                archive.write(structure.workbookRelsPart, *filtered, nullptr);
        }
        if (const std::optional<QByteArray> types =
                archive.read(QStringLiteral("[Content_Types].xml"), nullptr)) {
            const std::optional<QByteArray> filtered = filterPart(
                *types,
                [&](QStringView local, const QXmlStreamAttributes& a) {
                    return local == QLatin1String("Override") &&
                           a.value(QLatin1String("PartName")).compare(chainName, Qt::CaseInsensitive) == 0;
                },
                {}, nullptr);
            if (filtered)
                archive.write(QStringLiteral("[Content_Types].xml"), *filtered, nullptr);
        }
    }

    // Document properties.
    if (!structure.corePropertiesPart.isEmpty() && archive.contains(structure.corePropertiesPart)) {
        const std::optional<QByteArray> core = archive.read(structure.corePropertiesPart, &detail);
        const std::optional<QByteArray> patched =
            core ? patchCoreProperties(*core, properties, &detail) : std::nullopt;
        if (!patched || !archive.write(structure.corePropertiesPart, *patched, &detail)) {
            m_error = QStringLiteral("Die Dokumenteigenschaften lassen sich nicht schreiben: %1").arg(detail);
            return false;
        }
    } else {
        const QString part = QStringLiteral("docProps/core.xml");
        const std::optional<QByteArray> rels = archive.read(QStringLiteral("_rels/.rels"), &detail);
        const std::optional<QByteArray> types = archive.read(QStringLiteral("[Content_Types].xml"), &detail);
        if (rels && types) {
            const std::optional<QByteArray> newRels = filterPart(
                *rels, {},
                [&](QXmlStreamWriter& w, const QString& prefix) {
                    w.writeEmptyElement(prefix + QStringLiteral("Relationship"));
                    w.writeAttribute(QStringLiteral("Id"), QStringLiteral("rIdBrvCore"));
                    w.writeAttribute(QStringLiteral("Type"), kCorePropertiesType);
                    w.writeAttribute(QStringLiteral("Target"), part);
                },
                &detail);
            const std::optional<QByteArray> newTypes = filterPart(
                *types, {},
                [&](QXmlStreamWriter& w, const QString& prefix) {
                    w.writeEmptyElement(prefix + QStringLiteral("Override"));
                    w.writeAttribute(QStringLiteral("PartName"), QLatin1Char('/') + part);
                    w.writeAttribute(QStringLiteral("ContentType"), kCoreContentType);
                },
                &detail);
            if (!newRels || !newTypes || !archive.write(part, newCoreProperties(properties), &detail) ||
                !archive.write(QStringLiteral("_rels/.rels"), *newRels, &detail) ||
                !archive.write(QStringLiteral("[Content_Types].xml"), *newTypes, &detail)) {
                m_error =
                    QStringLiteral("Die Dokumenteigenschaften lassen sich nicht schreiben: %1").arg(detail);
                return false;
            }
        }
    }

    const std::optional<QByteArray> bytes = archive.finish(&detail);
    if (!bytes) {
        m_error = QStringLiteral("Die Arbeitsmappe lässt sich nicht zusammensetzen: %1").arg(detail);
        return false;
    }
    result = *bytes;
    return true;
}

bool XlsxPatcher::patchFile(const QString& fileName, const std::vector<ProtocolSheet>& sheets,
                            const std::vector<PlacedCell>& bracket, const DocumentProperties& properties)
{
    m_error.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Die Datei lässt sich nicht öffnen (%1).").arg(file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    file.close();
    QByteArray result;
    if (!patch(data, sheets, bracket, properties, result))
        return false;
    return writeFileAtomically(fileName, result, &m_error);
}

} // namespace brv
