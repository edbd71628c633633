#pragma once

#include <QByteArray>
#include <QString>

namespace brv {

// The single-byte code page of certificate texts, the same on every platform so that a stored
// layout moves between systems unchanged. Bytes 0x00-0x7F and 0xA0-0xFF are the Latin-1
// characters; 0x80-0x9F hold the typographic characters (euro sign, quotes, dashes, ...).
// The five bytes without a character (0x81, 0x8D, 0x8F, 0x90, 0x9D) decode to the control
// characters of the same number, as Windows does, and encode back to those bytes.
namespace windows1252 {

// Every byte gives exactly one character.
QString decode(QByteArrayView bytes);

// One byte per character (per code point for characters outside the basic plane); a
// character the code page does not hold becomes '?'.
QByteArray encode(QStringView text);

} // namespace windows1252
} // namespace brv
