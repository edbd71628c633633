#include "protocol/XlsReader.h"

#include <QFile>

#include <freexl.h>

#include <algorithm>

namespace brv {

namespace {

class FreeXlHandle final
{
public:
    FreeXlHandle() = default;
    ~FreeXlHandle()
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    FreeXlHandle(const FreeXlHandle&) = delete;
    FreeXlHandle& operator=(const FreeXlHandle&) = delete;
    const void** out() { return &m_handle; }
    const void* get() const { return m_handle; }

private:
    const void* m_handle = nullptr;
};

} // namespace

bool XlsReader::read(const QString& fileName, WorkbookContent& content)
{
    m_error.clear();
    content = WorkbookContent();
    FreeXlHandle handle;
    if (freexl_open(QFile::encodeName(fileName).constData(), handle.out()) != FREEXL_OK) {
        m_error = QStringLiteral("Die Datei ist keine lesbare Excel-Arbeitsmappe (.xls).");
        return false;
    }
    unsigned int password = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED) {
        m_error = QStringLiteral("Die Arbeitsmappe ist mit einem Kennwort geschützt.");
        return false;
    }
    unsigned int sheetCount = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_SHEET_COUNT, &sheetCount) != FREEXL_OK || sheetCount == 0) {
        m_error = QStringLiteral("Die Arbeitsmappe enthält keine Tabellenblätter.");
        return false;
    }
    for (unsigned int s = 0; s < sheetCount && s < 65535u && int(s) < m_maxSheets; ++s) {
        SheetContent sheet;
        sheet.totalRows = 65536;
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle.get(), static_cast<unsigned short>(s), &name) == FREEXL_OK &&
            name)
            sheet.name = QString::fromUtf8(name);
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(handle.get(), static_cast<unsigned short>(s)) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle.get(), &rows, &columns) != FREEXL_OK) {
            m_error = QStringLiteral("Das Tabellenblatt „%1“ lässt sich nicht lesen.").arg(sheet.name);
            return false;
        }
        const unsigned short usedColumns = static_cast<unsigned short>(std::min<int>(columns, m_maxColumns));
        for (unsigned int r = 0; r < rows; ++r) {
            for (unsigned short c = 0; c < usedColumns; ++c) {
                FreeXL_CellValue value;
                if (freexl_get_cell_value(handle.get(), r, c, &value) != FREEXL_OK)
                    continue;
                QString text;
                switch (value.type) {
                case FREEXL_CELL_INT:
                    text = QString::number(value.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    text = generalNumberText(value.value.double_value, m_separator);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    text = value.value.text_value ? QString::fromUtf8(value.value.text_value) : QString();
                    break;
                default:
                    break;
                }
                if (!text.isEmpty())
                    sheet.setText(int(r) + 1, int(c) + 1, text);
            }
        }
        content.sheets.push_back(std::move(sheet));
    }
    return true;
}

} // namespace brv
