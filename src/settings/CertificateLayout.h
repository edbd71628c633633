#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace brv {

// Colours of certificate lines are 32-bit values: 0x00BBGGRR for a fixed colour, or a system
// colour with the top byte 0xFF and the system colour's index in the low byte (the Windows
// GetSysColor index). The default is the window-text colour, index 8.
namespace certificate_colour {
inline constexpr quint32 kSystemFlag = 0xFF000000u;
inline constexpr quint32 kWindowText = kSystemFlag | 8u;

inline constexpr bool isSystem(quint32 colour)
{
    return (colour & 0x80000000u) != 0;
}
inline constexpr int systemIndex(quint32 colour)
{
    return int(colour & 0xFFu);
}
} // namespace certificate_colour

// One line of a certificate, decoded from its 536-byte record.
struct CertificateLine
{
    enum Alignment : quint8 { Left = 0, Centred = 1, Right = 2 };
    enum StyleBit : quint8 { Bold = 0x01, Italic = 0x02, Underline = 0x04, StrikeOut = 0x08 };

    quint8 on = 0; // 0: not printed; any other value: printed
    quint8 alignment = Left;
    qint32 left = 0;      // millimetres, the anchor of the line
    qint32 top = 0;       // millimetres, the top of the text
    QString text;         // at most 255 characters are stored
    QString fontName;     // at most 255 characters are stored
    quint8 fontStyle = 0; // StyleBit values
    qint32 fontSize = 0;  // points
    quint32 fontColour = 0;

    bool isOn() const { return on != 0; }
    bool operator==(const CertificateLine&) const = default;
};

// The 18 certificate lines as the block stored under "Nadpis": records of 536 bytes back to
// back, integers little-endian, texts as a length byte and up to 255 Windows-1252 bytes.
//
// The layout keeps the block itself, so bytes the fields do not cover (padding, what follows a
// text's last character) stay as they were read and a block read and written again is
// byte-identical. Writing a line fills its texts' unused bytes with zeros.
class CertificateLayout
{
public:
    static constexpr int kLineCount = 18;
    static constexpr int kRecordSize = 536;
    static constexpr int kByteSize = kLineCount * kRecordSize; // 9648
    static constexpr int kMaxTextLength = 255;
    // Lines 0 to 7 print values of the competition; 8 to 17 print their own text.
    static constexpr int kFirstFreeLine = 8;

    // All bytes zero: no line is on and every font name is empty.
    CertificateLayout();

    // The first kByteSize bytes of `block` replace the start of an all-zero layout; a shorter
    // block leaves the rest zero. Callers reject blocks longer than kByteSize themselves.
    static CertificateLayout fromBytes(QByteArrayView block);
    const QByteArray& bytes() const { return m_bytes; }

    // `slot` from 0 to 17; others give an empty line and are not written.
    CertificateLine line(int slot) const;
    void setLine(int slot, const CertificateLine& line);

    // The line a slot gets when nothing is stored for it yet.
    static CertificateLine defaultLine(int slot);
    // Fills every slot whose font name is empty with its default line; the others keep what
    // they hold.
    void fillDefaultLines();

    bool operator==(const CertificateLayout&) const = default;

private:
    QByteArray m_bytes;
};

} // namespace brv
