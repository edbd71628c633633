#include "live/LiveAddress.h"

#include <QNetworkInterface>

#include <qrencode.h>

#include <memory>

namespace brv {
namespace {

QHostAddress firstNetworkAddress()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback())
                return ip;
        }
    }
    return QHostAddress(QHostAddress::LocalHost);
}

} // namespace

QString liveResultsUrl(const QHostAddress& listening, quint16 port)
{
    const bool everywhere = listening.isNull() || listening == QHostAddress(QHostAddress::Any) ||
                            listening == QHostAddress(QHostAddress::AnyIPv4) ||
                            listening == QHostAddress(QHostAddress::AnyIPv6);
    const QHostAddress host = everywhere ? firstNetworkAddress() : listening;
    const QString name = host.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + host.toString() + QLatin1Char(']')
                             : host.toString();
    return QStringLiteral("http://%1:%2/").arg(name).arg(port);
}

QrMatrix qrMatrix(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(utf8.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    QrMatrix matrix;
    if (!code || code->width <= 0)
        return matrix;
    matrix.size = code->width;
    const std::size_t count = std::size_t(code->width) * std::size_t(code->width);
    matrix.dark.resize(count);
    // bit 0 of each byte: the module is dark
    for (std::size_t i = 0; i < count; ++i)
        matrix.dark[i] = (code->data[i] & 1) != 0;
    return matrix;
}

} // namespace brv
