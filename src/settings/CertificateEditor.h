#pragma once

#include "settings/CertificateLayout.h"

#include <QDate>
#include <QPoint>
#include <QString>

#include <array>
#include <functional>
#include <vector>

namespace brv {

class Competition;

// What a certificate line prints, and what the settings dialog shows of it.
namespace certificate_text {

// Slot 1 is a name line: it prints a text of its own, like the free lines 8 to 17.
inline bool hasOwnText(int slot)
{
    return slot == 1 || slot >= CertificateLayout::kFirstFreeLine;
}

// The line list's entries: "Titel", "Name", the class column's caption, "Nr.", "Mannschaft",
// "Bestes Ergebnis", "Platz", "Datum", "1. Zeile" to "10. Zeile".
QString caption(int slot, const QString& classCaption);

// What slots 0 and 2 to 7 print for the team in row `overallRow` of the overall table: the
// title; the class; the start number of the first Vorrunde row with exactly the team's name
// (empty when there is none); the team; the best result with " Sek."; the place; `date` in the
// short date format of `locale`. Slots with a text of their own give that text.
QString printed(int slot, const CertificateLine& line, const Competition& competition, int overallRow,
                const QString& title, const QDate& date, const QLocale& locale);

// What slots 0 to 7 print for the first row of the overall table, as the dialog shows them; the
// name line has no sample of its own (its text field shows "Name" greyed).
std::array<QString, 8> samples(const Competition& competition, const QString& title, const QDate& date,
                               const QLocale& locale);

} // namespace certificate_text

// The values the dialog's certificate editors show for one line.
struct CertificateLineFields
{
    bool on = false;
    int alignment = CertificateLine::Left;
    int left = 0;
    int top = 0;
    QString fontName;
    quint8 fontStyle = 0;
    quint32 fontColour = 0;
    int fontSize = 0;
    QString text; // the line's own text; for the other lines a sample of what they print

    bool operator==(const CertificateLineFields&) const = default;
};

// The line list of the settings dialog and its editors: choosing another line first stores what
// the editors show into the line chosen before, then shows the new one. The layout is edited in
// place; whoever shows the dialog keeps a copy to restore on cancel.
class CertificateEditor
{
public:
    explicit CertificateEditor(CertificateLayout& layout) : m_layout(layout) {}

    struct Selection
    {
        CertificateLineFields fields;
        bool textEnabled = false; // the text field is for lines with a text of their own
        bool focusText = false;   // a free line without text of its own gets "n. Zeile drucken"
        QString placeholder;      // shown greyed in an empty text field ("Name")
    };

    // Forgets the line chosen before: the next selection stores nothing.
    void forget() { m_previous = -1; }
    int previousLine() const { return m_previous; }

    // Stores `shown` into the line chosen before, then returns what the editors show for `slot`
    // (0 to 17; anything else leaves nothing chosen). `samples` holds what slots 0 to 7 would
    // print for the overall table's first row.
    Selection select(int slot, const CertificateLineFields& shown, const std::array<QString, 8>& samples);

    // The editors whose changes are stored at once.
    void setOn(int slot, bool on);
    void setAlignment(int slot, int alignment);

    // The page preview, d = 1 for A4 and 2 for A3 (one pixel is d millimetres). Each line is
    // drawn at its position; the chosen line at the editors' position with the editors' text.
    struct PreviewLine
    {
        QString text;
        QPoint at; // pixels, top left of the text
        bool on = false;
    };
    std::vector<PreviewLine> preview(const QString& classCaption, int chosen,
                                     const CertificateLineFields& shown, int d,
                                     const std::function<int(const QString&)>& textWidth) const;
    // Where a click at `pixel` places the chosen line, in millimetres.
    static QPoint millimetresAt(QPoint pixel, int d) { return pixel * d; }

private:
    void store(int slot, const CertificateLineFields& shown);

    CertificateLayout& m_layout;
    int m_previous = -1;
};

} // namespace brv
