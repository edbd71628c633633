#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <list>
#include <map>
#include <memory>
#include <optional>

class QIODevice;

struct zip;
struct zip_source;

namespace brv {

// What a reader may unpack from one archive in all, shared by the parts it streams. Why a
// stream stopped early stands in `refusal`.
struct UnpackBudget
{
    enum class Refusal { None, TooLarge, TooLong, Damaged };
    qint64 bytesLeft = 0;
    Refusal refusal = Refusal::None;
    QString damage; // libzip's reason when Damaged
};

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
    // The unpacked size the archive states for a part (a stream never gives more); -1 when the
    // part is missing.
    qint64 statedSize(const QString& name) const;
    // A part given as it is unpacked, for a reader that parses as it goes, so that the part is
    // never whole in memory. Each byte is taken `weight` times from `budget` (a part that stands
    // for several sheets counts for each of them); with `maxStretch` no stretch of more bytes
    // without a '<' may come (a text or a tag of XML that long is no cell's). When either runs
    // out, or the data is damaged, the stream ends early and says why in the budget. Null with
    // a message when the part is missing or cannot be opened.
    std::unique_ptr<QIODevice> stream(const QString& name, UnpackBudget& budget, int weight,
                                      qint64 maxStretch, QString* error) const;

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
