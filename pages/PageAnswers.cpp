#include "PageAnswers.h"

#include "PageReadings.h"

namespace PageAnswers {

namespace {

template <typename Answer, typename ReadPage> Answer answerFor(const FetchResult& result, ReadPage readPage)
{
    if (result.heldUntil.isValid())
        return Answer::held(result.error, result.heldUntil);
    if (!result.ok)
        return Answer::failed(result.error);
    return Answer::arrived([body = result.text, readPage](const std::atomic<bool>* cancelled) {
        return readPage(body, cancelled);
    });
}

} // namespace

ConditionsAnswer conditions(const FetchResult& result)
{
    return answerFor<ConditionsAnswer>(result, [](const QString& body, const std::atomic<bool>* cancelled) {
        return PageReadings::conditions(body, cancelled).reading;
    });
}

ForecastAnswer stateForecast(const FetchResult& result)
{
    return answerFor<ForecastAnswer>(result, [](const QString& body, const std::atomic<bool>* cancelled) {
        return PageReadings::stateForecast(body, cancelled);
    });
}

} // namespace PageAnswers
