#pragma once

#include <QHostAddress>
#include <QString>

#include <vector>

namespace brv {

// The address phones open: "http://<IP>:<port>/" with the first IPv4 address of a network
// interface that is up and not the loopback, else 127.0.0.1. A server that listens on one
// address only is reached there.
QString liveResultsUrl(const QHostAddress& listening, quint16 port);

// A QR code's modules, row by row: size × size, true for a dark module. Empty when the text
// cannot be encoded.
struct QrMatrix
{
    int size = 0;
    std::vector<bool> dark;

    bool isEmpty() const { return size == 0; }
    bool at(int x, int y) const { return dark[std::size_t(y * size + x)]; }
};

// The text as a QR code (error correction level M, byte mode).
QrMatrix qrMatrix(const QString& text);

} // namespace brv
