#include "protocol/XlsxNewWorkbook.h"

#include "files/AtomicFile.h"
#include "protocol/CNumericLocale.h"
#include "protocol/XlsxPatcher.h"

#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <memory>

namespace brv {

namespace {

// The longest text a cell holds.
constexpr qsizetype kMaxCellText = 32767;

struct WorkbookCloser
{
    void operator()(lxw_workbook* workbook) const
    {
        if (workbook)
            workbook_close(workbook);
    }
};

QByteArray cellText(const QString& text)
{
    return text.left(kMaxCellText).toUtf8();
}

// What the spreadsheet shows of a value, for fitting the column.
int shownLength(const CellValue& value, bool hundredths)
{
    switch (value.kind) {
    case CellValue::Kind::Number:
        if (hundredths)
            return int(QString::number(value.number, 'f', 2).size());
        return int(generalNumberText(value.number, QLatin1Char(',')).size());
    case CellValue::Kind::Text: {
        int longest = 0;
        for (const QStringView line : QStringView(value.text).split(QLatin1Char('\n')))
            longest = std::max(longest, int(std::min<qsizetype>(line.size(), kMaxCellText)));
        return longest;
    }
    case CellValue::Kind::Empty:
        break;
    }
    return 0;
}

} // namespace

QString XlsxNewWorkbookWriter::sheetName(const QString& caption, const std::vector<QString>& taken)
{
    QString name;
    for (const QChar c : caption) {
        if (QStringLiteral("[]:*?/\\").contains(c) || c.unicode() < 0x20)
            name += QLatin1Char('_');
        else
            name += c;
    }
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    name = name.left(31);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    if (name.trimmed().isEmpty())
        name = QStringLiteral("Tabelle");
    const auto used = [&](const QString& candidate) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const QString& t) { return t.compare(candidate, Qt::CaseInsensitive) == 0; });
    };
    QString candidate = name;
    for (int n = 2; used(candidate); ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        candidate = name.left(31 - suffix.size()) + suffix;
    }
    return candidate;
}

double XlsxNewWorkbookWriter::fittedWidth(int characters, bool bold)
{
    if (characters <= 0)
        return LXW_DEF_COL_WIDTH;
    const double width = characters * (bold ? 1.15 : 1.05) + 1.5;
    return std::min(width, 255.0);
}

bool XlsxNewWorkbookWriter::write(const QString& fileName, const std::vector<ProtocolSheet>& sheets,
                                  const DocumentProperties& properties)
{
    m_error.clear();
    QByteArray bytes;
    return build(sheets, properties, bytes) && writeFileAtomically(fileName, bytes, &m_error);
}

bool XlsxNewWorkbookWriter::write(QIODevice* device, const std::vector<ProtocolSheet>& sheets,
                                  const DocumentProperties& properties)
{
    m_error.clear();
    QByteArray bytes;
    if (!build(sheets, properties, bytes))
        return false;
    if (!device || device->write(bytes) != bytes.size()) {
        m_error = device ? device->errorString() : QStringLiteral("Kein Ziel zum Schreiben.");
        return false;
    }
    return true;
}

bool XlsxNewWorkbookWriter::build(const std::vector<ProtocolSheet>& sheets,
                                  const DocumentProperties& properties, QByteArray& bytes)
{
    // libxlsxwriter writes only to a named file: a private one, read back and checked, since a
    // full disk may cut it off unnoticed.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        m_error = QStringLiteral("Der Ordner für temporäre Dateien lässt sich nicht anlegen (%1).")
                      .arg(dir.errorString());
        return false;
    }
    const QString path = dir.filePath(QStringLiteral("protocol.xlsx"));
    if (!writeFile(path, sheets, properties))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error =
            QStringLiteral("Die Arbeitsmappe lässt sich nicht zurücklesen (%1).").arg(file.errorString());
        return false;
    }
    bytes = file.readAll();
    if (!XlsxPatcher::isWorkbook(bytes)) {
        m_error = QStringLiteral("Die Arbeitsmappe ist unvollständig geschrieben worden.");
        return false;
    }
    return true;
}

bool XlsxNewWorkbookWriter::writeFile(const QString& path, const std::vector<ProtocolSheet>& sheets,
                                      const DocumentProperties& properties)
{
    // The writer formats numbers, margins and column widths with printf: under a German locale
    // they would come out as "6,74", which no spreadsheet program reads.
    const CNumericLocale numbers;
    const QByteArray fileName = QFile::encodeName(path);
    lxw_workbook_options options{};
    std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(workbook_new_opt(fileName.constData(), &options));
    if (!workbook) {
        m_error = QStringLiteral("Die Arbeitsmappe lässt sich nicht anlegen.");
        return false;
    }

    lxw_format* thin = workbook_add_format(workbook.get());
    format_set_border(thin, LXW_BORDER_THIN);
    // times, penalties and results show their hundredths, as the program shows them
    lxw_format* hundredths = workbook_add_format(workbook.get());
    format_set_border(hundredths, LXW_BORDER_THIN);
    format_set_num_format(hundredths, "0.00");
    lxw_format* head = workbook_add_format(workbook.get());
    format_set_bold(head);
    format_set_border(head, LXW_BORDER_MEDIUM);
    lxw_format* bold = workbook_add_format(workbook.get());
    format_set_bold(bold);

    std::vector<QString> names;
    lxw_error failure = LXW_NO_ERROR;
    auto check = [&](lxw_error result) {
        if (result != LXW_NO_ERROR && failure == LXW_NO_ERROR)
            failure = result;
    };

    for (const ProtocolSheet& sheet : sheets) {
        const QString name = sheetName(sheet.name, names);
        names.push_back(name);
        const QByteArray utf8Name = name.toUtf8();
        lxw_worksheet* worksheet = workbook_add_worksheet(workbook.get(), utf8Name.constData());
        if (!worksheet) {
            m_error = QStringLiteral("Das Tabellenblatt „%1“ lässt sich nicht anlegen.").arg(name);
            return false;
        }
        const SheetBlock& block = sheet.block;
        std::vector<int> longest(std::size_t(std::max(block.width, 1)) + 32, 0);
        std::vector<bool> boldColumn(longest.size(), false);
        auto measure = [&](int col0, const CellValue& value, lxw_format* format) {
            if (col0 < 0 || col0 >= int(longest.size()))
                return;
            const bool isBold = format == head;
            const int length = shownLength(value, format == hundredths);
            if (length > longest[std::size_t(col0)]) {
                longest[std::size_t(col0)] = length;
                boldColumn[std::size_t(col0)] = isBold;
            }
        };
        auto put = [&](int row0, int col0, const CellValue& value, lxw_format* format) {
            switch (value.kind) {
            case CellValue::Kind::Number:
                check(worksheet_write_number(worksheet, lxw_row_t(row0), lxw_col_t(col0), value.number,
                                             format));
                break;
            case CellValue::Kind::Text:
                check(worksheet_write_string(worksheet, lxw_row_t(row0), lxw_col_t(col0),
                                             cellText(value.text).constData(), format));
                break;
            case CellValue::Kind::Empty:
                check(worksheet_write_blank(worksheet, lxw_row_t(row0), lxw_col_t(col0), format));
                break;
            }
            measure(col0, value, format);
        };

        // Row 1 is bold with medium borders across the block's width.
        check(worksheet_set_row(worksheet, 0, LXW_DEF_ROW_HEIGHT, bold));
        if (block.firstRow > 1) {
            for (int c = 0; c < block.tableWidth; ++c)
                check(worksheet_write_blank(worksheet, 0, lxw_col_t(c), head));
        }
        for (const PlacedCell& cell : sheet.headings)
            put(cell.row - 1, cell.col - 1, cell.value, head);
        // the places right of the table stay empty, without borders
        for (int r = 0; r < block.rows; ++r) {
            const int row0 = block.firstRow - 1 + r;
            for (int c = 0; c < block.tableWidth; ++c) {
                const CellValue& value = block.at(r, c);
                const bool seconds =
                    value.kind == CellValue::Kind::Number && block.hundredths[std::size_t(c)];
                put(row0, c, value, row0 == 0 ? head : seconds ? hundredths : thin);
            }
        }
        for (std::size_t c = 0; c < longest.size(); ++c) {
            if (longest[c] > 0)
                check(worksheet_set_column(worksheet, lxw_col_t(c), lxw_col_t(c),
                                           fittedWidth(longest[c], boldColumn[c]), nullptr));
        }
    }

    const QByteArray title = properties.title.toUtf8();
    const QByteArray subject = properties.subject.toUtf8();
    const QByteArray author = properties.author.toUtf8();
    const QByteArray comments = properties.comments.toUtf8();
    lxw_doc_properties documentProperties{};
    documentProperties.title = const_cast<char*>(title.constData());
    documentProperties.subject = const_cast<char*>(subject.constData());
    documentProperties.author = const_cast<char*>(author.constData());
    documentProperties.comments = const_cast<char*>(comments.constData());
    check(workbook_set_properties(workbook.get(), &documentProperties));

    const lxw_error closed = workbook_close(workbook.release());
    if (failure == LXW_NO_ERROR)
        failure = closed;
    if (failure != LXW_NO_ERROR) {
        m_error = QStringLiteral("Die Arbeitsmappe lässt sich nicht schreiben (%1).")
                      .arg(QString::fromUtf8(lxw_strerror(failure)));
        return false;
    }
    return true;
}

} // namespace brv
