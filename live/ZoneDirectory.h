#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

class Clock;

// Where each station belongs, as the weather service's station and zone
// records said when they were last asked (its forecast zone and the zone's
// offices, and the county and fire weather zone alerts are also issued for): kept in one small file of the
// per-user cache folder, so that the records are asked once a month per
// station rather than at every refresh. Without a folder it keeps them for
// the run only.
//
// The entries are the service's that answered them: a directory opened for
// another service (the records' addresses pointed elsewhere) trusts none of
// them, asks its own, and its file then holds those alone.
class ZoneDirectory
{
public:
    struct Entry
    {
        QString zone;        // "COZ039"
        QString zoneName;    // "City and County of Denver"
        QStringList offices; // "BOU"
        QDateTime asked;     // when the records were read, UTC
        QString county{};    // "COC031"; empty when the record names none
        QString fireZone{};  // "COZ239"; empty when the record names none
        // Whether the county and fire weather zone were asked for: entries
        // kept before the program asked for them name neither, which is
        // not the same as a record that names none.
        bool areasKnown = true;
    };

    // Records are asked again after this long: zones and offices change
    // with the service's yearly boundary updates, rarely sooner.
    static constexpr qint64 maxAgeDays = 30;

    // `folder` empty: nothing is read or written. `source` names the
    // service the records come from (the addresses they are asked at);
    // entries stored under any other source are not read.
    // `clock` tells the entries' age; it must outlive the directory.
    explicit ZoneDirectory(const Clock& clock, QString folder = {}, QString source = {});

    // The entry of `station` ("KDEN") when it is younger than maxAgeDays
    // by the clock.
    std::optional<Entry> find(const QString& station) const;

    // Keeps the entry and writes the file; a file that cannot be written is
    // logged and left, the entry still kept for the run.
    //
    // The file is the program's own: a link, a pipe or anything else but a
    // regular file at its name is removed when the directory opens (the
    // log says so), never read or written through, and a write replaces
    // the name as a whole.
    void store(const QString& station, const Entry& entry);

    // Forgets the entry, so that the records are asked again.
    void forget(const QString& station);

    QString filePath() const;

private:
    void load();
    void save() const;
    void claimFile() const;

    const Clock& m_clock;
    QString m_folder;
    QString m_source;
    QHash<QString, Entry> m_entries;
};
