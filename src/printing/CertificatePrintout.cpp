#include "printing/CertificatePrintout.h"

#include "competition/Competition.h"
#include "printing/PrintDocument.h"
#include "settings/CertificateEditor.h"
#include "settings/CertificateLayout.h"

#include <algorithm>
#include <cmath>

namespace brv {

namespace {

// The font a line is printed in. Its size in points becomes a size on the 0.1 mm surface; a
// line without a font name prints in Arial.
QFont lineFont(const CertificateLine& line, int size)
{
    const QString family = line.fontName.isEmpty() ? QStringLiteral("Arial") : line.fontName;
    QFont font = PrintDocument::makeFont(family, size, (line.fontStyle & CertificateLine::Bold) != 0);
    font.setItalic((line.fontStyle & CertificateLine::Italic) != 0);
    font.setUnderline((line.fontStyle & CertificateLine::Underline) != 0);
    font.setStrikeOut((line.fontStyle & CertificateLine::StrikeOut) != 0);
    return font;
}

// 0x00BBGGRR; a system colour prints black, the window text of a printed page.
QRgb lineColour(quint32 colour)
{
    if (certificate_colour::isSystem(colour))
        return qRgb(0, 0, 0);
    return qRgb(int(colour & 0xFFu), int((colour >> 8) & 0xFFu), int((colour >> 16) & 0xFFu));
}

Qt::Alignment lineAlignment(quint8 alignment)
{
    switch (alignment) {
    case CertificateLine::Centred:
        return Qt::AlignHCenter;
    case CertificateLine::Right:
        return Qt::AlignRight;
    default:
        return Qt::AlignLeft;
    }
}

} // namespace

void renderCertificates(PrintDocument& document, const CertificateLayout& layout,
                        const Competition& competition, int from, int to, const CertificateContext& context)
{
    struct Placed
    {
        int slot;
        CertificateLine line;
        int font;
        int size;
    };
    std::vector<Placed> lines;
    for (int slot = 0; slot < CertificateLayout::kLineCount; ++slot) {
        const CertificateLine line = layout.line(slot);
        const int size = int(std::lround(line.fontSize * 2.54));
        if (line.isOn())
            lines.push_back({slot, line, document.addFont(lineFont(line, size)), size});
    }
    const int lastRow = competition.grid(CompetitionRound::GesamtErgebnis).rowCount() - 1;
    from = std::max(from, 1);
    to = std::min(to, lastRow);
    for (int row = from; row <= to; ++row) {
        document.newPage();
        for (const Placed& p : lines) {
            const QString text = certificate_text::printed(p.slot, p.line, competition, row, context.title,
                                                           context.date, context.locale);
            const double x = p.line.left * PrintDocument::kUnitsPerMm;
            const Qt::Alignment alignment = lineAlignment(p.line.alignment);
            // a line wider than the paper leaves it from its anchor, less 5 mm at the edge, gets
            // a smaller font
            const double paper = document.pageSize().width();
            const double edge = 5 * PrintDocument::kUnitsPerMm;
            const double room = alignment == Qt::AlignLeft    ? paper - edge - x
                                : alignment == Qt::AlignRight ? x - edge
                                                              : 2 * (std::min(x, paper - x) - edge);
            int font = p.font;
            for (int size = p.size; room > 0 && size > 1 && document.textWidth(font, text) > room;) {
                size = std::max(1, std::min(size - 1, int(size * room / document.textWidth(font, text))));
                font = document.addFont(lineFont(p.line, size));
            }
            document.drawText(x, p.line.top * PrintDocument::kUnitsPerMm, alignment, text, font,
                              lineColour(p.line.fontColour));
        }
    }
}

} // namespace brv
