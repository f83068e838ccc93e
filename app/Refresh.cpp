#include "Refresh.h"

#include "ForecastText.h"
#include "net/LogText.h"
#include "net/Network.h"
#include "net/OffThread.h"
#include "weather/StateForecast.h"
#include "weather/WeatherTexts.h"

#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcWeather, "ventaro.weather")

Refresh::Refresh(WeatherSource& source, QObject* parent) : QObject(parent), m_source(source) {}

Refresh::~Refresh()
{
    abort();
}

bool Refresh::start(const QString& stationCode, const QString& stateCode, bool timed)
{
    if (m_running)
        return false;
    m_running = true;
    ++m_generation;
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_request = {stationCode, stateCode, timed, std::make_shared<TransferBudget>(), {}};
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
    if (m_dropRequest)
        std::exchange(m_dropRequest, {})();
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

template <typename T> void Refresh::offThread(std::function<T()> work, std::function<void(T)> done)
{
    OffThread::onWorker<T>(this, std::move(work),
                           [this, generation = m_generation, done = std::move(done)](T result) {
                               if (generation == m_generation && m_running)
                                   done(std::move(result));
                           });
}

template <typename Answer>
void Refresh::await(WeatherReply<Answer>* reply, void (Refresh::*done)(const Answer&))
{
    m_dropRequest = [reply = QPointer<WeatherReply<Answer>>(reply)] {
        if (reply)
            reply->abort();
    };
    reply->whenAnswered(this, [this, generation = m_generation, done](const Answer& answer) {
        if (generation != m_generation || !m_running)
            return;
        m_dropRequest = nullptr;
        (this->*done)(answer);
    });
}

void Refresh::GetCurrentConditions()
{
    setStatus(WeatherTexts::attempting + m_source.conditionsHost());
    next([this] { await(m_source.fetchConditions(m_request), &Refresh::conditionsAnswered); });
}

void Refresh::conditionsAnswered(const ConditionsAnswer& answer)
{
    if (answer.isHeld()) {
        wait(answer.failure, answer.heldUntil);
        return;
    }
    if (!answer.hasArrived()) {
        // A failed transfer is a page not received.
        setStatus(WeatherTexts::idle);
        qCInfo(lcWeather).noquote() << "current conditions unavailable:" << logText(answer.failure);
        Q_EMIT conditionsUnavailable(answer.failure);
        end();
        return;
    }
    setStatus(WeatherTexts::parsingConditions);
    next([this, answer] {
        offThread<ConditionsReading>(
            [read = answer.read, cancelled = m_cancelled] { return read(cancelled.get()); },
            [this](ConditionsReading reading) { conditionsRead(reading); });
    });
}

void Refresh::conditionsRead(const ConditionsReading& reading)
{
    setStatus(WeatherTexts::idle);
    if (!reading.received) {
        qCInfo(lcWeather).noquote() << "current conditions unavailable:" << logText(reading.problem);
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
    next([this] { await(m_source.fetchStateForecast(m_request), &Refresh::forecastAnswered); });
}

void Refresh::forecastAnswered(const ForecastAnswer& answer)
{
    // The alerts, asked after the forecast, are of the areas it found.
    m_request.areas = answer.areas;
    if (answer.isHeld()) {
        wait(answer.failure, answer.heldUntil);
        return;
    }
    if (!answer.hasArrived()) {
        // The status line keeps the stage at which the failure arose.
        qCInfo(lcWeather).noquote() << "state forecast failed:" << logText(answer.failure);
        const QString text = WeatherTexts::forecastError(answer.failure);
        showForecast(text, ForecastText::pieces(text));
        return;
    }
    setStatus(WeatherTexts::parsingForecast);
    next([this, answer] {
        using Shown = std::pair<ForecastReading, QStringList>;
        offThread<Shown>(
            [read = answer.read, cancelled = m_cancelled] {
                ForecastReading reading = read(cancelled.get());
                QStringList pieces = ForecastText::pieces(reading.text);
                return Shown{std::move(reading), std::move(pieces)};
            },
            [this](Shown shown) {
                if (shown.first.outcome == ForecastReading::Outcome::CutFailed)
                    qCInfo(lcWeather).noquote()
                        << "state forecast not cut:" << logText(shown.first.text.left(500));
                else
                    setStatus(WeatherTexts::idle);
                if (!shown.first.origin.isEmpty())
                    qCInfo(lcWeather).noquote() << "state forecast:" << logText(shown.first.origin);
                showForecast(shown.first.text, shown.second, shown.first.origin);
            });
    });
}

void Refresh::showForecast(const QString& forecast, const QStringList& pieces, const QString& origin)
{
    // The alerts are asked for before the forecast goes out, so the refresh
    // still ends with the forecast in the box; the station's zone, which
    // they need, is known once the forecast has been looked up.
    AlertsReply* alerts = m_source.fetchAlerts(m_request);
    if (!alerts) {
        Q_EMIT forecastReceived(forecast, pieces, origin);
        end();
        return;
    }
    m_forecast = forecast;
    m_forecastPieces = pieces;
    m_forecastOrigin = origin;
    await(alerts, &Refresh::alertsAnswered);
}

void Refresh::alertsAnswered(const AlertsAnswer& answer)
{
    const auto forecastThenEnd = [this] {
        Q_EMIT forecastReceived(std::exchange(m_forecast, {}), std::exchange(m_forecastPieces, {}),
                                std::exchange(m_forecastOrigin, {}));
        end();
    };
    if (!answer.hasArrived()) {
        qCInfo(lcWeather) << "alerts not had:" << answer.failure;
        forecastThenEnd();
        return;
    }
    // The alerts are made ready for the watch where they are read, so that
    // an answer of thousands costs the window's thread nothing that grows
    // with it.
    using Read = std::pair<AlertsReading, AlertWatch::Prepared>;
    offThread<Read>(
        [read = answer.read, cancelled = m_cancelled] {
            AlertsReading reading = read(cancelled.get());
            AlertWatch::Prepared prepared = reading.received && !cancelled->load()
                                                ? AlertWatch::prepare(reading.alerts)
                                                : AlertWatch::Prepared{};
            return Read{std::move(reading), std::move(prepared)};
        },
        [this, forecastThenEnd](const Read& read) {
            if (read.first.received)
                Q_EMIT alertsReceived(read.second);
            else
                qCInfo(lcWeather) << "alerts not read:" << read.first.problem;
            forecastThenEnd();
        });
}

void Refresh::wait(const QString& reason, const QDateTime& until)
{
    setStatus(WeatherTexts::idle);
    qCInfo(lcWeather).noquote() << "timed refresh waits:" << logText(reason);
    Q_EMIT held(reason, until);
    end();
}

void Refresh::end()
{
    m_running = false;
    m_dropRequest = nullptr;
    Q_EMIT finished();
}
