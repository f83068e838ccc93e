#include "LiveWeatherSource.h"

#include "ConditionsPage.h"
#include "DecodedObservation.h"
#include "FetchReply.h"
#include "ForecastOffices.h"
#include "LiveLogging.h"
#include "Network.h"
#include "OffThread.h"
#include "SatelliteSources.h"
#include "StationIdentifiers.h"
#include "StationTable.h"
#include "ZoneForecast.h"

#include <QLoggingCategory>
#include <QPointer>
#include <atomic>
#include <memory>
#include <numeric>
#include <optional>
#include <utility>

namespace {

// "host", or "host:port" when the address names a port, as the status line
// shows the host being contacted.
QString hostOf(const QUrl& url)
{
    return url.port() < 0 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
}

// What the service answered in place of a product.
QString answered(const FetchResult& result)
{
    const QString phrase = result.reasonPhrase.trimmed();
    return phrase.isEmpty() ? QString::number(result.status)
                            : QStringLiteral("%1 %2").arg(result.status).arg(phrase);
}

// The station table entry of a code, for its city name; the code itself
// for a code typed by the user that no entry has.
QString entryFor(const QString& stationCode)
{
    const QString entry = StationTable::entryOf(stationCode);
    return entry.isEmpty() ? stationCode : entry;
}

// The state code a page of a station links to.
QString stateOf(const QString& stationCode)
{
    const QString entry = StationTable::entryOf(stationCode);
    return entry.isEmpty() ? QString() : StationTable::stateCode(entry);
}

// A reply that stands for the work behind it: dropping it drops the
// requests it waits on.
void dropWith(FetchReply* outer, FetchReply* inner)
{
    QObject::connect(outer, &FetchReply::aborted, inner, [reply = QPointer<FetchReply>(inner)] {
        if (reply)
            reply->abort();
    });
}

// The page of the old layout for an observation the service answered
// with: a failure when the answer is no observation.
FetchResult conditionsPage(const FetchResult& answer, const QString& station, const QString& stateCode)
{
    const std::optional<DecodedObservation> decoded = DecodedObservation::parse(answer.text);
    if (!decoded) {
        return FetchResult::failure(
            answer.url,
            QStringLiteral("The weather service's answer for %1 is not an observation").arg(station));
    }
    const QByteArray rendered =
        ConditionsPage::render(ConditionsPage::fromDecoded(*decoded), stateCode, false);
    return FetchResult::page(answer.url, QString::fromLatin1(rendered));
}

// The state forecast page from the offices' answers (empty for an office
// that gave none): a failure when no answer holds a product.
FetchResult stateForecastPage(const QList<QByteArray>& answers, const QStringList& failures,
                              const QString& entry, const QUrl& first, const std::atomic<bool>* cancelled)
{
    // The service's JSON is read only for the products the search needs.
    QList<std::optional<QString>> texts(answers.size());
    const auto product = [&](qsizetype index) {
        if (!texts[index])
            texts[index] = answers[index].isEmpty() ? QString() : ZoneForecast::productText(answers[index]);
        return *texts[index];
    };
    const QByteArray page = ZoneForecast::statePage(answers.size(), product, entry, cancelled);
    if (page.isEmpty()) {
        bool none = true;
        for (qsizetype index = 0; index < answers.size() && none; ++index)
            none = product(index).trimmed().isEmpty();
        if (none) {
            return FetchResult::failure(first,
                                        QStringLiteral("The weather service gave no zone forecast (%1)")
                                            .arg(failures.join(QStringLiteral("; "))));
        }
    }
    return FetchResult::page(first, QString::fromLatin1(page));
}

} // namespace

LiveWeatherSource::LiveWeatherSource(Network& network, SourceTemplates templates, QObject* parent)
    : QObject(parent), m_network(network), m_templates(std::move(templates)),
      m_conditionsHost(hostOf(m_templates.observationUrl(QStringLiteral("KDEN")))),
      m_forecastHost(hostOf(m_templates.zoneForecastUrl(QStringLiteral("BOU"), QStringLiteral("co"))))
{}

QString LiveWeatherSource::conditionsHost() const
{
    return m_conditionsHost;
}

QString LiveWeatherSource::forecastHost() const
{
    return m_forecastHost;
}

FetchReply* LiveWeatherSource::fetchConditions(const QString& stationCode)
{
    auto* page = new FetchReply(this);
    const QString station = StationIdentifiers::icaoFor(stationCode);
    FetchReply* observation = m_network.get(m_templates.observationUrl(station));
    dropWith(page, observation);
    connect(
        observation, &FetchReply::finished, page,
        [page, station, state = stateOf(stationCode)](const FetchResult& result) {
            if (!result.ok) {
                page->finishNow(result);
                return;
            }
            if (result.status != 200) {
                page->finishNow(FetchResult::failure(
                    result.url, QStringLiteral("The weather service has no observation of %1: it answered %2")
                                    .arg(station, answered(result))));
                return;
            }
            OffThread::run<FetchResult>(
                page, result.text.size(),
                [result, station, state] { return conditionsPage(result, station, state); },
                [page](const FetchResult& rendered) { page->finishNow(rendered); });
        });
    return page;
}

FetchReply* LiveWeatherSource::fetchStateForecast(const QString& stateCode, const QString& stationCode)
{
    auto* page = new FetchReply(this);
    const QStringList offices = ForecastOffices::forState(stateCode);
    const QUrl first = m_templates.zoneForecastUrl(offices.value(0), stateCode);
    if (offices.isEmpty()) {
        page->finish(FetchResult::failure(
            first, QStringLiteral("No forecast office of the weather service covers the state \"%1\"")
                       .arg(stateCode)));
        return page;
    }

    // The answers in the offices' order, whichever comes first; an office
    // that gives none leaves its place empty.
    struct Gathering
    {
        QList<QByteArray> answers;
        QStringList failures;
        int waiting = 0;
    };
    auto gathering = std::make_shared<Gathering>();
    gathering->answers.resize(offices.size());
    gathering->waiting = int(offices.size());
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    connect(page, &FetchReply::aborted, page, [cancelled] { cancelled->store(true); });
    const QString entry = entryFor(stationCode);
    for (qsizetype index = 0; index < offices.size(); ++index) {
        const QString office = offices[index];
        FetchReply* product = m_network.get(m_templates.zoneForecastUrl(office, stateCode));
        dropWith(page, product);
        connect(product, &FetchReply::finished, page,
                [page, gathering, cancelled, index, office, entry, first](const FetchResult& result) {
                    if (!result.ok)
                        gathering->failures.append(QStringLiteral("%1: %2").arg(office, result.error));
                    else if (result.status != 200)
                        gathering->failures.append(QStringLiteral("%1: %2").arg(office, answered(result)));
                    else
                        gathering->answers[index] = result.body;
                    if (--gathering->waiting > 0)
                        return;
                    if (!gathering->failures.isEmpty())
                        qCInfo(lcLive).noquote()
                            << "zone forecasts missing:" << gathering->failures.join(QStringLiteral("; "));
                    const qsizetype size = std::accumulate(
                        gathering->answers.cbegin(), gathering->answers.cend(), qsizetype(0),
                        [](qsizetype sum, const QByteArray& answer) { return sum + answer.size(); });
                    OffThread::run<FetchResult>(
                        page, size,
                        [answers = std::exchange(gathering->answers, {}), failures = gathering->failures,
                         entry, first, cancelled] {
                            return stateForecastPage(answers, failures, entry, first, cancelled.get());
                        },
                        [page](const FetchResult& composed) { page->finishNow(composed); });
                });
    }
    return page;
}

QUrl LiveWeatherSource::pictureAddress(const QString& path) const
{
    const std::optional<SatelliteSources::Picture> picture = SatelliteSources::forPath(path);
    return picture ? m_templates.satelliteUrl(*picture) : QUrl();
}
