#pragma once

#include "FetchReply.h"
#include "WeatherSource.h"

#include <QList>
#include <QPointer>
#include <QStringList>

// Answers each request with the result set for its page and records what
// was asked for ("conditions DEN", "forecast co DEN"). While `hold` is set,
// requests stay unanswered until release().
class FakeWeatherSource final : public WeatherSource
{
public:
    QString conditionsHost() const override { return QStringLiteral("conditions.example"); }
    QString forecastHost() const override { return QStringLiteral("forecast.example"); }

    FetchReply* fetchConditions(const QString& stationCode) override
    {
        requests.append(QStringLiteral("conditions ") + stationCode);
        return answer(conditions);
    }

    FetchReply* fetchStateForecast(const QString& stateCode, const QString& stationCode) override
    {
        requests.append(QStringLiteral("forecast ") + stateCode + QLatin1Char(' ') + stationCode);
        return answer(forecast);
    }

    // Answers every held request.
    void release()
    {
        const auto waiting = std::exchange(m_held, {});
        for (const auto& [reply, result] : waiting) {
            if (reply)
                reply->finish(result);
        }
    }

    // How many requests were given up by their askers.
    int aborted = 0;

    FetchResult conditions = FetchResult::failure({}, QStringLiteral("Host not found"));
    FetchResult forecast = FetchResult::failure({}, QStringLiteral("Host not found"));
    bool hold = false;
    QStringList requests;

private:
    FetchReply* answer(const FetchResult& result)
    {
        auto* reply = new FetchReply;
        QObject::connect(reply, &FetchReply::aborted, [this] { ++aborted; });
        if (hold)
            m_held.append({reply, result});
        else
            reply->finish(result);
        return reply;
    }

    QList<std::pair<QPointer<FetchReply>, FetchResult>> m_held;
};
