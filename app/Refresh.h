#pragma once

#include "AlertWatch.h"
#include "weather/Conditions.h"
#include "weather/WeatherSource.h"

#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcWeather)

// One refresh of the weather, as a sequence of asynchronous steps: the
// current conditions (GetCurrentConditions), then, when they came, the
// state forecast (GetStateForecast). Nothing in it waits: each step ends
// by handing the next to the event loop, so every status text is painted
// before the work it announces begins and the window answers throughout;
// pages are read (stripped, cut, extracted) on a worker thread.
//
// The station and the state travel as parameters of start(); what is read
// from the answers travels as values in the signals, in this order:
// statusChanged() for each status text; then either conditionsUnavailable()
// or conditionsReceived() followed, once the forecast has been fetched and
// read and the alerts asked for, by alertsReceived() (when they came) and
// forecastReceived(); or held() where the service asked a timed refresh to
// wait; finished() last. Alerts that cannot be had change nothing else:
// they are only logged.
//
// All the answers of one refresh together are bounded by the network's
// cap on one answer (TransferBudget).
class Refresh : public QObject
{
    Q_OBJECT
public:
    explicit Refresh(WeatherSource& source, QObject* parent = nullptr);
    ~Refresh() override;

    // Starts a refresh; false, and nothing happens, while one runs. A timed
    // refresh lets products the service says are still fresh stand and
    // waits out a pause the service asked for.
    bool start(const QString& stationCode, const QString& stateCode, bool timed = false);
    bool isRunning() const { return m_running; }

    // Ends a running refresh at once: the request under way is dropped, a
    // page being read is given up, and nothing more is emitted.
    void abort();

Q_SIGNALS:
    void statusChanged(const QString& text);
    // The conditions page was not received or not usable; `reason` tells
    // why, for whoever looks.
    void conditionsUnavailable(const QString& reason);
    void conditionsReceived(const ConditionsReading& reading);
    // The forecast box's new text, the forecast or a failure text, and the
    // pieces to fill the box with (see ForecastText).
    // `origin` says where the forecast is for, for whoever asks (empty when
    // there is nothing to tell).
    void forecastReceived(const QString& forecast, const QStringList& pieces, const QString& origin);
    // The service asked for a pause until `until`, and this timed refresh
    // waits it out: what is on show stays.
    void held(const QString& reason, const QDateTime& until);
    // The alerts in effect where the station is, as the source listed them,
    // prepared for the watch where the answer was read.
    void alertsReceived(const AlertWatch::Prepared& alerts);
    void finished();

private:
    void GetCurrentConditions();
    void conditionsAnswered(const ConditionsAnswer& answer);
    void conditionsRead(const ConditionsReading& reading);
    void GetStateForecast();
    void forecastAnswered(const ForecastAnswer& answer);
    void showForecast(const QString& forecast, const QStringList& pieces, const QString& origin = {});
    void alertsAnswered(const AlertsAnswer& answer);
    void wait(const QString& reason, const QDateTime& until);
    void end();

    void setStatus(const QString& text);
    // Runs `step` from the event loop, unless this refresh has ended by then.
    void next(std::function<void()> step);
    // Runs `work` on a worker, as every answer is read, and `done` with
    // its result, unless this refresh has ended by then.
    template <typename T> void offThread(std::function<T()> work, std::function<void(T)> done);
    template <typename Answer> void await(WeatherReply<Answer>* reply, void (Refresh::*done)(const Answer&));

    WeatherSource& m_source;
    bool m_running = false;
    // Counts refreshes; a step queued for one that has ended is dropped.
    quint64 m_generation = 0;
    WeatherRequest m_request;
    // The request under way, to drop when the refresh ends early.
    std::function<void()> m_dropRequest;
    // The forecast, waiting while the alerts are asked for.
    QString m_forecast;
    QStringList m_forecastPieces;
    QString m_forecastOrigin;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
};
