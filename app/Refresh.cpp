#include "Refresh.h"

#include "FetchReply.h"
#include "ForecastText.h"
#include "OffThread.h"
#include "StateForecast.h"
#include "WeatherSource.h"
#include "WeatherTexts.h"

#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcWeather, "ventaro.weather")

Refresh::Refresh(WeatherSource& source, QObject* parent) : QObject(parent), m_source(source) {}

Refresh::~Refresh()
{
    abort();
}

bool Refresh::start(const QString& stationCode, const QString& stateCode)
{
    if (m_running)
        return false;
    m_running = true;
    ++m_generation;
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_stationCode = stationCode;
    m_stateCode = stateCode;
    GetCurrentConditions();
    return true;
}

void Refresh::abort()
{
    if (!m_running)
        return;
    m_running = false;
    ++m_generation;
    m_cancelled->store(true);
    if (m_reply)
        m_reply->abort();
}

void Refresh::setStatus(const QString& text)
{
    Q_EMIT statusChanged(text);
}

void Refresh::next(std::function<void()> step)
{
    // A zero timer runs after the events already posted, the repaint of a
    // status text just set among them.
    QTimer::singleShot(0, this, [this, generation = m_generation, step = std::move(step)] {
        if (generation == m_generation && m_running)
            step();
    });
}

template <typename T>
void Refresh::offThread(qsizetype size, std::function<T()> work, std::function<void(T)> done)
{
    OffThread::run<T>(this, size, std::move(work),
                      [this, generation = m_generation, done = std::move(done)](T result) {
                          if (generation == m_generation && m_running)
                              done(std::move(result));
                      });
}

void Refresh::await(FetchReply* reply, void (Refresh::*done)(const FetchResult&))
{
    m_reply = reply;
    connect(reply, &FetchReply::finished, this,
            [this, generation = m_generation, done](const FetchResult& result) {
                if (generation == m_generation && m_running)
                    (this->*done)(result);
            });
}

void Refresh::GetCurrentConditions()
{
    setStatus(WeatherTexts::attempting + m_source.conditionsHost());
    next([this] { await(m_source.fetchConditions(m_stationCode), &Refresh::conditionsFetched); });
}

void Refresh::conditionsFetched(const FetchResult& result)
{
    if (!result.ok) {
        // A failed transfer is a page not received.
        setStatus(WeatherTexts::idle);
        qCInfo(lcWeather).noquote() << "current conditions unavailable:" << result.error;
        Q_EMIT conditionsUnavailable(result.error);
        end();
        return;
    }
    setStatus(WeatherTexts::parsingConditions);
    next([this, body = result.text] {
        offThread<ConditionsReading>(
            body.size(), [body, cancelled = m_cancelled] { return readConditions(body, cancelled.get()); },
            [this](ConditionsReading reading) { conditionsRead(reading); });
    });
}

void Refresh::conditionsRead(const ConditionsReading& reading)
{
    setStatus(WeatherTexts::idle);
    if (!reading.received) {
        qCInfo(lcWeather).noquote() << "current conditions unavailable:" << reading.problem;
        Q_EMIT conditionsUnavailable(reading.problem);
        end();
        return;
    }
    next([this, reading] {
        Q_EMIT conditionsReceived(reading);
        GetStateForecast();
    });
}

void Refresh::GetStateForecast()
{
    setStatus(WeatherTexts::attempting + m_source.forecastHost());
    next([this] {
        await(m_source.fetchStateForecast(m_stateCode, m_stationCode), &Refresh::forecastFetched);
    });
}

void Refresh::forecastFetched(const FetchResult& result)
{
    if (!result.ok) {
        // The status line keeps the stage at which the failure arose.
        qCInfo(lcWeather).noquote() << "state forecast failed:" << result.error;
        const QString text = WeatherTexts::forecastError(result.error);
        showForecast(text, ForecastText::pieces(text));
        return;
    }
    setStatus(WeatherTexts::parsingForecast);
    next([this, body = result.text] {
        using Shown = std::pair<ForecastReading, QStringList>;
        offThread<Shown>(
            body.size(),
            [body, cancelled = m_cancelled] {
                ForecastReading reading = readStateForecast(body, cancelled.get());
                QStringList pieces = ForecastText::pieces(reading.text);
                return Shown{std::move(reading), std::move(pieces)};
            },
            [this](Shown shown) {
                if (shown.first.outcome == ForecastReading::Outcome::CutFailed)
                    qCInfo(lcWeather).noquote() << "state forecast not cut:" << shown.first.text;
                else
                    setStatus(WeatherTexts::idle);
                showForecast(shown.first.text, shown.second);
            });
    });
}

void Refresh::showForecast(const QString& forecast, const QStringList& pieces)
{
    Q_EMIT forecastReceived(forecast, pieces);
    end();
}

void Refresh::end()
{
    m_running = false;
    m_reply = nullptr;
    Q_EMIT finished();
}
