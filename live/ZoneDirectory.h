#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// Where each station belongs, as the weather service's station and zone
// records said when they were last asked: kept in one small file of the
// per-user cache folder, so that the records are asked once a month per
// station rather than at every refresh. Without a folder it keeps them for
// the run only.
class ZoneDirectory
{
public:
    struct Entry
    {
        QString zone;        // "COZ039"
        QString zoneName;    // "City and County of Denver"
        QStringList offices; // "BOU"
        QDateTime asked;     // when the records were read, UTC
    };

    // Records are asked again after this long: zones and offices change
    // with the service's yearly boundary updates, rarely sooner.
    static constexpr qint64 maxAgeDays = 30;

    // `folder` empty: nothing is read or written.
    explicit ZoneDirectory(QString folder = {});

    // The entry of `station` ("KDEN") when it is younger than maxAgeDays
    // as of `now`.
    std::optional<Entry> find(const QString& station, const QDateTime& now) const;

    // Keeps the entry and writes the file; a file that cannot be written is
    // logged and left, the entry still kept for the run.
    void store(const QString& station, const Entry& entry);

    // Forgets the entry, so that the records are asked again.
    void forget(const QString& station);

    QString filePath() const;

private:
    void load();
    void save() const;

    QString m_folder;
    QHash<QString, Entry> m_entries;
};
