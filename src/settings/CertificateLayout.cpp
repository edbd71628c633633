#include "settings/CertificateLayout.h"

#include "settings/Windows1252.h"

#include <QtEndian>

#include <cstring>

namespace brv {
namespace {

// Offsets inside one record.
constexpr int kOnOffset = 0;
constexpr int kAlignmentOffset = 1;
constexpr int kLeftOffset = 4;
constexpr int kTopOffset = 8;
constexpr int kTextOffset = 12;
constexpr int kFontNameOffset = 268;
constexpr int kStringFieldSize = 256;
constexpr int kFontStyleOffset = 524;
constexpr int kFontSizeOffset = 528;
constexpr int kFontColourOffset = 532;

constexpr int kDefaultLeft = 30;
constexpr int kDefaultTop = 30;
constexpr int kDefaultLineStep = 12; // 26 pt × 0.45 mm, rounded
constexpr int kDefaultFontSize = 26;

bool validSlot(int slot)
{
    return slot >= 0 && slot < CertificateLayout::kLineCount;
}

qint32 readInt32(const char* p)
{
    return qFromLittleEndian<qint32>(p);
}

void writeInt32(char* p, qint32 value)
{
    qToLittleEndian<qint32>(value, p);
}

QString readString(const char* field)
{
    const int length = static_cast<unsigned char>(field[0]);
    return windows1252::decode(QByteArrayView(field + 1, length));
}

void writeString(char* field, const QString& text)
{
    QByteArray encoded = windows1252::encode(text);
    if (encoded.size() > CertificateLayout::kMaxTextLength)
        encoded.truncate(CertificateLayout::kMaxTextLength);
    std::memset(field, 0, kStringFieldSize);
    field[0] = char(encoded.size());
    std::memcpy(field + 1, encoded.constData(), std::size_t(encoded.size()));
}

} // namespace

CertificateLayout::CertificateLayout() : m_bytes(kByteSize, '\0') {}

CertificateLayout CertificateLayout::fromBytes(QByteArrayView block)
{
    CertificateLayout layout;
    const qsizetype n = qMin<qsizetype>(block.size(), kByteSize);
    if (n > 0)
        std::memcpy(layout.m_bytes.data(), block.data(), std::size_t(n));
    return layout;
}

CertificateLine CertificateLayout::line(int slot) const
{
    CertificateLine result;
    if (!validSlot(slot))
        return result;
    const char* r = m_bytes.constData() + slot * kRecordSize;
    result.on = quint8(r[kOnOffset]);
    result.alignment = quint8(r[kAlignmentOffset]);
    result.left = readInt32(r + kLeftOffset);
    result.top = readInt32(r + kTopOffset);
    result.text = readString(r + kTextOffset);
    result.fontName = readString(r + kFontNameOffset);
    result.fontStyle = quint8(r[kFontStyleOffset]);
    result.fontSize = readInt32(r + kFontSizeOffset);
    result.fontColour = quint32(readInt32(r + kFontColourOffset));
    return result;
}

void CertificateLayout::setLine(int slot, const CertificateLine& line)
{
    if (!validSlot(slot))
        return;
    char* r = m_bytes.data() + slot * kRecordSize;
    r[kOnOffset] = char(line.on);
    r[kAlignmentOffset] = char(line.alignment);
    writeInt32(r + kLeftOffset, line.left);
    writeInt32(r + kTopOffset, line.top);
    writeString(r + kTextOffset, line.text);
    writeString(r + kFontNameOffset, line.fontName);
    r[kFontStyleOffset] = char(line.fontStyle);
    writeInt32(r + kFontSizeOffset, line.fontSize);
    writeInt32(r + kFontColourOffset, qint32(line.fontColour));
}

CertificateLine CertificateLayout::defaultLine(int slot)
{
    CertificateLine line;
    line.on = slot < kFirstFreeLine ? 1 : 0;
    line.alignment = CertificateLine::Left;
    line.left = kDefaultLeft;
    line.top = kDefaultTop + kDefaultLineStep * slot;
    line.fontName = QStringLiteral("Times New Roman");
    line.fontStyle = CertificateLine::Bold;
    line.fontSize = kDefaultFontSize;
    line.fontColour = certificate_colour::kWindowText;
    return line;
}

void CertificateLayout::fillDefaultLines()
{
    for (int slot = 0; slot < kLineCount; ++slot) {
        // An empty name is a zero length byte; no need to decode the rest.
        if (m_bytes.at(slot * kRecordSize + kFontNameOffset) == '\0')
            setLine(slot, defaultLine(slot));
    }
}

} // namespace brv
