#pragma once

#include "AlertWatch.h"
#include "settings/Settings.h"
#include "weather/Conditions.h"
#include "weather/ObservationTime.h"
#include "weather/SkyClasses.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <optional>

class Clock;
class Notifier;
class Refresh;
class RefreshPolicy;
class SettingsStore;
class WeatherSource;

// The program's weather without a window: it decides, a window shows.
//
// It holds the station and state being shown and the refresh interval
// (read from the store at load() and when the settings dialog closes),
// runs one refresh at a time (Refresh), decides when to refresh by itself
// (RefreshPolicy: the minute tick it schedules on the clock, waking, the
// network coming back, the back-off after failures), which alerts to tell
// (AlertWatch, the user's switch) and what every part of the window and
// the tray says. It reads the time only through its Clock, and nothing of
// Qt beyond Core.
//
// While an alert that threatens life or property (Severe or Extreme) is in
// effect, its line stands in the status line in place of "  Idle", and the
// tray is told to mark its icons (warningChanged()), until it ends.
//
// A refresh runs from refresh() (or the policy's own) until the window
// reports the forecast in its box (forecastShown()); when no forecast is
// to be shown (conditions unavailable, a pause the service asked for) it
// ends by itself. Meanwhile a further refresh is ignored. What to show
// comes as signals, in the order the window shows it: statusChanged() for
// each status text; conditionsShown() or conditionsUnavailable(); then
// forecastReady(); refreshFinished() last. The tooltips' texts, the tray's
// choice and the alerts' lines come whenever they change.
class ForecastSession final : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        SettingsStore& store;
        WeatherSource& weather;
        // Tells of new weather alerts, when the user has not turned that off.
        Notifier& notifier;
        Clock& clock;
    };

    // What the notification area shows after a refresh that brought
    // conditions: the sky conditions and the classes they fall in, and the
    // observed temperature in whole degrees Fahrenheit when the user asked
    // for it in the tray and the observation tells it.
    struct TraySky
    {
        QString sky;
        SkyClasses::Choice choice;
        std::optional<int> fahrenheit;
    };

    explicit ForecastSession(Services services, QObject* parent = nullptr);
    ~ForecastSession() override;

    // Reads the station, state and interval from the store and starts the
    // minute tick. Fetches nothing.
    void load();
    // The settings dialog closed: the running state as it left it.
    void useSettings(const QString& stationCode, const QString& stateCode, qint16 updateMinutes);
    // What the look at the store found at start-up, for the status line's
    // tooltip; empty when all was well.
    void setStoreNotice(const QString& notice);

    // A refresh the user asks for (Get Forecast, its keys, the tray menu):
    // false, and nothing happens, while one runs or once the session has
    // stopped.
    bool refresh();
    // The minute tick: the tooltips kept up to date, the minute counted
    // and, when the interval is reached, a timed refresh within the tick.
    // Scheduled on the clock from load() on.
    void Timer1_Timer();
    // The machine woke from sleep, or its network came back.
    void sessionEvent();
    // The window has the forecast of the refresh under way in its box.
    void forecastShown();
    // The program is ending: the refresh under way is dropped and none
    // starts again.
    void stop();
    // The alerts a refresh found (all of them, new or not), prepared for
    // the watch: what the watch tells of is notified, unless the user
    // turned that off; those in effect head the location's and the tray
    // icons' tooltips until they end.
    void takeAlerts(const AlertWatch::Prepared& alerts);

    bool running() const { return m_running; }
    QString stationCode() const { return m_stationCode; }
    QString stateCode() const { return m_stateCode; }
    qint16 updateMinutes() const;
    qint16 minuteCount() const;

    // A tooltip with the alerts' lines at its head.
    static QString belowAlerts(const QStringList& alertLines, const QString& text);

Q_SIGNALS:
    void statusChanged(const QString& text);
    // The status line's tooltip: a store that could not be read whole, a
    // pause the weather service asked for.
    void statusTipChanged(const QString& tip);
    void conditionsShown(const ConditionsReading& reading);
    void conditionsUnavailable();
    // The forecast box's new text, the pieces to fill it with (see
    // ForecastText) and where it is for; the window reports it shown with
    // forecastShown().
    void forecastReady(const QString& forecast, const QStringList& pieces, const QString& origin);
    // The location's tooltip: the alerts in sight, then when the values
    // were observed and by which station, or why there are none; to be cut
    // past `shownLength` characters (the alerts whole, what is below them
    // to its first 500).
    void cityTipChanged(const QString& tip, qsizetype shownLength);
    // With tray use on, after each refresh that brought conditions; after
    // one that did not, the last sky again without a temperature.
    void traySkyChanged(const ForecastSession::TraySky& sky);
    // The line of the most severe alert in effect that threatens life or
    // property ("Tornado Warning until 5:45 PM CDT Mon"); empty once none
    // does.
    void warningChanged(const QString& line);
    // The lines of the alerts in effect, most severe first, which head the
    // tray icons' tooltips.
    void alertLinesChanged(const QStringList& lines);
    void refreshFinished();

private:
    void start(bool timed);
    void connectRefresh();
    void showConditions(const ConditionsReading& reading);
    void showUnavailable(const QString& reason);
    void showHeld(const QString& reason, const QDateTime& until);
    void showAlertLines();
    void showCityTip();
    void showStatusTip();
    void showStatus(const QString& text);
    void end(bool conditionsCame);

    Services m_services;
    Settings m_settings;
    Refresh* m_refresh = nullptr;
    RefreshPolicy* m_policy = nullptr;
    AlertWatch m_alertWatch;

    QString m_stationCode;
    QString m_stateCode;
    // From the start of a refresh until its forecast is in the box.
    bool m_running = false;
    bool m_stopped = false;
    // The refresh under way has brought its conditions.
    bool m_conditionsCame = false;

    // What the status line's tooltip tells.
    QString m_storeNotice;
    QString m_pauseNotice;
    // When the shown observation was made, and by which station when not
    // the entry's own; or why there are no values.
    std::optional<ObservationTime::Observed> m_observed;
    QString m_observedAt;
    QString m_unavailable;
    QStringList m_alertLines;
    QString m_warning;
    // The status the refresh last gave, shown as it is unless idle.
    QString m_status;
    // The sky last shown in the tray, and whether with a temperature.
    std::optional<TraySky> m_traySky;
};
