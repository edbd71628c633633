#include "files/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

namespace brv {

QString writeErrorMessage(const QString& path, const QString& reason)
{
    QString message = kWriteErrorText + QDir::toNativeSeparators(path);
    if (!reason.isEmpty())
        message += QLatin1Char('\n') + reason;
    return message;
}

QString fileErrorReason(int errorNumber)
{
    switch (errorNumber) {
    case ENOSPC:
        return QStringLiteral("Auf dem Datenträger ist kein Platz mehr frei.");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("Der Speicherplatz des Benutzers auf dem Datenträger ist erschöpft.");
#endif
    case EFBIG:
        return QStringLiteral("Die Datei wird zu groß für den Datenträger.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Keine Berechtigung zum Schreiben.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case ENOENT:
        return QStringLiteral("Der Ordner existiert nicht.");
    case ENOTDIR:
        return QStringLiteral("Ein Teil des Pfades ist kein Ordner.");
    case EISDIR:
        return QStringLiteral("An der Stelle der Datei steht ein Ordner.");
    case ENAMETOOLONG:
        return QStringLiteral("Der Dateiname ist zu lang.");
    case EIO:
        return QStringLiteral("Der Datenträger meldet einen Ein-/Ausgabefehler.");
    default:
        return QStringLiteral("Die Datei lässt sich nicht schreiben (%1).")
            .arg(QString::fromLocal8Bit(std::strerror(errorNumber)));
    }
}

namespace {

// The file a path names once symbolic links are followed; the path itself when it is none.
QString linkTarget(const QString& path)
{
    QString target = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            return target;
        target = info.symLinkTarget();
    }
    return target; // a loop of links: opening it reports the error
}

#ifdef Q_OS_UNIX

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now, since closing may report a failed write.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// The whole block at `offset`; errno tells why when it fails.
bool writeAt(int fd, const QByteArray& data, off_t offset)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(fd, data.constData() + done, size_t(data.size() - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

// Writes `data` as the whole content of `fd` and syncs it.
bool replaceContent(int fd, const QByteArray& data)
{
    return writeAt(fd, data, 0) && ::ftruncate(fd, off_t(data.size())) == 0 && ::fsync(fd) == 0;
}

bool fail(QString* error, int errorNumber)
{
    if (error)
        *error = fileErrorReason(errorNumber);
    return false;
}

bool syncFolder(const QByteArray& folder)
{
    Descriptor dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Some file systems cannot sync a folder; the rename has happened then all the same.
    return dir.get() >= 0 && (::fsync(dir.get()) == 0 || errno == EINVAL || errno == ENOTSUP);
}

// For a folder that takes no new file: the old content is kept in memory and written back when
// the new content cannot be written whole.
bool writeInPlace(const QByteArray& file, const QByteArray& data, QString* error)
{
    Descriptor fd(::open(file.constData(), O_RDWR | O_CLOEXEC));
    if (fd.get() < 0)
        return fail(error, errno);
    QByteArray old;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(error, errno);
        if (n == 0)
            break;
        old.append(buffer, n);
    }
    if (!replaceContent(fd.get(), data)) {
        const int reason = errno;
        replaceContent(fd.get(), old); // the old content fits where it was
        return fail(error, reason);
    }
    if (!fd.close())
        return fail(error, errno);
    return true;
}

#endif

} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    const QString target = linkTarget(path);
#ifdef Q_OS_UNIX
    const QByteArray file = QFile::encodeName(target);
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    struct stat existing
    {};
    const bool exists = ::stat(file.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return fail(error, EISDIR);

    QByteArray staging = folder + "/." + QFile::encodeName(QFileInfo(target).fileName()) + ".XXXXXX";
    Descriptor fd(::mkostemp(staging.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        const int reason = errno;
        if ((reason == EACCES || reason == EPERM) && exists && ::access(file.constData(), W_OK) == 0)
            return writeInPlace(file, data, error);
        return fail(error, reason);
    }
    // The staged file was made private; the result gets the old file's permissions, or the
    // usual ones for a new file.
    const mode_t mode = exists ? (existing.st_mode & 07777) : 0644;
    const bool written = writeAt(fd.get(), data, 0) && ::fchmod(fd.get(), mode) == 0 &&
                         ::fsync(fd.get()) == 0 && fd.close() &&
                         ::rename(staging.constData(), file.constData()) == 0;
    if (!written) {
        const int reason = errno;
        ::unlink(staging.constData());
        return fail(error, reason);
    }
    if (!syncFolder(folder))
        return fail(error, errno);
    return true;
#else
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush()) {
        if (error)
            *error = QStringLiteral("Die Datei lässt sich nicht schreiben (%1).").arg(file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("Die Datei lässt sich nicht schreiben (%1).").arg(file.errorString());
        return false;
    }
    return true;
#endif
}

} // namespace brv
