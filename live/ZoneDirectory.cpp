#include "ZoneDirectory.h"

#include "LiveLogging.h"
#include "ServiceRecords.h"
#include "net/Clock.h"
#include "net/OwnFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file of the program's own holds one line per station of a table of
// 555; anything far larger was not written by it and is not read.
constexpr qint64 maxFileBytes = 1024 * 1024;

const QString fileName = QStringLiteral("zones.json");

} // namespace

ZoneDirectory::ZoneDirectory(const Clock& clock, QString folder, QString source)
    : m_clock(clock), m_folder(std::move(folder)), m_source(std::move(source))
{
    load();
}

QString ZoneDirectory::filePath() const
{
    return m_folder.isEmpty() ? QString() : QDir(m_folder).filePath(fileName);
}

std::optional<ZoneDirectory::Entry> ZoneDirectory::find(const QString& station) const
{
    const auto found = m_entries.constFind(station);
    if (found == m_entries.constEnd())
        return std::nullopt;
    // An entry dated ahead of the clock (a clock set back) is as old as
    // can be known: asked again.
    const qint64 age = found->asked.secsTo(m_clock.wallTime());
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
    claimFile();
    QString problem;
    const std::optional<QByteArray> bytes = OwnFiles::read(filePath(), maxFileBytes, &problem);
    if (!bytes) {
        if (!problem.isEmpty())
            qCInfo(lcLive).noquote() << "zone directory not read:" << filePath() << problem;
        return;
    }
    const QJsonObject stations = QJsonDocument::fromJson(*bytes).object();
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
    QString problem = QStringLiteral("its folder cannot be made");
    if (!QDir().mkpath(m_folder) ||
        !OwnFiles::write(filePath(), QJsonDocument(stations).toJson(QJsonDocument::Compact), &problem))
        qCInfo(lcLive).noquote() << "zone directory not written:" << filePath() << problem;
}

void ZoneDirectory::claimFile() const
{
    // The file is the program's own: a link or anything else but a regular
    // file in its place is nothing to read, and nothing to write through.
    struct stat info = {};
    const QByteArray path = QFile::encodeName(filePath());
    if (::lstat(path.constData(), &info) != 0 || S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))
        return;
    const QString target = S_ISLNK(info.st_mode) ? QFile::symLinkTarget(filePath()) : QString();
    if (::unlink(path.constData()) == 0)
        qCWarning(lcLive).noquote()
            << QStringLiteral(
                   "zone directory: %1 was %2%3; removed, the program keeps a file of its own there")
                   .arg(filePath(), OwnFiles::kindOf(info.st_mode),
                        target.isEmpty() ? QString() : QStringLiteral(" to ") + target);
}
