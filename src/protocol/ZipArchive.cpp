#include "protocol/ZipArchive.h"

#include <QIODevice>

#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace brv {

namespace {

// libzip's error in German words, its own text in brackets.
QString zipErrorText(zip_error_t* error)
{
    const char* words = nullptr;
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_NOZIP:
        words = "kein ZIP-Archiv";
        break;
    case ZIP_ER_INCONS:
        words = "das ZIP-Archiv ist in sich widersprüchlich";
        break;
    case ZIP_ER_EOF:
        words = "die Datei endet vorzeitig";
        break;
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        words = "die gepackten Daten sind beschädigt";
        break;
    case ZIP_ER_COMPNOTSUPP:
        words = "das Packverfahren wird nicht unterstützt";
        break;
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        words = "das ZIP-Archiv ist verschlüsselt";
        break;
    case ZIP_ER_MEMORY:
        words = "zu wenig Arbeitsspeicher";
        break;
    case ZIP_ER_NOENT:
        words = "der Teil fehlt";
        break;
    default:
        words = "Fehler im ZIP-Archiv";
        break;
    }
    return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(words),
                                         QString::fromUtf8(zip_error_strerror(error)));
}

QString zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = zipErrorText(&error);
    zip_error_fini(&error);
    return text;
}

// A part as it is unpacked: from libzip, or from the data of a part written meanwhile. It counts
// what it gives against the budget and ends early, with the reason in the budget, when the
// budget or the stretch without markup runs out or the part gives more than it states.
class PartStream final : public QIODevice
{
public:
    PartStream(zip_file_t* file, QByteArray data, qint64 statedSize, UnpackBudget& budget, int weight,
               qint64 maxStretch)
        : m_file(file), m_data(std::move(data)), m_stated(statedSize), m_budget(budget), m_weight(weight),
          m_maxStretch(maxStretch)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    ~PartStream() override
    {
        if (m_file)
            zip_fclose(m_file);
    }
    PartStream(const PartStream&) = delete;
    PartStream& operator=(const PartStream&) = delete;

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        if (m_budget.refusal != UnpackBudget::Refusal::None)
            return -1;
        qint64 got = 0;
        if (m_file) {
            got = zip_fread(m_file, out, zip_uint64_t(max));
            if (got < 0)
                return refuse(UnpackBudget::Refusal::Damaged, zipErrorText(zip_file_get_error(m_file)));
        } else {
            got = std::min<qint64>(max, m_data.size() - m_given);
            std::memcpy(out, m_data.constData() + m_given, std::size_t(got));
        }
        m_given += got;
        if (m_given > m_stated)
            return refuse(UnpackBudget::Refusal::Damaged, zipErrorText(ZIP_ER_INCONS));
        if (got * m_weight > m_budget.bytesLeft)
            return refuse(UnpackBudget::Refusal::TooLarge);
        m_budget.bytesLeft -= got * m_weight;
        for (const char *p = out, *end = out + got; m_maxStretch > 0 && p < end;) {
            const auto* markup = static_cast<const char*>(std::memchr(p, '<', std::size_t(end - p)));
            m_stretch += (markup ? markup : end) - p;
            if (m_stretch > m_maxStretch)
                return refuse(UnpackBudget::Refusal::TooLong);
            if (!markup)
                break;
            m_stretch = 0;
            p = markup + 1;
        }
        return got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 refuse(UnpackBudget::Refusal why, const QString& damage = QString())
    {
        m_budget.refusal = why;
        m_budget.damage = damage;
        return -1;
    }

    zip_file_t* m_file;
    QByteArray m_data;
    qint64 m_stated;
    UnpackBudget& m_budget;
    int m_weight;
    qint64 m_maxStretch;
    qint64 m_given = 0;
    qint64 m_stretch = 0;
};

} // namespace

ZipArchive::~ZipArchive()
{
    close();
}

void ZipArchive::close()
{
    if (m_zip) {
        zip_discard(m_zip);
        m_zip = nullptr;
    }
    if (m_source) {
        zip_source_free(m_source);
        m_source = nullptr;
    }
    m_pending.clear();
    m_written.clear();
}

bool ZipArchive::open(const QByteArray& data, QString* error)
{
    close();
    // The source owns a copy of the bytes: libzip 1.7 frees the first block of a buffer it does
    // not own when a write keeps the archive's unchanged beginning (a late part replaced). A new
    // archive has no bytes, and libzip takes no block of length 0.
    void* copy = nullptr;
    if (!data.isEmpty()) {
        copy = std::malloc(std::size_t(data.size()));
        if (!copy) {
            if (error)
                *error = zipErrorText(ZIP_ER_MEMORY);
            return false;
        }
        std::memcpy(copy, data.constData(), std::size_t(data.size()));
    }
    zip_error_t zerror;
    zip_error_init(&zerror);
    m_source = zip_source_buffer_create(copy, zip_uint64_t(data.size()), 1, &zerror);
    if (!m_source) {
        std::free(copy);
        if (error)
            *error = zipErrorText(&zerror);
        zip_error_fini(&zerror);
        return false;
    }
    m_zip = zip_open_from_source(m_source, 0, &zerror);
    if (!m_zip) {
        if (error)
            *error = zipErrorText(&zerror);
        zip_error_fini(&zerror);
        zip_source_free(m_source);
        m_source = nullptr;
        return false;
    }
    zip_error_fini(&zerror);
    // The archive owns the source now; one more reference keeps it ours after zip_close, so
    // the written archive can be read from it. (Taken only now: a failed open leaves the
    // source to the caller, and a second reference would leak it.)
    zip_source_keep(m_source);
    return true;
}

qint64 ZipArchive::indexOf(const QString& name) const
{
    if (!m_zip)
        return -1;
    return zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
}

bool ZipArchive::contains(const QString& name) const
{
    return indexOf(name) >= 0;
}

QStringList ZipArchive::names() const
{
    QStringList list;
    if (!m_zip)
        return list;
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        if (const char* name = zip_get_name(m_zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS))
            list.append(QString::fromUtf8(name));
    }
    return list;
}

std::optional<QByteArray> ZipArchive::read(const QString& name, QString* error, qint64 limit) const
{
    const auto written = m_written.find(name.toLower());
    if (written != m_written.end())
        return written->second;
    const qint64 index = indexOf(name);
    if (index < 0) {
        if (error)
            *error = QStringLiteral("Der Teil %1 fehlt.").arg(name);
        return std::nullopt;
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) &&
        stat.size > zip_uint64_t(limit)) {
        if (error)
            *error = QStringLiteral("Der Teil %1 ist zu groß.").arg(name);
        return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file) {
        if (error)
            *error = QStringLiteral("Der Teil %1 lässt sich nicht öffnen: %2")
                         .arg(name, zipErrorText(zip_get_error(m_zip)));
        return std::nullopt;
    }
    QByteArray data;
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > 0)
        data.reserve(qsizetype(stat.size));
    char buffer[65536];
    for (;;) {
        const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
        if (got < 0) {
            if (error)
                *error = QStringLiteral("Der Teil %1 ist beschädigt: %2")
                             .arg(name, zipErrorText(zip_file_get_error(file)));
            zip_fclose(file);
            return std::nullopt;
        }
        if (got == 0)
            break;
        if (data.size() + got > limit) {
            if (error)
                *error = QStringLiteral("Der Teil %1 ist zu groß.").arg(name);
            zip_fclose(file);
            return std::nullopt;
        }
        data.append(buffer, qsizetype(got));
    }
    zip_fclose(file);
    return data;
}

qint64 ZipArchive::statedSize(const QString& name) const
{
    const auto written = m_written.find(name.toLower());
    if (written != m_written.end())
        return written->second.size();
    const qint64 index = indexOf(name);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (index < 0 || zip_stat_index(m_zip, zip_uint64_t(index), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE))
        return -1;
    return qint64(std::min<zip_uint64_t>(stat.size, zip_uint64_t(std::numeric_limits<qint64>::max())));
}

std::unique_ptr<QIODevice> ZipArchive::stream(const QString& name, UnpackBudget& budget, int weight,
                                              qint64 maxStretch, QString* error) const
{
    const qint64 stated = statedSize(name);
    const auto written = m_written.find(name.toLower());
    if (written != m_written.end())
        return std::make_unique<PartStream>(nullptr, written->second, stated, budget, weight, maxStretch);
    const qint64 index = indexOf(name);
    if (index < 0 || stated < 0) {
        if (error)
            *error = QStringLiteral("Der Teil %1 fehlt.").arg(name);
        return nullptr;
    }
    zip_file_t* file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file) {
        if (error)
            *error = QStringLiteral("Der Teil %1 lässt sich nicht öffnen: %2")
                         .arg(name, zipErrorText(zip_get_error(m_zip)));
        return nullptr;
    }
    return std::make_unique<PartStream>(file, QByteArray(), stated, budget, weight, maxStretch);
}

bool ZipArchive::write(const QString& name, const QByteArray& data, QString* error)
{
    if (!m_zip)
        return false;
    m_pending.push_back(data);
    const QByteArray& kept = m_pending.back();
    zip_source_t* source = zip_source_buffer(m_zip, kept.constData(), zip_uint64_t(kept.size()), 0);
    if (!source) {
        if (error)
            *error = zipErrorText(zip_get_error(m_zip));
        return false;
    }
    qint64 index = indexOf(name);
    // libzip packs a replaced part at the highest level whatever level is asked for, which is
    // slow for large sheets; a large part is therefore removed and added anew (it moves to the
    // end of the archive, where order does not matter). Small parts keep their place.
    constexpr qsizetype kReaddFrom = 64 * 1024;
    if (index >= 0 && kept.size() >= kReaddFrom && zip_delete(m_zip, zip_uint64_t(index)) == 0)
        index = -1;
    bool ok = false;
    if (index >= 0) {
        ok = zip_file_replace(m_zip, zip_uint64_t(index), source, ZIP_FL_ENC_UTF_8) == 0;
    } else {
        index = zip_file_add(m_zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        ok = index >= 0;
    }
    // Fast deflate: the parts are XML that packs well at any level, and saving after every
    // round should not keep the operator waiting.
    if (ok)
        zip_set_file_compression(m_zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
    if (!ok) {
        if (error)
            *error = zipErrorText(zip_get_error(m_zip));
        zip_source_free(source);
        return false;
    }
    m_written[name.toLower()] = data;
    return true;
}

bool ZipArchive::remove(const QString& name)
{
    const qint64 index = indexOf(name);
    m_written.erase(name.toLower());
    return index >= 0 && zip_delete(m_zip, zip_uint64_t(index)) == 0;
}

std::optional<QByteArray> ZipArchive::finish(QString* error)
{
    if (!m_zip || !m_source)
        return std::nullopt;
    if (zip_close(m_zip) != 0) {
        if (error)
            *error = zipErrorText(zip_get_error(m_zip));
        return std::nullopt;
    }
    m_zip = nullptr;
    std::optional<QByteArray> result;
    if (zip_source_open(m_source) == 0) {
        zip_source_seek(m_source, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(m_source);
        zip_source_seek(m_source, 0, SEEK_SET);
        if (size >= 0) {
            QByteArray bytes(qsizetype(size), Qt::Uninitialized);
            if (zip_source_read(m_source, bytes.data(), zip_uint64_t(size)) == size)
                result = bytes;
        }
        zip_source_close(m_source);
    }
    if (!result && error)
        *error = zipErrorText(ZIP_ER_INTERNAL);
    close();
    return result;
}

} // namespace brv
