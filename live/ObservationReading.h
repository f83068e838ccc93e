#pragma once

#include "weather/Conditions.h"

#include <QStringView>

// What the window shows of a station's decoded observation (see
// DecodedObservation), each value as the service words it:
//
// - the sky: the cloud cover followed by the present weather, joined by
//   "; " as the service joins weather phenomena ("overcast; light rain;
//   mist"); the tray pictures are chosen by its words, as they were by the
//   weather words of the old pages. The weather line also carries remarks
//   that are no weather ("5 inches of snow on ground", "cumulonimbus clouds
//   observed", "lightning observed"): they go to the sky label's tooltip,
//   so that snow cover on a clear day does not show falling snow;
// - the temperature's tooltip tells the wind chill or heat index ("Feels
//   like 21.0 F (-6.1 C)");
// - a value the observation lacks stays empty.
namespace ObservationReading {

// The reading of `text`, the service's file for `station` ("KDEN"); not
// received, with the reason, when the text is no decoded observation.
ConditionsReading read(QStringView text, const QString& station);

} // namespace ObservationReading
