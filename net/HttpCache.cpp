#include "HttpCache.h"

#include "Network.h"
#include "OwnFiles.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An entry: this header, the answer's body, then its description (the
// cache's metadata) to the end of the file. The header names the body's
// length; an answer still being written names -1.
constexpr char magic[8] = {'V', 'e', 'n', 't', 'H', 'T', '1', '\n'};
constexpr qint64 headerBytes = 16;
// Headers of a few kilobytes at most: anything larger is no description
// the cache wrote.
constexpr qint64 maxDescriptionBytes = 64 * 1024;

// Entries are named by the SHA-1 of their address: 40 hex digits, and
// nothing else the cache writes looks like that.
QByteArray entryName(const QUrl& url)
{
    const QByteArray key = url.adjusted(QUrl::RemovePassword | QUrl::RemoveFragment).toEncoded();
    return QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
}

bool isEntryName(const char* name)
{
    if (std::strlen(name) != 40)
        return false;
    for (const char* c = name; *c; ++c) {
        if (!((*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'f')))
            return false;
    }
    return true;
}

bool writeAll(int fd, const char* data, qint64 size, qint64 at = -1)
{
    while (size > 0) {
        const ssize_t done = at < 0 ? ::write(fd, data, size_t(size)) : ::pwrite(fd, data, size_t(size), at);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        size -= done;
        at = at < 0 ? at : at + done;
    }
    return true;
}

bool readAll(int fd, char* data, qint64 size, qint64 at)
{
    while (size > 0) {
        const ssize_t done = ::pread(fd, data, size_t(size), at);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        size -= done;
        at += done;
    }
    return true;
}

QByteArray describe(const QNetworkCacheMetaData& metaData)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << metaData;
    return bytes;
}

// The body's length as the answer declared it; -1 when it did not, or
// declared that of a compressed body Qt has since unpacked.
qint64 declaredLength(const QNetworkCacheMetaData& metaData)
{
    qint64 declared = -1;
    for (const auto& [name, value] : metaData.rawHeaders()) {
        if (name.compare("Content-Encoding", Qt::CaseInsensitive) == 0 &&
            value.trimmed().compare("identity", Qt::CaseInsensitive) != 0)
            return -1;
        bool ok = false;
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            declared = value.trimmed().toLongLong(&ok);
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0 && !ok)
            return -1;
    }
    return declared;
}

qint64 changedNs(const struct stat& info)
{
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

} // namespace

// An answer on its way into the cache: its file in the folder under a name
// of its own until it is whole, when it takes the entry's name.
class HttpCacheWriter final : public QIODevice
{
public:
    HttpCacheWriter(HttpCache& cache, QNetworkCacheMetaData metaData, QByteArray part, int fd)
        : m_cache(cache), m_metaData(std::move(metaData)), m_part(std::move(part)), m_fd(fd)
    {
        open(QIODevice::WriteOnly);
    }

    ~HttpCacheWriter() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    HttpCache& m_cache;
    const QNetworkCacheMetaData m_metaData;
    const QByteArray m_part; // its file's name until it is whole
    int m_fd;
    qint64 m_onDisk = 0;
    bool m_failed = false;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override { return m_cache.write(*this, data, size); }
};

HttpCache::HttpCache(const QString& directory, qint64 maximumBytes, QObject* parent)
    : QAbstractNetworkCache(parent), m_directory(QDir::cleanPath(QDir(directory).absolutePath())),
      m_maximumBytes(maximumBytes)
{
    claimFolder();
    if (isUsable())
        sweep();
}

HttpCache::~HttpCache()
{
    // No event loop is left to delete them later.
    for (HttpCacheWriter* writer : std::exchange(m_writers, {})) {
        abandon(*writer, {});
        writer->close();
        delete writer;
    }
    if (m_folder >= 0)
        ::close(m_folder);
}

void HttpCache::claimFolder()
{
    const QByteArray path = QFile::encodeName(m_directory);
    QDir().mkpath(QFileInfo(m_directory).path());
    struct stat info = {};
    if (::lstat(path.constData(), &info) == 0 && !S_ISDIR(info.st_mode)) {
        const QString was = OwnFiles::kindOf(info.st_mode);
        const QString target = S_ISLNK(info.st_mode) ? QFile::symLinkTarget(m_directory) : QString();
        if (::unlink(path.constData()) != 0) {
            qCWarning(lcNetwork).noquote() << "the cache folder" << m_directory << "is" << was
                                           << "that cannot be removed; answers are not kept";
            return;
        }
        qCWarning(lcNetwork).noquote()
            << QStringLiteral("the cache folder %1 was %2%3; replaced by a folder of the program's own")
                   .arg(m_directory, was, target.isEmpty() ? QString() : QStringLiteral(" to ") + target);
    }
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        qCInfo(lcNetwork).noquote() << "the cache folder" << m_directory
                                    << "cannot be made; answers are not kept:" << std::strerror(errno);
        return;
    }
    // Opened once, without following a link: every name the cache uses is
    // taken relative to this folder, whatever is put at its path later.
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_uid != ::geteuid()) {
        qCWarning(lcNetwork).noquote()
            << "the cache folder" << m_directory << "is not the user's own folder; answers are not kept";
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_folder = fd;
}

void HttpCache::sweep()
{
    const int listingFd = ::dup(m_folder);
    DIR* listing = listingFd < 0 ? nullptr : ::fdopendir(listingFd);
    if (!listing) {
        if (listingFd >= 0)
            ::close(listingFd);
        return;
    }
    ::rewinddir(listing);
    QHash<QByteArray, Kept> kept;
    qint64 keptBytes = 0;
    QStringList removed;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (std::any_of(m_writers.cbegin(), m_writers.cend(),
                        [&name](const HttpCacheWriter* writer) { return writer->m_part == name; }))
            continue;
        struct stat info = {};
        if (::fstatat(m_folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(info.st_mode) && isEntryName(name.constData())) {
            kept.insert(name, {info.st_size, changedNs(info)});
            keptBytes += info.st_size;
            continue;
        }
        if (OwnFiles::remove(m_folder, name))
            removed.append(
                QStringLiteral("%1 %2").arg(OwnFiles::kindOf(info.st_mode), QString::fromLocal8Bit(name)));
    }
    ::closedir(listing);
    m_kept = std::move(kept);
    m_keptBytes = keptBytes;
    if (!removed.isEmpty())
        qCInfo(lcNetwork).noquote() << QStringLiteral(
                                           "the cache folder held what the cache did not write; removed: %1")
                                           .arg(removed.join(QStringLiteral(", ")));
    // Files of the cache's own name count too, whoever put them there.
    makeRoom(0);
}

void HttpCache::note(const QByteArray& name)
{
    struct stat info = {};
    m_keptBytes -= m_kept.take(name).bytes;
    if (::fstatat(m_folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)) {
        m_kept.insert(name, {info.st_size, changedNs(info)});
        m_keptBytes += info.st_size;
    }
}

bool HttpCache::makeRoom(qint64 bytes, const QByteArray& spare)
{
    while (m_keptBytes + m_incomingBytes + bytes > m_maximumBytes) {
        auto oldest = m_kept.end();
        for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
            if (it.key() != spare && (oldest == m_kept.end() || it->changedNs < oldest->changedNs))
                oldest = it;
        }
        if (oldest == m_kept.end())
            return false;
        ::unlinkat(m_folder, oldest.key().constData(), 0);
        m_keptBytes -= oldest->bytes;
        m_kept.erase(oldest);
    }
    return true;
}

std::optional<HttpCache::Entry> HttpCache::read(const QUrl& url, bool withBody)
{
    if (!isUsable() || !url.isValid())
        return std::nullopt;
    const QByteArray name = entryName(url);
    QString other;
    const int fd = OwnFiles::openRegular(m_folder, name, O_RDONLY, &other);
    if (fd < 0) {
        if (!other.isEmpty())
            discard(name, url, QStringLiteral("%1 stood in its place").arg(other));
        else if (errno == ENOENT)
            m_keptBytes -= m_kept.take(name).bytes;
        return std::nullopt;
    }
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    struct stat info = {};
    char header[headerBytes];
    if (::fstat(fd, &info) != 0 || info.st_size < headerBytes || !readAll(fd, header, headerBytes, 0)) {
        discard(name, url, QStringLiteral("it is shorter than its header"));
        return std::nullopt;
    }
    if (std::memcmp(header, magic, sizeof magic) != 0) {
        discard(name, url, QStringLiteral("it is no entry of this cache"));
        return std::nullopt;
    }
    Entry entry;
    entry.bodyBytes = qFromLittleEndian<qint64>(header + sizeof magic);
    const qint64 room = info.st_size - headerBytes;
    if (entry.bodyBytes < 0 || entry.bodyBytes > room) {
        discard(
            name, url,
            entry.bodyBytes < 0
                ? QStringLiteral("it was never finished")
                : QStringLiteral("its answer is cut short: %1 of %2 bytes").arg(room).arg(entry.bodyBytes));
        return std::nullopt;
    }
    // The description runs to the end of the file: a file cut anywhere
    // past the header leaves it unreadable, one grown leaves bytes over.
    const qint64 describedIn = room - entry.bodyBytes;
    bool described = false;
    if (describedIn > 0 && describedIn <= maxDescriptionBytes) {
        QByteArray description(describedIn, Qt::Uninitialized);
        if (readAll(fd, description.data(), describedIn, headerBytes + entry.bodyBytes)) {
            QDataStream in(description);
            in.setVersion(QDataStream::Qt_6_0);
            in >> entry.metaData;
            described = in.status() == QDataStream::Ok && in.atEnd() && entry.metaData.isValid() &&
                        entry.metaData.url().adjusted(QUrl::RemovePassword | QUrl::RemoveFragment) ==
                            url.adjusted(QUrl::RemovePassword | QUrl::RemoveFragment);
        }
    }
    if (!described) {
        discard(name, url, QStringLiteral("its description cannot be read"));
        return std::nullopt;
    }
    const qint64 declared = declaredLength(entry.metaData);
    if (declared >= 0 && declared != entry.bodyBytes) {
        discard(name, url,
                QStringLiteral("it holds %1 bytes of an answer of %2").arg(entry.bodyBytes).arg(declared));
        return std::nullopt;
    }
    if (withBody) {
        entry.body.resize(entry.bodyBytes);
        if (!readAll(fd, entry.body.data(), entry.bodyBytes, headerBytes)) {
            discard(name, url, QStringLiteral("its answer cannot be read"));
            return std::nullopt;
        }
    }
    return entry;
}

void HttpCache::discard(const QByteArray& name, const QUrl& url, const QString& why)
{
    OwnFiles::remove(m_folder, name);
    m_keptBytes -= m_kept.take(name).bytes;
    qCInfo(lcNetwork).noquote()
        << QStringLiteral(
               "the cache's copy of %1 cannot be read back whole (%2): removed, the answer is asked "
               "for anew")
               .arg(url.toString(), why);
}

QNetworkCacheMetaData HttpCache::metaData(const QUrl& url)
{
    const std::optional<Entry> entry = read(url, false);
    return entry ? entry->metaData : QNetworkCacheMetaData();
}

QIODevice* HttpCache::data(const QUrl& url)
{
    std::optional<Entry> entry = read(url, true);
    if (!entry)
        return nullptr;
    auto* buffer = new QBuffer;
    buffer->setData(std::move(entry->body));
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

void HttpCache::updateMetaData(const QNetworkCacheMetaData& metaData)
{
    const std::optional<Entry> entry = read(metaData.url(), false);
    if (!entry)
        return;
    const QByteArray name = entryName(metaData.url());
    const QByteArray description = describe(metaData);
    const qint64 size = headerBytes + entry->bodyBytes + description.size();
    QString other;
    const int fd = OwnFiles::openRegular(m_folder, name, O_RDWR, &other);
    if (fd < 0)
        return;
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    // The description is rewritten in place behind the body; an entry left
    // cut short by a crash meanwhile is one read() removes.
    const bool fits =
        description.size() <= maxDescriptionBytes && makeRoom(size - m_kept.value(name).bytes, name);
    if (!fits || ::ftruncate(fd, headerBytes + entry->bodyBytes) != 0 ||
        !writeAll(fd, description.constData(), description.size(), headerBytes + entry->bodyBytes)) {
        discard(name, metaData.url(), QStringLiteral("its new description could not be written"));
        return;
    }
    note(name);
}

bool HttpCache::remove(const QUrl& url)
{
    const QByteArray name = entryName(url);
    for (HttpCacheWriter* writer : QList<HttpCacheWriter*>(m_writers)) {
        if (entryName(writer->m_metaData.url()) == name) {
            abandon(*writer, {});
            drop(writer);
        }
    }
    if (!isUsable())
        return false;
    const bool removed = ::unlinkat(m_folder, name.constData(), 0) == 0;
    m_keptBytes -= m_kept.take(name).bytes;
    return removed;
}

QIODevice* HttpCache::prepare(const QNetworkCacheMetaData& metaData)
{
    if (!isUsable() || !metaData.isValid() || !metaData.url().isValid() || !metaData.saveToDisk())
        return nullptr;
    if (declaredLength(metaData) + headerBytes > m_maximumBytes)
        return nullptr;
    // Whatever was put in the folder since it was last looked at counts
    // against the bound before anything more is written.
    sweep();
    if (!makeRoom(headerBytes))
        return nullptr;
    QByteArray part;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        part = "incoming-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        fd = ::openat(m_folder, part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    }
    if (fd < 0)
        return nullptr;
    char header[headerBytes];
    std::memcpy(header, magic, sizeof magic);
    qToLittleEndian<qint64>(-1, header + sizeof magic);
    auto* writer = new HttpCacheWriter(*this, metaData, part, fd);
    m_writers.append(writer);
    if (!writeAll(fd, header, headerBytes)) {
        abandon(*writer, QString::fromLocal8Bit(std::strerror(errno)));
        drop(writer);
        return nullptr;
    }
    writer->m_onDisk = headerBytes;
    m_incomingBytes += headerBytes;
    return writer;
}

qint64 HttpCache::write(HttpCacheWriter& writer, const char* data, qint64 size)
{
    // Qt goes on writing whatever the device says; an answer given up on
    // takes its bytes in and keeps none of them.
    if (writer.m_failed)
        return size;
    if (writer.m_onDisk + size > m_maximumBytes) {
        abandon(writer, QStringLiteral("it is larger than the cache's %1 bytes").arg(m_maximumBytes));
        return size;
    }
    if (!makeRoom(size)) {
        abandon(writer, QStringLiteral("the answers being kept leave no room for it"));
        return size;
    }
    if (!writeAll(writer.m_fd, data, size)) {
        abandon(writer, QString::fromLocal8Bit(std::strerror(errno)));
        return size;
    }
    writer.m_onDisk += size;
    m_incomingBytes += size;
    return size;
}

void HttpCache::insert(QIODevice* device)
{
    auto* writer = static_cast<HttpCacheWriter*>(device);
    if (!m_writers.contains(writer))
        return;
    const auto dropping = qScopeGuard([this, writer] { drop(writer); });
    if (writer->m_failed)
        return;
    const QByteArray description = describe(writer->m_metaData);
    const qint64 bodyBytes = writer->m_onDisk - headerBytes;
    char length[8];
    qToLittleEndian<qint64>(bodyBytes, length);
    if (description.size() > maxDescriptionBytes || writer->m_onDisk + description.size() > m_maximumBytes ||
        !makeRoom(description.size()) ||
        !writeAll(writer->m_fd, description.constData(), description.size()) ||
        !writeAll(writer->m_fd, length, sizeof length, sizeof magic)) {
        abandon(*writer, QStringLiteral("it could not be written whole"));
        return;
    }
    const QByteArray name = entryName(writer->m_metaData.url());
    m_incomingBytes -= writer->m_onDisk;
    writer->m_onDisk = 0;
    ::close(writer->m_fd);
    writer->m_fd = -1;
    // rename() replaces the name itself: whatever stood there (a link
    // included) is gone, and nothing it pointed at is touched.
    if (::renameat(m_folder, writer->m_part.constData(), m_folder, name.constData()) != 0) {
        OwnFiles::remove(m_folder, writer->m_part);
        return;
    }
    note(name);
}

void HttpCache::abandon(HttpCacheWriter& writer, const QString& why)
{
    if (!why.isEmpty() && !writer.m_failed)
        qCInfo(lcNetwork).noquote()
            << QStringLiteral("%1 is not kept in the cache: %2").arg(writer.m_metaData.url().toString(), why);
    writer.m_failed = true;
    if (writer.m_fd >= 0) {
        ::close(writer.m_fd);
        writer.m_fd = -1;
        ::unlinkat(m_folder, writer.m_part.constData(), 0);
    }
    m_incomingBytes -= writer.m_onDisk;
    writer.m_onDisk = 0;
}

void HttpCache::drop(HttpCacheWriter* writer)
{
    m_writers.removeOne(writer);
    // Closing tells Qt's reply, which holds the device, to let go of it.
    writer->close();
    writer->deleteLater();
}

void HttpCache::clear()
{
    while (!m_writers.isEmpty()) {
        HttpCacheWriter* writer = m_writers.constFirst();
        abandon(*writer, {});
        drop(writer);
    }
    if (!isUsable())
        return;
    sweep();
    for (auto it = m_kept.cbegin(); it != m_kept.cend(); ++it)
        ::unlinkat(m_folder, it.key().constData(), 0);
    m_kept.clear();
    m_keptBytes = 0;
}
