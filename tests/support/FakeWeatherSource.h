#pragma once

#include "net/FetchResult.h"
#include "pages/PageAnswers.h"
#include "weather/WeatherSource.h"

#include <QList>
#include <QPointer>
#include <QStringList>

// Answers each request with the page set for it, read as a page of the old
// layout is, and records what was asked for ("conditions DEN", "forecast co
// DEN", "timed conditions DEN"). While `hold` is set, requests stay
// unanswered until release().
class FakeWeatherSource final : public WeatherSource
{
public:
    QString conditionsHost() const override { return QStringLiteral("conditions.example"); }
    QString forecastHost() const override { return QStringLiteral("forecast.example"); }

    ConditionsReply* fetchConditions(const WeatherRequest& request) override
    {
        requests.append(prefix(request) + QStringLiteral("conditions ") + request.stationCode);
        return answer<ConditionsAnswer>(PageAnswers::conditions(conditions));
    }

    ForecastReply* fetchStateForecast(const WeatherRequest& request) override
    {
        requests.append(prefix(request) + QStringLiteral("forecast ") + request.stateCode + QLatin1Char(' ') +
                        request.stationCode);
        return answer<ForecastAnswer>(PageAnswers::stateForecast(forecast));
    }

    // Answers every held request.
    void release()
    {
        const auto waiting = std::exchange(m_held, {});
        for (const auto& answerIt : waiting)
            answerIt();
    }

    // How many requests were given up by their askers.
    int aborted = 0;

    FetchResult conditions = FetchResult::failure({}, QStringLiteral("Host not found"));
    FetchResult forecast = FetchResult::failure({}, QStringLiteral("Host not found"));
    bool hold = false;
    QStringList requests;

private:
    static QString prefix(const WeatherRequest& request)
    {
        return request.timed ? QStringLiteral("timed ") : QString();
    }

    template <typename Answer> WeatherReply<Answer>* answer(const Answer& given)
    {
        auto* reply = new WeatherReply<Answer>;
        reply->whenAborted([this] { ++aborted; });
        if (hold) {
            m_held.append([reply = QPointer<WeatherReply<Answer>>(reply), given] {
                if (reply)
                    reply->answer(given);
            });
        } else {
            reply->answer(given);
        }
        return reply;
    }

    QList<std::function<void()>> m_held;
};
