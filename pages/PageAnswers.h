#pragma once

#include "net/FetchResult.h"
#include "weather/WeatherReply.h"

// The pages of the old layout as answers: a transfer that failed is
// nothing had, a page that arrived is read by the literal rules (markup
// stripped, values cut at their labels, the forecast cut at its markers).
namespace PageAnswers {

ConditionsAnswer conditions(const FetchResult& result);
ForecastAnswer stateForecast(const FetchResult& result);

} // namespace PageAnswers
