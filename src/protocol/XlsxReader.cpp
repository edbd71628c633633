#include "protocol/XlsxReader.h"

#include "protocol/XlsxPackage.h"
#include "protocol/ZipArchive.h"

#include <QIODevice>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>

namespace brv {

namespace {

// Rows of a sheet that the spreadsheet program addresses; a larger row number is damage.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// The parts that describe the workbook (relationships, the sheet list) are a few kilobytes.
constexpr qint64 kStructurePartLimit = 16LL * 1024 * 1024;
// The longest stretch of a part without markup: far more than a cell's 32,767 characters (a
// text written by another program is read whole), far less than the memory.
constexpr qint64 kMaxStretch = 8 * 1024 * 1024;

} // namespace

bool XlsxReader::parseCellReference(QStringView ref, int& col, int& row)
{
    qsizetype i = 0;
    qint64 c = 0;
    while (i < ref.size()) {
        const char16_t ch = ref[i].unicode();
        const char16_t upper = (ch >= u'a' && ch <= u'z') ? char16_t(ch - 32) : ch;
        if (upper < u'A' || upper > u'Z')
            break;
        c = c * 26 + (upper - u'A' + 1);
        if (c > kMaxColumns)
            return false;
        ++i;
    }
    if (i == 0 || i == ref.size())
        return false;
    qint64 r = 0;
    for (; i < ref.size(); ++i) {
        const char16_t ch = ref[i].unicode();
        if (ch == u'$' && r == 0)
            continue;
        if (ch < u'0' || ch > u'9')
            return false;
        r = r * 10 + (ch - u'0');
        if (r > kMaxRows)
            return false;
    }
    if (r < 1)
        return false;
    col = int(c);
    row = int(r);
    return true;
}

bool XlsxReader::read(const QByteArray& fileData, WorkbookContent& content)
{
    m_error.clear();
    content = WorkbookContent();
    ZipArchive archive;
    QString zipError;
    if (!archive.open(fileData, &zipError)) {
        m_error = QStringLiteral("Die Datei ist keine Excel-Arbeitsmappe (kein gültiges ZIP-Archiv: %1).")
                      .arg(zipError);
        return false;
    }
    XlsxStructure structure;
    if (!readXlsxStructure(archive, structure, &m_error, kStructurePartLimit))
        return false;

    // the sheets to read, each part once with the number of sheets that point to it
    const std::size_t sheetCount =
        std::min<std::size_t>(structure.worksheets.size(), std::size_t(m_maxSheets));
    std::vector<std::pair<QString, int>> parts;
    for (std::size_t k = 0; k < sheetCount; ++k) {
        const QString part = structure.worksheets[k].part.toLower();
        const auto it =
            std::find_if(parts.begin(), parts.end(), [&part](const auto& p) { return p.first == part; });
        if (it == parts.end())
            parts.emplace_back(part, 1);
        else
            ++it->second;
    }
    const bool hasStrings =
        !structure.sharedStringsPart.isEmpty() && archive.contains(structure.sharedStringsPart);
    // what the archive states is checked before anything is unpacked; the streams hold to it
    qint64 stated = hasStrings ? std::max<qint64>(0, archive.statedSize(structure.sharedStringsPart)) : 0;
    for (const auto& [part, weight] : parts)
        stated += std::max<qint64>(0, archive.statedSize(part)) * weight;
    UnpackBudget budget;
    budget.bytesLeft = m_unpackBudget;
    if (stated > budget.bytesLeft) {
        budget.refusal = UnpackBudget::Refusal::TooLarge;
        m_error = stopReason(budget, QString());
        return false;
    }

    std::vector<QString> strings;
    if (hasStrings) {
        QString partError;
        const std::unique_ptr<QIODevice> xml =
            archive.stream(structure.sharedStringsPart, budget, 1, kMaxStretch, &partError);
        if (!xml) {
            m_error = QStringLiteral("Die Texte der Arbeitsmappe lassen sich nicht lesen: %1").arg(partError);
            return false;
        }
        if (!readSharedStrings(*xml, strings) || budget.refusal != UnpackBudget::Refusal::None) {
            m_error = stopReason(budget, m_error);
            return false;
        }
    }

    std::map<QString, SheetContent> read; // by part, until its last sheet takes it
    for (std::size_t k = 0; k < sheetCount; ++k) {
        const XlsxSheetEntry& entry = structure.worksheets[k];
        const QString part = entry.part.toLower();
        auto& [partName, references] =
            *std::find_if(parts.begin(), parts.end(), [&part](const auto& p) { return p.first == part; });
        auto it = read.find(part);
        if (it == read.end()) {
            SheetContent sheet;
            sheet.totalRows = kMaxRows;
            QString partError;
            const std::unique_ptr<QIODevice> xml =
                archive.stream(entry.part, budget, references, kMaxStretch, &partError);
            if (!xml) {
                m_error = QStringLiteral("Das Tabellenblatt „%1“ lässt sich nicht lesen: %2")
                              .arg(entry.name, partError);
                return false;
            }
            // a part whose end is damaged (its checksum) may have parsed whole before
            if (!readSheet(*xml, strings, sheet) || budget.refusal != UnpackBudget::Refusal::None) {
                const bool damaged = budget.refusal == UnpackBudget::Refusal::Damaged;
                m_error = budget.refusal == UnpackBudget::Refusal::None || damaged
                              ? QStringLiteral("Das Tabellenblatt „%1“ ist beschädigt: %2")
                                    .arg(entry.name, damaged ? budget.damage : m_error)
                              : stopReason(budget, m_error);
                return false;
            }
            it = read.emplace(part, std::move(sheet)).first;
        }
        if (--references > 0) {
            content.sheets.push_back(it->second);
        } else {
            content.sheets.push_back(std::move(it->second));
            read.erase(it);
        }
        content.sheets.back().name = entry.name;
    }
    return true;
}

QString XlsxReader::stopReason(const UnpackBudget& budget, const QString& parseError) const
{
    switch (budget.refusal) {
    case UnpackBudget::Refusal::TooLarge:
        return QStringLiteral("Die Arbeitsmappe ist zu groß: ihre Tabellenblätter und Texte brauchen "
                              "ausgepackt mehr als %1 MB.")
            .arg(m_unpackBudget / (1024 * 1024));
    case UnpackBudget::Refusal::TooLong:
        return QStringLiteral("Die Arbeitsmappe ist beschädigt: ein Text ist länger als %1 MB.")
            .arg(kMaxStretch / (1024 * 1024));
    case UnpackBudget::Refusal::Damaged:
        return QStringLiteral("Die Arbeitsmappe ist beschädigt: %1").arg(budget.damage);
    case UnpackBudget::Refusal::None:
        break;
    }
    return parseError;
}

bool XlsxReader::readSharedStrings(QIODevice& xml, std::vector<QString>& strings)
{
    QXmlStreamReader reader(&xml);
    QString current;
    bool inItem = false;
    int phonetic = 0; // inside <rPh>: reading aids, not part of the text
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = reader.name();
            if (name == QLatin1String("si")) {
                inItem = true;
                current.clear();
            } else if (name == QLatin1String("rPh")) {
                ++phonetic;
            } else if (name == QLatin1String("t") && inItem && phonetic == 0) {
                current += reader.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        } else if (token == QXmlStreamReader::EndElement) {
            const QStringView name = reader.name();
            if (name == QLatin1String("si")) {
                strings.push_back(current);
                inItem = false;
            } else if (name == QLatin1String("rPh") && phonetic > 0) {
                --phonetic;
            }
        }
    }
    if (reader.hasError()) {
        m_error =
            QStringLiteral("Die Texte der Arbeitsmappe sind beschädigt: %1.").arg(xmlErrorReason(reader));
        return false;
    }
    return true;
}

bool XlsxReader::readSheet(QIODevice& xml, const std::vector<QString>& strings, SheetContent& sheet)
{
    QXmlStreamReader reader(&xml);
    int row = 0;
    int col = 0;
    bool inSheetData = false;

    // The cell being read.
    QString type;
    QString value;
    QString inlineText;
    bool hasValue = false;
    bool hasInline = false;

    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = reader.name();
            if (name == QLatin1String("sheetData")) {
                inSheetData = true;
            } else if (!inSheetData) {
                continue;
            } else if (name == QLatin1String("row")) {
                const QStringView r = reader.attributes().value(QLatin1String("r"));
                if (r.isEmpty()) {
                    // a row without its number follows the one before, and counts as well
                    if (++row > kMaxRows) {
                        m_error = QStringLiteral("mehr als %1 Zeilen").arg(kMaxRows);
                        return false;
                    }
                } else {
                    bool ok = false;
                    const int number = r.toInt(&ok);
                    if (!ok || number < 1 || number > kMaxRows) {
                        m_error = QStringLiteral("ungültige Zeilennummer „%1“").arg(r.toString());
                        return false;
                    }
                    row = number;
                }
                col = 0;
            } else if (name == QLatin1String("c")) {
                const QXmlStreamAttributes attributes = reader.attributes();
                const QStringView ref = attributes.value(QLatin1String("r"));
                if (ref.isEmpty()) {
                    ++col;
                    if (row == 0)
                        row = 1;
                } else {
                    int refRow = 0;
                    if (!parseCellReference(ref, col, refRow)) {
                        m_error = QStringLiteral("ungültiger Zellbezug „%1“").arg(ref.toString());
                        return false;
                    }
                    row = refRow;
                }
                if (col > kMaxColumns || row < 1) {
                    m_error = QStringLiteral("Zelle außerhalb des Tabellenblatts");
                    return false;
                }
                type = attributes.value(QLatin1String("t")).toString();
                value.clear();
                inlineText.clear();
                hasValue = false;
                hasInline = false;
            } else if (name == QLatin1String("v")) {
                value = reader.readElementText(QXmlStreamReader::IncludeChildElements);
                hasValue = true;
            } else if (name == QLatin1String("is")) {
                hasInline = true;
            } else if (name == QLatin1String("t") && hasInline) {
                inlineText += reader.readElementText(QXmlStreamReader::IncludeChildElements);
            } else if (name == QLatin1String("rPh")) {
                reader.skipCurrentElement();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            const QStringView name = reader.name();
            if (name == QLatin1String("sheetData")) {
                inSheetData = false;
            } else if (inSheetData && name == QLatin1String("c")) {
                if (col > m_maxColumns)
                    continue;
                QString text;
                if (type == QLatin1String("inlineStr")) {
                    text = hasInline ? inlineText : value;
                } else if (!hasValue) {
                    continue; // a formatted cell without a value is empty
                } else if (type == QLatin1String("s")) {
                    bool ok = false;
                    const qulonglong index = value.trimmed().toULongLong(&ok);
                    if (!ok || index >= strings.size()) {
                        m_error = QStringLiteral("Verweis auf einen fehlenden Text (%1)").arg(value);
                        return false;
                    }
                    text = strings[std::size_t(index)];
                } else if (type == QLatin1String("b")) {
                    text = value.trimmed() == QLatin1String("1") ? QStringLiteral("WAHR")
                                                                 : QStringLiteral("FALSCH");
                } else if (type == QLatin1String("str") || type == QLatin1String("e") ||
                           type == QLatin1String("d")) {
                    text = value;
                } else {
                    bool ok = false;
                    QString plain = value.trimmed();
                    double number = plain.toDouble(&ok);
                    if (!ok && plain.count(QLatin1Char(',')) == 1 && !plain.contains(QLatin1Char('.'))) {
                        // Earlier versions wrote "6,74" here on German systems; such a file
                        // still loads its numbers as numbers.
                        number = plain.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
                    }
                    text = ok ? generalNumberText(number, m_separator) : value;
                }
                if (!text.isEmpty())
                    sheet.setText(row, col, text);
            }
        }
    }
    if (reader.hasError()) {
        m_error = xmlErrorReason(reader);
        return false;
    }
    return true;
}

} // namespace brv
