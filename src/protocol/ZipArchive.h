#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <list>
#include <map>
#include <optional>

struct zip;
struct zip_source;

namespace brv {

// A zip archive held in memory (libzip): parts are read and replaced, and the changed archive
// comes back as bytes, so the caller decides how the file is written.
class ZipArchive final
{
public:
    // Largest part the reader unpacks; a larger one (or a zip bomb) is refused.
    static constexpr qint64 kDefaultPartLimit = 256 * 1024 * 1024;

    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Opens an archive from its bytes; false with a message when it is no zip archive.
    bool open(const QByteArray& data, QString* error);

    bool contains(const QString& name) const;
    QStringList names() const;
    // The unpacked part, or nullopt with a message (missing, damaged, larger than `limit`).
    std::optional<QByteArray> read(const QString& name, QString* error,
                                   qint64 limit = kDefaultPartLimit) const;

    // Adds or replaces a part.
    bool write(const QString& name, const QByteArray& data, QString* error);
    bool remove(const QString& name);

    // Writes the changes and gives the whole archive; parts not touched keep their packed
    // bytes. The archive is closed afterwards.
    std::optional<QByteArray> finish(QString* error);

private:
    qint64 indexOf(const QString& name) const;
    void close();

    zip* m_zip = nullptr;
    zip_source* m_source = nullptr;
    std::list<QByteArray> m_pending; // data of written parts, alive until finish()
    // libzip does not read back a part that was replaced; the latest data of each written part.
    std::map<QString, QByteArray> m_written;
};

} // namespace brv
