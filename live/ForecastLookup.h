#pragma once

#include "SourceTemplates.h"
#include "ZoneDirectory.h"
#include "settings/StationTable.h"
#include "weather/WeatherSource.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>

class FetchReply;
class Network;
struct FetchResult;

// The forecast for one station, found by code: the station's public
// forecast zone (and its county and fire weather zone, which its alerts are
// asked for) from the service's station record, the zone's office from
// its zone record (both kept in the ZoneDirectory for a month), then only
// that office's zone forecast product, and in it the group whose code line
// names the zone. The records are asked again when the product has no
// group for the zone.
//
// When the records cannot be had, the offices covering the station's state
// (its table entry's; the stored one for a code the table lacks) are asked
// one after the other, each product searched for a group naming
// the station's city, and the first found is shown; with none, the first
// group of the first product, said so. A place outside the service's area
// (the Cancun entry) gets a plain word that there is no forecast for it.
//
// It lives as a child of the reply it answers, and asks one thing at a time.
// A product is read and searched where it was parsed (on a worker when it is
// large): what reaches this object is the text of the group found, never the
// product, so at most two groups' texts are held here.
class ForecastLookup final : public QObject
{
public:
    ForecastLookup(Network& network, const SourceTemplates& templates, ZoneDirectory& zones,
                   WeatherRequest request, ForecastReply* reply);
    ~ForecastLookup() override;

    void start();

private:
    // Where a step's answer goes.
    using Step = void (ForecastLookup::*)(const FetchResult&);

    void ask(const QUrl& url, const QByteArray& accept, Step then);
    void askStation();
    void stationAnswered(const FetchResult& result);
    void zoneAnswered(const FetchResult& result);
    void askProduct();
    void productAnswered(const FetchResult& result);
    void askByName();
    // What is kept of one product: the forecast box text of the group
    // looked for (nothing when none has it), and when searching by name for
    // the first product, the box text of its first group.
    struct ProductSearch
    {
        bool hasGroups = false;
        std::optional<QString> found;
        QString first;
    };

    // Reads a product's answer and searches it, on a worker when it is
    // large, for the zone's group, or by name for the station's; then goes
    // on with productRead() or namedProductRead() (unless this lookup has
    // ended by then).
    void readProduct(const FetchResult& result);
    void productRead(const ProductSearch& search);
    void namedProductRead(const ProductSearch& search);
    void nextByName();

    // What went wrong with an answer that is no product or record: nothing
    // when it is one.
    static QString problemWith(const FetchResult& result);

    bool heldOff(const FetchResult& result);
    // Answers the reply, with the areas the station was found in.
    void answer(ForecastAnswer answer);
    // The station's forecast zone, county and fire weather zone, as far as
    // they are known; nothing before its zone is.
    QStringList alertAreas() const;
    void answerWith(const QString& text, const QString& origin);
    void answerFailed(const QString& why);

    Network& m_network;
    const SourceTemplates& m_templates;
    ZoneDirectory& m_zones;
    const WeatherRequest m_request;
    QPointer<ForecastReply> m_reply;
    QPointer<FetchReply> m_fetch;
    std::shared_ptr<std::atomic<bool>> m_cancelled = std::make_shared<std::atomic<bool>>(false);

    QString m_station; // "KDEN"
    // The table's station for the code; for a code in no entry, the code
    // and the stored state.
    StationTable::Station m_place;
    ZoneDirectory::Entry m_zone;
    bool m_zoneFromDirectory = false;
    // The station record is asked only for the areas a kept entry lacks.
    bool m_askingAreas = false;
    // The station's zone is known, from the directory or its record.
    bool m_zoneKnown = false;
    // The issuing locations of the zone's offices, and the one asked now.
    QStringList m_locations;
    qsizetype m_location = 0;
    // Why the zone could not be found, once the search by name began.
    QString m_whyByName;
    bool m_byName = false;
    QStringList m_failures; // "BOU: 404 Not Found", per location asked
    int m_productsRead = 0;
    // By name: the locations whose products were searched in vain.
    QStringList m_searched;
    // By name: the first group of the first product read, and its location.
    QString m_first;
    QString m_firstLocation;
};
