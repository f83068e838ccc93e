#include "ZoneDirectory.h"

#include "LiveLogging.h"
#include "ServiceRecords.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSaveFile>

namespace {

// A file of the program's own holds one line per station of a table of
// 555; anything far larger was not written by it and is not read.
constexpr qint64 maxFileBytes = 1024 * 1024;

const QString fileName = QStringLiteral("zones.json");

} // namespace

ZoneDirectory::ZoneDirectory(QString folder, QString source)
    : m_folder(std::move(folder)), m_source(std::move(source))
{
    load();
}

QString ZoneDirectory::filePath() const
{
    return m_folder.isEmpty() ? QString() : QDir(m_folder).filePath(fileName);
}

std::optional<ZoneDirectory::Entry> ZoneDirectory::find(const QString& station, const QDateTime& now) const
{
    const auto found = m_entries.constFind(station);
    if (found == m_entries.constEnd())
        return std::nullopt;
    // An entry dated ahead of the clock (a clock set back) is as old as
    // can be known: asked again.
    const qint64 age = found->asked.secsTo(now);
    if (age < 0 || age > maxAgeDays * 24 * 3600)
        return std::nullopt;
    return *found;
}

void ZoneDirectory::store(const QString& station, const Entry& entry)
{
    m_entries.insert(station, entry);
    save();
}

void ZoneDirectory::forget(const QString& station)
{
    if (m_entries.remove(station) > 0)
        save();
}

void ZoneDirectory::load()
{
    if (m_folder.isEmpty())
        return;
    QFile file(filePath());
    if (!file.exists())
        return;
    if (file.size() > maxFileBytes || !file.open(QIODevice::ReadOnly)) {
        qCInfo(lcLive).noquote() << "zone directory not read:" << filePath();
        return;
    }
    const QJsonObject stations = QJsonDocument::fromJson(file.read(maxFileBytes)).object();
    qsizetype foreign = 0;
    qsizetype damaged = 0;
    for (auto it = stations.constBegin(); it != stations.constEnd(); ++it) {
        const QJsonObject record = it.value().toObject();
        // Another service's zone for the station may be no zone of this
        // one's at all (a test server's, the real service's after a test).
        if (record.value(QLatin1StringView("source")).toString() != m_source) {
            ++foreign;
            continue;
        }
        Entry entry{record.value(QLatin1StringView("zone")).toString(),
                    record.value(QLatin1StringView("name")).toString(),
                    {},
                    QDateTime::fromString(record.value(QLatin1StringView("asked")).toString(), Qt::ISODate)};
        for (const QJsonValue& office : record.value(QLatin1StringView("offices")).toArray())
            entry.offices.append(office.toString());
        entry.areasKnown = record.contains(QLatin1StringView("county"));
        entry.county = record.value(QLatin1StringView("county")).toString();
        entry.fireZone = record.value(QLatin1StringView("fire")).toString();
        // A damaged entry is one to ask again, not one to trust: its codes
        // go into addresses, so each must have the form the records give.
        const bool wellFormed =
            ServiceRecords::isZoneCode(entry.zone) && !entry.offices.isEmpty() &&
            std::all_of(entry.offices.cbegin(), entry.offices.cend(), ServiceRecords::isOfficeCode) &&
            (entry.county.isEmpty() || ServiceRecords::isCountyCode(entry.county)) &&
            (entry.fireZone.isEmpty() || ServiceRecords::isZoneCode(entry.fireZone)) && entry.asked.isValid();
        if (wellFormed)
            m_entries.insert(it.key(), entry);
        else
            ++damaged;
    }
    if (foreign > 0)
        qCInfo(lcLive).noquote() << "zone directory:" << foreign << "entries of another service left out";
    if (damaged > 0)
        qCInfo(lcLive).noquote() << "zone directory:" << damaged << "damaged entries left out";
}

void ZoneDirectory::save() const
{
    if (m_folder.isEmpty())
        return;
    QJsonObject stations;
    for (auto it = m_entries.constBegin(); it != m_entries.constEnd(); ++it) {
        QJsonObject record{
            {QStringLiteral("zone"), it->zone},
            {QStringLiteral("name"), it->zoneName},
            {QStringLiteral("offices"), QJsonArray::fromStringList(it->offices)},
            {QStringLiteral("asked"), it->asked.toUTC().toString(Qt::ISODate)},
            {QStringLiteral("source"), m_source},
        };
        // Areas never asked for stay unwritten, so that they are asked for
        // when the entry is next used.
        if (it->areasKnown) {
            record.insert(QStringLiteral("county"), it->county);
            record.insert(QStringLiteral("fire"), it->fireZone);
        }
        stations.insert(it.key(), record);
    }
    QSaveFile file(filePath());
    const bool saved = QDir().mkpath(m_folder) && file.open(QIODevice::WriteOnly) &&
                       file.write(QJsonDocument(stations).toJson(QJsonDocument::Compact)) >= 0 &&
                       file.commit();
    if (!saved)
        qCInfo(lcLive).noquote() << "zone directory not written:" << filePath() << file.errorString();
}
