#include "ForecastLookup.h"

#include "ForecastOffices.h"
#include "LiveLogging.h"
#include "ServiceRecords.h"
#include "StationIdentifiers.h"
#include "ZoneForecast.h"
#include "net/Clock.h"
#include "net/FetchReply.h"
#include "net/LogText.h"
#include "net/Network.h"
#include "net/OffThread.h"
#include "settings/StationTable.h"

#include <QLoggingCategory>

ForecastLookup::ForecastLookup(Network& network, const SourceTemplates& templates, ZoneDirectory& zones,
                               WeatherRequest request, ForecastReply* reply)
    : QObject(reply), m_network(network), m_templates(templates), m_zones(zones),
      m_request(std::move(request)), m_reply(reply)
{
    reply->whenAborted([this] { m_cancelled->store(true); });
}

ForecastLookup::~ForecastLookup()
{
    m_cancelled->store(true);
    if (m_fetch)
        m_fetch->abort();
}

void ForecastLookup::start()
{
    // The table's state, not the stored one: an entry stored before its
    // state was mended ("IPT         WILLIAMSPORT, VA") still names the
    // wrong one. A code typed in, in no entry, goes by its code and the
    // stored state.
    const std::optional<StationTable::Station> listed = StationTable::station(m_request.stationCode);
    m_place = listed.value_or(
        StationTable::Station{m_request.stationCode, m_request.stationCode, m_request.stateCode});
    if (listed && listed->abroad()) {
        const ForecastReading outside = noForecastAbroad(m_place.name);
        m_reply->answer(ForecastAnswer::arrived([outside](const std::atomic<bool>*) { return outside; }));
        return;
    }
    m_station = StationIdentifiers::icaoFor(m_request.stationCode);
    if (const auto known = m_zones.find(m_station)) {
        m_zone = *known;
        m_zoneFromDirectory = true;
        m_zoneKnown = true;
        // A zone kept before the county and fire weather zone were: the
        // station record is asked for them now rather than a month on, as
        // the warnings that matter most are issued for those.
        if (!known->areasKnown) {
            m_askingAreas = true;
            ask(m_templates.stationUrl(m_station), SourceTemplates::geoJson,
                &ForecastLookup::stationAnswered);
            return;
        }
        askProduct();
        return;
    }
    askStation();
}

void ForecastLookup::ask(const QUrl& url, const QByteArray& accept, Step then)
{
    RequestOptions options;
    options.accept = accept;
    options.cached = true;
    options.timed = m_request.timed;
    options.bytesOnly = true;
    options.budget = m_request.budget;
    options.retryPassingFailures = true;
    m_fetch = m_network.get(url, options);
    connect(m_fetch, &FetchReply::finished, this, [this, then](const FetchResult& result) {
        m_fetch = nullptr;
        if (!m_cancelled->load())
            (this->*then)(result);
    });
}

QString ForecastLookup::problemWith(const FetchResult& result)
{
    if (!result.ok)
        return result.error;
    if (result.status == 200)
        return {};
    const QString phrase = result.reasonPhrase.trimmed();
    QString answered = phrase.isEmpty() ? QString::number(result.status)
                                        : QStringLiteral("%1 %2").arg(result.status).arg(phrase);
    const QString detail = ServiceRecords::problemDetail(result.body);
    if (!detail.isEmpty())
        answered += QStringLiteral(" (%1)").arg(detail.left(200));
    return answered;
}

bool ForecastLookup::heldOff(const FetchResult& result)
{
    if (!result.heldUntil.isValid())
        return false;
    answer(ForecastAnswer::held(result.error, result.heldUntil));
    return true;
}

void ForecastLookup::askStation()
{
    m_zoneFromDirectory = false;
    ask(m_templates.stationUrl(m_station), SourceTemplates::geoJson, &ForecastLookup::stationAnswered);
}

void ForecastLookup::stationAnswered(const FetchResult& result)
{
    if (heldOff(result))
        return;
    QString why;
    const auto station = ServiceRecords::station(result.body);
    if (const QString problem = problemWith(result); !problem.isEmpty())
        why = QStringLiteral("the station record of %1 could not be had: %2").arg(m_station, problem);
    else if (const auto* unread = std::get_if<ServiceRecords::Problem>(&station))
        why = QStringLiteral("%1 of %2").arg(unread->reason, m_station);
    if (std::exchange(m_askingAreas, false)) {
        if (!why.isEmpty()) {
            // The kept zone still stands; only its alerts are fewer.
            qCInfo(lcLive).noquote() << "county and fire weather zone of" << m_station
                                     << "not had, its alerts are asked for zone" << m_zone.zone
                                     << "alone:" << logText(why);
            askProduct();
            return;
        }
        const auto& record = std::get<ServiceRecords::Station>(station);
        if (record.zone == m_zone.zone) {
            m_zone.county = record.county;
            m_zone.fireZone = record.fireZone;
            m_zone.areasKnown = true;
            m_zones.store(m_station, m_zone);
            askProduct();
            return;
        }
        // The station now lies in another zone: learnt afresh.
        m_zoneFromDirectory = false;
    }
    if (!why.isEmpty()) {
        m_whyByName = why;
        askByName();
        return;
    }
    const auto& record = std::get<ServiceRecords::Station>(station);
    m_zone.zone = record.zone;
    m_zone.county = record.county;
    m_zone.fireZone = record.fireZone;
    m_zone.areasKnown = true;
    m_zoneKnown = true;
    ask(m_templates.zoneUrl(m_zone.zone), SourceTemplates::geoJson, &ForecastLookup::zoneAnswered);
}

void ForecastLookup::zoneAnswered(const FetchResult& result)
{
    if (heldOff(result))
        return;
    if (const QString problem = problemWith(result); !problem.isEmpty()) {
        m_whyByName = QStringLiteral("the zone record of %1 could not be had: %2").arg(m_zone.zone, problem);
        askByName();
        return;
    }
    const auto zone = ServiceRecords::zone(result.body);
    if (const auto* problem = std::get_if<ServiceRecords::Problem>(&zone)) {
        m_whyByName = QStringLiteral("%1 of %2").arg(problem->reason, m_zone.zone);
        askByName();
        return;
    }
    const ServiceRecords::Zone& record = std::get<ServiceRecords::Zone>(zone);
    m_zone.zone = record.id;
    m_zone.zoneName = record.name;
    m_zone.offices = record.offices;
    m_zone.asked = m_network.clock().wallTime();
    m_zones.store(m_station, m_zone);
    askProduct();
}

void ForecastLookup::askProduct()
{
    if (m_locations.isEmpty()) {
        for (const QString& office : m_zone.offices)
            m_locations += ForecastOffices::productLocations(office);
        m_location = 0;
    }
    if (m_location < m_locations.size()) {
        ask(m_templates.zoneForecastUrl(m_locations.at(m_location), m_place.state), SourceTemplates::jsonLd,
            &ForecastLookup::productAnswered);
        return;
    }
    // Not a product could be had: the service is down or turns us away,
    // and asking more offices would only add to the wait. The records are
    // asked again at the next refresh: an office they named that gives no
    // forecast is not one to trust for a month.
    if (m_productsRead == 0) {
        m_zones.forget(m_station);
        answerFailed(QStringLiteral("The weather service gave no zone forecast for zone %1: %2")
                         .arg(m_zone.zone, m_failures.join(QStringLiteral("; "))));
        return;
    }
    // No product of the zone's offices has a group for it. Records a month
    // old may name a zone the offices have since renumbered: they are asked
    // again, once.
    const QString missing =
        QStringLiteral("no zone forecast of %1 has a group for zone %2 (%3)")
            .arg(m_locations.join(QStringLiteral(", ")), m_zone.zone, m_failures.join(QStringLiteral("; ")));
    if (m_zoneFromDirectory) {
        qCInfo(lcLive).noquote() << logText(missing) << "- asking the station's records again";
        m_zones.forget(m_station);
        m_locations.clear();
        m_failures.clear();
        m_productsRead = 0;
        askStation();
        return;
    }
    m_zones.forget(m_station);
    m_whyByName = missing;
    askByName();
}

void ForecastLookup::productAnswered(const FetchResult& result)
{
    if (heldOff(result))
        return;
    if (const QString problem = problemWith(result); !problem.isEmpty()) {
        m_failures.append(QStringLiteral("%1: %2").arg(m_locations.at(m_location), problem));
        ++m_location;
        m_byName ? nextByName() : askProduct();
        return;
    }
    readProduct(result);
}

void ForecastLookup::readProduct(const FetchResult& result)
{
    // Searching a product of many groups, and even freeing it, takes long
    // enough to stall the window, so both happen where it was parsed.
    const bool byName = m_byName;
    const QString zone = m_zone.zone;
    const QStringList names = byName ? ZoneForecast::cityNames(m_place) : QStringList();
    const bool wantFirst = byName && m_firstLocation.isEmpty();
    // Even a small product goes to a worker: a few kilobytes of code lines
    // can name more zones than a large product, and what a product costs
    // to read is not told by its size alone.
    OffThread::onWorker<ProductSearch>(
        this,
        [body = result.body, cancelled = m_cancelled, byName, zone, names, wantFirst]() mutable {
            // The answer's bytes go as soon as the product's text is out of
            // them.
            QString text = ZoneForecast::productText(std::exchange(body, {}));
            const ZoneForecast::Product product = ZoneForecast::parse(std::move(text), cancelled.get());
            ProductSearch search;
            search.hasGroups = !product.groups.isEmpty();
            if (!search.hasGroups || cancelled->load())
                return search;
            const ZoneForecast::Group* group =
                byName ? ZoneForecast::groupNamed(product, names) : ZoneForecast::groupFor(product, zone);
            if (group)
                search.found = ZoneForecast::text(product, *group);
            else if (wantFirst)
                search.first = ZoneForecast::text(product, product.groups.constFirst());
            return search;
        },
        [this](const ProductSearch& search) {
            if (!m_cancelled->load())
                m_byName ? namedProductRead(search) : productRead(search);
        });
}

void ForecastLookup::productRead(const ProductSearch& search)
{
    ++m_productsRead;
    const QString location = m_locations.at(m_location);
    if (search.found) {
        const QString zoneName =
            m_zone.zoneName.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(m_zone.zoneName);
        answerWith(
            *search.found,
            QStringLiteral("Zone %1%2, from the zone forecast of %3").arg(m_zone.zone, zoneName, location));
        return;
    }
    m_failures.append(!search.hasGroups ? QStringLiteral("%1: no zone forecast in its answer").arg(location)
                                        : QStringLiteral("%1: no group for the zone").arg(location));
    ++m_location;
    askProduct();
}

void ForecastLookup::askByName()
{
    qCInfo(lcLive).noquote() << "forecast zone of" << m_place.name << "not found:" << logText(m_whyByName)
                             << "- looking for its name";
    m_byName = true;
    m_locations = ForecastOffices::forState(m_place.state);
    m_location = 0;
    m_failures.clear();
    m_searched.clear();
    if (m_locations.isEmpty()) {
        answerFailed(
            QStringLiteral("No forecast office of the weather service covers the state \"%1\", and %2")
                .arg(m_place.state, m_whyByName));
        return;
    }
    nextByName();
}

void ForecastLookup::nextByName()
{
    if (m_location < m_locations.size()) {
        ask(m_templates.zoneForecastUrl(m_locations.at(m_location), m_place.state), SourceTemplates::jsonLd,
            &ForecastLookup::productAnswered);
        return;
    }
    if (!m_firstLocation.isEmpty()) {
        // Only the forecasts read were searched: the others are named with
        // what they answered (a refresh cut off at its cap asks no more).
        const QString notHad =
            m_failures.isEmpty()
                ? QString()
                : QStringLiteral(" (not had: %1)").arg(m_failures.join(QStringLiteral("; ")));
        const QString origin =
            QStringLiteral("No zone in the forecasts of %1 names %2, so the first zone of %3 is shown%4; "
                           "the station's own zone could not be found: %5")
                .arg(m_searched.join(QStringLiteral(", ")), m_place.name, m_firstLocation, notHad,
                     m_whyByName);
        answerWith(m_first, origin);
        return;
    }
    answerFailed(QStringLiteral("The weather service gave no zone forecast: %1")
                     .arg(m_failures.join(QStringLiteral("; "))));
}

void ForecastLookup::namedProductRead(const ProductSearch& search)
{
    const QString location = m_locations.at(m_location);
    if (!search.hasGroups) {
        m_failures.append(QStringLiteral("%1: no zone forecast in its answer").arg(location));
    } else if (search.found) {
        answerWith(
            *search.found,
            QStringLiteral("Found by the station's name in the zone forecast of %1; its own zone could "
                           "not be found: %2")
                .arg(location, m_whyByName));
        return;
    } else {
        m_searched.append(location);
        if (m_firstLocation.isEmpty()) {
            // The first office covers most of the state; its first group
            // stands in if no product names the station.
            m_first = search.first;
            m_firstLocation = location;
        }
    }
    ++m_location;
    nextByName();
}

void ForecastLookup::answerWith(const QString& text, const QString& origin)
{
    qCInfo(lcLive).noquote() << "forecast of" << m_place.name << "-" << logText(origin);
    answer(ForecastAnswer::arrived([text, origin](const std::atomic<bool>*) {
        return ForecastReading{ForecastReading::Outcome::Forecast, text, origin};
    }));
}

void ForecastLookup::answerFailed(const QString& why)
{
    answer(ForecastAnswer::failed(why));
}

void ForecastLookup::answer(ForecastAnswer answer)
{
    answer.areas = alertAreas();
    m_reply->answer(std::move(answer));
}

QStringList ForecastLookup::alertAreas() const
{
    if (!m_zoneKnown)
        return {};
    // The service files each alert under the areas its product names:
    // warnings of storms and floods under counties, Red Flag Warnings under
    // fire weather zones, most others under forecast zones; all three are
    // asked for.
    QStringList areas{m_zone.zone};
    for (const QString& area : {m_zone.county, m_zone.fireZone}) {
        if (!area.isEmpty() && !areas.contains(area))
            areas.append(area);
    }
    if (!m_zone.areasKnown)
        qCInfo(lcLive).noquote() << "alerts of" << m_station << "asked for zone" << m_zone.zone
                                 << "alone: its county and fire weather zone are not known";
    else if (m_zone.county.isEmpty() || m_zone.fireZone.isEmpty())
        qCInfo(lcLive).noquote() << "alerts of" << m_station << "asked for" << areas.join(QLatin1Char(','))
                                 << "only: its station record names no"
                                 << (m_zone.county.isEmpty() ? "county" : "fire weather zone");
    return areas;
}
