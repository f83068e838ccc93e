#include "ForecastSession.h"

#include "Refresh.h"
#include "RefreshPolicy.h"
#include "net/Clock.h"
#include "settings/SettingsKeys.h"
#include "settings/StationTable.h"
#include "shell/Notifier.h"
#include "weather/Temperature.h"
#include "weather/WeatherTexts.h"

ForecastSession::ForecastSession(Services services, QObject* parent)
    : QObject(parent), m_services(services), m_settings(m_services.store),
      m_refresh(new Refresh(m_services.weather, this)),
      m_policy(new RefreshPolicy(
          m_services.clock, [this] { return m_running; }, this)),
      m_alertWatch(m_services.clock)
{
    // The window opens idle.
    m_status = WeatherTexts::idle;
    connectRefresh();
    // A refresh the policy asks for is a timed one: it takes what the
    // service says is still fresh, and waits out a pause it asked for.
    connect(m_policy, &RefreshPolicy::refreshDue, this, [this] { start(true); });
    connect(m_policy, &RefreshPolicy::minutePassed, this, &ForecastSession::Timer1_Timer);
}

ForecastSession::~ForecastSession() = default;

void ForecastSession::connectRefresh()
{
    connect(m_refresh, &Refresh::statusChanged, this, &ForecastSession::showStatus);
    connect(m_refresh, &Refresh::conditionsUnavailable, this, &ForecastSession::showUnavailable);
    connect(m_refresh, &Refresh::conditionsReceived, this, &ForecastSession::showConditions);
    connect(m_refresh, &Refresh::forecastReceived, this, &ForecastSession::forecastReady);
    connect(m_refresh, &Refresh::held, this, &ForecastSession::showHeld);
    connect(m_refresh, &Refresh::alertsReceived, this, &ForecastSession::takeAlerts);
}

void ForecastSession::load()
{
    m_stationCode = StationTable::stationCode(m_settings.get(SettingsKeys::CityCode));
    m_stateCode = m_settings.get(SettingsKeys::State);
    m_policy->setUpdateMinutes(m_settings.int16(SettingsKeys::Update));
    m_policy->start();
}

void ForecastSession::useSettings(const QString& stationCode, const QString& stateCode, qint16 updateMinutes)
{
    m_stationCode = stationCode;
    m_stateCode = stateCode;
    m_policy->setUpdateMinutes(updateMinutes);
}

void ForecastSession::setStoreNotice(const QString& notice)
{
    m_storeNotice = notice;
    showStatusTip();
}

qint16 ForecastSession::updateMinutes() const
{
    return m_policy->updateMinutes();
}

qint16 ForecastSession::minuteCount() const
{
    return m_policy->minuteCount();
}

bool ForecastSession::refresh()
{
    // One refresh at a time: a click, a tick or the tray menu arriving
    // while one runs is ignored rather than started beside it.
    if (m_running || m_stopped)
        return false;
    start(false);
    return true;
}

void ForecastSession::start(bool timed)
{
    // The policy asks only while none runs and it has not stopped, and a
    // user's refresh() checks the same.
    m_running = true;
    m_conditionsCame = false;
    m_refresh->start(m_stationCode, m_stateCode, timed);
}

void ForecastSession::Timer1_Timer()
{
    // The age the location's tooltip tells is never more than a minute
    // behind, and an alert that ends between two refreshes leaves the
    // tooltips when it ends.
    if (m_observed)
        showCityTip();
    showAlertLines();
    // Counts the minute and, when the interval is reached, starts the timed
    // refresh within this tick.
    m_policy->tick();
}

void ForecastSession::sessionEvent()
{
    m_policy->sessionEvent();
}

void ForecastSession::showConditions(const ConditionsReading& reading)
{
    m_conditionsCame = true;
    m_observed = reading.observed;
    m_observedAt = reading.observedAt;
    m_unavailable.clear();
    m_pauseNotice.clear();
    Q_EMIT conditionsShown(reading);
    showCityTip();
    showStatusTip();
    if (m_settings.trayUseOn()) {
        m_traySky =
            TraySky{reading.values.sky, reading.skyChoice,
                    m_settings.trayTemperatureOn() ? Temperature::wholeFahrenheit(reading.values.temperature)
                                                   : std::nullopt};
        Q_EMIT traySkyChanged(*m_traySky);
    }
}

void ForecastSession::showUnavailable(const QString& reason)
{
    // The specified texts stay as they are; whoever wants to know why
    // finds it in the location's tooltip and in the log.
    m_observed.reset();
    m_observedAt.clear();
    m_unavailable = reason;
    m_pauseNotice.clear();
    Q_EMIT conditionsUnavailable();
    showCityTip();
    showStatusTip();
    // A temperature no longer observed is not shown; the sky icons stay as
    // the tray rule left them.
    if (m_traySky && m_traySky->fahrenheit && m_settings.trayUseOn()) {
        m_traySky->fahrenheit.reset();
        Q_EMIT traySkyChanged(*m_traySky);
    }
    end(false);
}

void ForecastSession::showHeld(const QString& reason, const QDateTime& until)
{
    // The values on show stay: they are the newest the service let us have.
    m_pauseNotice = QStringLiteral("%1. Timed refreshes wait until %2; Get Forecast asks at once.")
                        .arg(reason, until.toLocalTime().toString(QStringLiteral("HH:mm")));
    showStatusTip();
    end(m_conditionsCame);
}

void ForecastSession::forecastShown()
{
    if (m_running)
        end(true);
}

void ForecastSession::end(bool conditionsCame)
{
    m_running = false;
    // What counts as a failed refresh for the back-off: one that brought
    // no conditions.
    m_policy->refreshEnded(conditionsCame);
    Q_EMIT refreshFinished();
}

void ForecastSession::stop()
{
    m_stopped = true;
    m_policy->stop();
    // A transfer still running would hold the program until its time-out.
    m_refresh->abort();
    m_running = false;
}

void ForecastSession::takeAlerts(const AlertWatch::Prepared& alerts)
{
    if (m_stopped)
        return;
    // The watch takes every answer, told or not, so that turning the
    // notifications on again later does not bring up alerts long known.
    const QList<Notifier::Notification> told = m_alertWatch.take(alerts);
    if (!told.isEmpty() && m_settings.alertNotifyOn()) {
        for (const Notifier::Notification& notification : told)
            m_services.notifier.notify(notification);
    }
    showAlertLines();
}

void ForecastSession::showAlertLines()
{
    const QString warning = m_alertWatch.warningInSight();
    if (warning != m_warning) {
        m_warning = warning;
        Q_EMIT warningChanged(m_warning);
        if (m_status == WeatherTexts::idle)
            showStatus(m_status);
    }
    const QStringList lines = m_alertWatch.inSight();
    if (lines == m_alertLines)
        return;
    m_alertLines = lines;
    showCityTip();
    Q_EMIT alertLinesChanged(m_alertLines);
}

void ForecastSession::showStatus(const QString& text)
{
    m_status = text;
    // A warning in effect stays in sight whenever nothing else is said.
    Q_EMIT statusChanged(text == WeatherTexts::idle && !m_warning.isEmpty() ? QStringLiteral("  ") + m_warning
                                                                            : text);
}

void ForecastSession::showCityTip()
{
    QStringList below;
    if (m_observed)
        below.append(ObservationTime::describe(*m_observed, m_services.clock.wallTime()));
    if (!m_observedAt.isEmpty())
        below.append(m_observedAt);
    if (!m_unavailable.isEmpty())
        below.append(m_unavailable);
    // The alerts never cut short what used to fit below them.
    const qsizetype alerts = m_alertLines.join(QLatin1Char('\n')).size();
    Q_EMIT cityTipChanged(belowAlerts(m_alertLines, below.join(QLatin1Char('\n'))), alerts + 1 + 500);
}

void ForecastSession::showStatusTip()
{
    QStringList notices;
    for (const QString& notice : {m_storeNotice, m_pauseNotice}) {
        if (!notice.isEmpty())
            notices.append(notice);
    }
    Q_EMIT statusTipChanged(notices.join(QLatin1Char('\n')));
}

QString ForecastSession::belowAlerts(const QStringList& alertLines, const QString& text)
{
    QStringList lines = alertLines;
    if (!text.isEmpty())
        lines.append(text);
    return lines.join(QLatin1Char('\n'));
}
