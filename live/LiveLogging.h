#pragma once

#include <QLoggingCategory>

// The live layer's messages: products the service did not give, stations
// whose zone could not be found.
Q_DECLARE_LOGGING_CATEGORY(lcLive)
