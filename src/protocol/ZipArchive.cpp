#include "protocol/ZipArchive.h"

#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
