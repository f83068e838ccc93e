#pragma once

#include <QAbstractNetworkCache>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class HttpCacheWriter;

// The program's HTTP cache: each answer kept whole in one file of a folder
// that is the program's own.
//
// The folder: a link, a file or anything else standing where it should be
// is removed (never what a link points at) and a folder made in its place,
// as the log says; a folder of another user is not used. Anything in it the
// cache did not write (a pipe, a link, a file of another name, a folder) is
// removed when the cache opens and whenever it is about to keep an answer.
// Nothing is ever opened there but a regular file, and nothing outside the
// folder is read, written or removed.
//
// The bound: every file in the folder counts, answers being written
// included, and their total never goes past `maximumBytes`: the answers
// kept longest without being confirmed go first to make room, and an
// answer that would not fit alone is not kept.
//
// An entry that cannot be read back whole (cut short, grown, its
// description unreadable, holding fewer or more bytes than its answer
// declared, another address's) is removed as soon as it is looked at, and
// reported missing: the request then goes out without validators and the
// server sends the whole answer again, rather than confirming a damaged
// copy with 304.
class HttpCache final : public QAbstractNetworkCache
{
public:
    HttpCache(const QString& directory, qint64 maximumBytes, QObject* parent = nullptr);
    ~HttpCache() override;

    // False when the folder could not be had: nothing is kept or read.
    bool isUsable() const { return m_folder >= 0; }
    QString directory() const { return m_directory; }

    QNetworkCacheMetaData metaData(const QUrl& url) override;
    void updateMetaData(const QNetworkCacheMetaData& metaData) override;
    QIODevice* data(const QUrl& url) override;
    bool remove(const QUrl& url) override;
    qint64 cacheSize() const override { return m_keptBytes + m_incomingBytes; }
    QIODevice* prepare(const QNetworkCacheMetaData& metaData) override;
    void insert(QIODevice* device) override;
    void clear() override;

private:
    friend class HttpCacheWriter;

    struct Kept
    {
        qint64 bytes = 0;
        qint64 changedNs = 0; // last written: kept or confirmed
    };
    struct Entry
    {
        QNetworkCacheMetaData metaData;
        qint64 bodyBytes = 0;
        QByteArray body;
    };

    void claimFolder();
    std::optional<Entry> read(const QUrl& url, bool withBody);
    void discard(const QByteArray& name, const QUrl& url, const QString& why);
    void sweep();
    void note(const QByteArray& name);
    bool makeRoom(qint64 bytes, const QByteArray& spare = {});
    qint64 write(HttpCacheWriter& writer, const char* data, qint64 size);
    void abandon(HttpCacheWriter& writer, const QString& why);
    void drop(HttpCacheWriter* writer);

    QString m_directory;
    qint64 m_maximumBytes;
    int m_folder = -1;
    // The entries on disk by file name, as last seen.
    QHash<QByteArray, Kept> m_kept;
    qint64 m_keptBytes = 0;
    // The answers being written, and what their files hold so far.
    QList<HttpCacheWriter*> m_writers;
    qint64 m_incomingBytes = 0;
};
