#include "settings/CertificateEditor.h"

#include "competition/Competition.h"

#include <QLocale>

namespace brv {

namespace certificate_text {

QString caption(int slot, const QString& classCaption)
{
    static const std::array<const char*, 8> kFixed{"Titel",           "Name",  "",     "Nr.", "Mannschaft",
                                                   "Bestes Ergebnis", "Platz", "Datum"};
    if (slot == 2)
        return classCaption;
    if (slot >= 0 && slot < CertificateLayout::kFirstFreeLine)
        return QString::fromLatin1(kFixed[std::size_t(slot)]);
    if (slot < CertificateLayout::kLineCount)
        return QStringLiteral("%1. Zeile").arg(slot - CertificateLayout::kFirstFreeLine + 1);
    return {};
}

QString printed(int slot, const CertificateLine& line, const Competition& competition, int overallRow,
                const QString& title, const QDate& date, const QLocale& locale)
{
    if (hasOwnText(slot))
        return line.text;
    const ResultGrid& overall = competition.grid(CompetitionRound::GesamtErgebnis);
    const QString& team = overall.cell(OverallColumn::Mannschaft, overallRow);
    switch (slot) {
    case 0:
        return title;
    case 2:
        return overall.cell(OverallColumn::Klasse, overallRow);
    case 3: {
        const ResultGrid& vorrunde = competition.grid(CompetitionRound::Vorrunde);
        for (int row = 1; row < vorrunde.rowCount(); ++row) {
            if (vorrunde.cell(VorrundeColumn::Mannschaft, row) == team)
                return vorrunde.cell(VorrundeColumn::Nr, row);
        }
        return {};
    }
    case 4:
        return team;
    case 5:
        return overall.cell(OverallColumn::BestResult, overallRow) + QStringLiteral(" Sek.");
    case 6:
        return overall.cell(OverallColumn::Place, overallRow);
    case 7:
        return locale.toString(date, QLocale::ShortFormat);
    default:
        return {};
    }
}

std::array<QString, 8> samples(const Competition& competition, const QString& title, const QDate& date,
                               const QLocale& locale)
{
    std::array<QString, 8> texts;
    for (int slot = 0; slot < 8; ++slot) {
        if (!hasOwnText(slot))
            texts[std::size_t(slot)] = printed(slot, {}, competition, 1, title, date, locale);
    }
    return texts;
}

} // namespace certificate_text

CertificateEditor::Selection CertificateEditor::select(int slot, const CertificateLineFields& shown,
                                                       const std::array<QString, 8>& samples)
{
    if (m_previous >= 0)
        store(m_previous, shown);
    Selection s;
    if (slot < 0 || slot >= CertificateLayout::kLineCount) {
        s.fields = shown;
        m_previous = -1;
        return s;
    }
    const CertificateLine line = m_layout.line(slot);
    CertificateLineFields& f = s.fields;
    f.on = line.isOn();
    f.alignment = line.alignment;
    f.left = line.left;
    f.top = line.top;
    f.fontName = line.fontName;
    f.fontStyle = line.fontStyle;
    f.fontColour = line.fontColour;
    f.fontSize = line.fontSize;
    f.text = line.text;
    s.textEnabled = certificate_text::hasOwnText(slot);
    if (slot == 1) {
        s.placeholder = QStringLiteral("Name");
        s.focusText = true;
    } else if (slot >= CertificateLayout::kFirstFreeLine) {
        if (f.text.isEmpty() || f.text.contains(QLatin1String(". Zeile")))
            f.text = QStringLiteral("%1. Zeile drucken").arg(slot - CertificateLayout::kFirstFreeLine + 1);
        s.focusText = true;
    } else {
        f.text = samples[std::size_t(slot)];
    }
    m_previous = slot;
    return s;
}

void CertificateEditor::store(int slot, const CertificateLineFields& shown)
{
    CertificateLine line = m_layout.line(slot);
    line.on = shown.on ? 1 : 0;
    line.alignment = quint8(shown.alignment);
    line.left = shown.left;
    line.top = shown.top;
    line.fontName = shown.fontName;
    line.fontStyle = shown.fontStyle;
    line.fontColour = shown.fontColour;
    line.fontSize = shown.fontSize;
    line.text = certificate_text::hasOwnText(slot) ? shown.text : QString();
    m_layout.setLine(slot, line);
}

void CertificateEditor::setOn(int slot, bool on)
{
    CertificateLine line = m_layout.line(slot);
    line.on = on ? 1 : 0;
    m_layout.setLine(slot, line);
}

void CertificateEditor::setAlignment(int slot, int alignment)
{
    CertificateLine line = m_layout.line(slot);
    line.alignment = quint8(alignment);
    m_layout.setLine(slot, line);
}

std::vector<CertificateEditor::PreviewLine>
CertificateEditor::preview(const QString& classCaption, int chosen, const CertificateLineFields& shown, int d,
                           const std::function<int(const QString&)>& textWidth) const
{
    std::vector<PreviewLine> lines;
    lines.reserve(CertificateLayout::kLineCount);
    const int scale = std::max(1, d);
    for (int slot = 0; slot < CertificateLayout::kLineCount; ++slot) {
        const CertificateLine line = m_layout.line(slot);
        QString text = certificate_text::hasOwnText(slot) ? line.text : QString();
        int left = line.left;
        int top = line.top;
        if (slot == chosen) {
            left = shown.left;
            top = shown.top;
            if (certificate_text::hasOwnText(slot) && !shown.text.isEmpty())
                text = shown.text;
        }
        if (text.isEmpty())
            text = certificate_text::caption(slot, classCaption);
        if (line.alignment == CertificateLine::Centred)
            left -= textWidth(text) / 2;
        else if (line.alignment == CertificateLine::Right)
            left -= textWidth(text);
        lines.push_back({text, QPoint(left / scale, top / scale), line.isOn()});
    }
    return lines;
}

} // namespace brv
