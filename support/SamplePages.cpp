#include "SamplePages.h"

#include "settings/StationTable.h"

#include <QtMath>
#include <array>
#include <cmath>

namespace SamplePages {

namespace {

quint32 fnv1a(const QString& text)
{
    quint32 hash = 2166136261u;
    for (const QChar c : text) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    return hash;
}

// A small deterministic generator, so that each station draws the same
// values in every run and on every platform (std:: distributions differ
// between standard libraries).
class Dice
{
public:
    explicit Dice(quint32 seed) : m_state(0x9E3779B97F4A7C15ull ^ seed) {}

    quint64 next()
    {
        m_state += 0x9E3779B97F4A7C15ull;
        quint64 z = m_state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [low, high].
    int between(int low, int high)
    {
        return low + static_cast<int>(next() % static_cast<quint64>(high - low + 1));
    }

    bool chance(int inCount) { return next() % static_cast<quint64>(inCount) == 0; }

    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& items)
    {
        return items[next() % N];
    }

private:
    quint64 m_state;
};

enum class Climate
{
    Cold,
    Cool,
    Mild,
    Warm
};

struct StateInfo
{
    const char* code;
    const char* name;     // upper case, as the forecast product writes it
    const char* office;   // the issuing office, as in "NATIONAL WEATHER SERVICE DENVER CO"
    const char* officeId; // four-letter originator of the WMO heading
    const char* wmo;      // WMO product identifier
    const char* zone;     // standard time zone of December
    int utcOffset;        // hours
    double latitude;
    double longitude;
    int elevation; // metres, typical for the state's airports
    Climate climate;
};

// clang-format off
constexpr std::array<StateInfo, 52> states{{
    {"ak", "ALASKA", "ANCHORAGE AK", "PAFC", "FPAK51", "AKST", -9, 61.2, -149.9, 40, Climate::Cold},
    {"al", "ALABAMA", "BIRMINGHAM AL", "KBMX", "FPUS54", "CST", -6, 32.8, -86.8, 180, Climate::Mild},
    {"ar", "ARKANSAS", "LITTLE ROCK AR", "KLZK", "FPUS54", "CST", -6, 34.8, -92.4, 110, Climate::Cool},
    {"az", "ARIZONA", "PHOENIX AZ", "KPSR", "FPUS55", "MST", -7, 34.2, -111.7, 700, Climate::Mild},
    {"ca", "CALIFORNIA", "SACRAMENTO CA", "KSTO", "FPUS56", "PST", -8, 36.8, -119.8, 60, Climate::Mild},
    {"co", "COLORADO", "DENVER CO", "KBOU", "FPUS55", "MST", -7, 39.0, -105.5, 1650, Climate::Cold},
    {"ct", "CONNECTICUT", "TAUNTON MA", "KBOX", "FPUS51", "EST", -5, 41.6, -72.7, 50, Climate::Cool},
    {"dc", "THE DISTRICT OF COLUMBIA", "STERLING VA", "KLWX", "FPUS51", "EST", -5, 38.9, -77.0, 20, Climate::Cool},
    {"de", "DELAWARE", "MOUNT HOLLY NJ", "KPHI", "FPUS51", "EST", -5, 39.0, -75.5, 20, Climate::Cool},
    {"fl", "FLORIDA", "RUSKIN FL", "KTBW", "FPUS52", "EST", -5, 28.5, -82.0, 10, Climate::Warm},
    {"ga", "GEORGIA", "PEACHTREE CITY GA", "KFFC", "FPUS52", "EST", -5, 32.7, -83.4, 200, Climate::Mild},
    {"hi", "HAWAII", "HONOLULU HI", "PHFO", "FPHW50", "HST", -10, 20.8, -157.0, 5, Climate::Warm},
    {"ia", "IOWA", "DES MOINES IA", "KDMX", "FPUS53", "CST", -6, 42.0, -93.5, 290, Climate::Cold},
    {"id", "IDAHO", "BOISE ID", "KBOI", "FPUS55", "MST", -7, 44.3, -114.6, 900, Climate::Cold},
    {"il", "ILLINOIS", "CHICAGO IL", "KLOT", "FPUS53", "CST", -6, 40.0, -89.2, 200, Climate::Cool},
    {"in", "INDIANA", "INDIANAPOLIS IN", "KIND", "FPUS53", "EST", -5, 39.9, -86.3, 240, Climate::Cool},
    {"ks", "KANSAS", "TOPEKA KS", "KTOP", "FPUS53", "CST", -6, 38.5, -98.4, 400, Climate::Cool},
    {"ky", "KENTUCKY", "LOUISVILLE KY", "KLMK", "FPUS53", "EST", -5, 37.5, -85.3, 200, Climate::Cool},
    {"la", "LOUISIANA", "SLIDELL LA", "KLIX", "FPUS54", "CST", -6, 31.0, -92.0, 10, Climate::Mild},
    {"ma", "MASSACHUSETTS", "TAUNTON MA", "KBOX", "FPUS51", "EST", -5, 42.3, -71.8, 40, Climate::Cool},
    {"md", "MARYLAND", "STERLING VA", "KLWX", "FPUS51", "EST", -5, 39.0, -76.8, 50, Climate::Cool},
    {"me", "MAINE", "GRAY ME", "KGYX", "FPUS51", "EST", -5, 45.3, -69.2, 60, Climate::Cold},
    {"mi", "MICHIGAN", "GRAND RAPIDS MI", "KGRR", "FPUS53", "EST", -5, 43.8, -84.7, 250, Climate::Cold},
    {"mn", "MINNESOTA", "CHANHASSEN MN", "KMPX", "FPUS53", "CST", -6, 46.3, -94.3, 330, Climate::Cold},
    {"mo", "MISSOURI", "ST. LOUIS MO", "KLSX", "FPUS53", "CST", -6, 38.4, -92.5, 220, Climate::Cool},
    {"ms", "MISSISSIPPI", "JACKSON MS", "KJAN", "FPUS54", "CST", -6, 32.7, -89.7, 90, Climate::Mild},
    {"mt", "MONTANA", "GREAT FALLS MT", "KTFX", "FPUS55", "MST", -7, 47.0, -109.6, 1100, Climate::Cold},
    {"nc", "NORTH CAROLINA", "RALEIGH NC", "KRAH", "FPUS52", "EST", -5, 35.5, -79.4, 130, Climate::Cool},
    {"nd", "NORTH DAKOTA", "BISMARCK ND", "KBIS", "FPUS53", "CST", -6, 47.4, -100.5, 510, Climate::Cold},
    {"ne", "NEBRASKA", "VALLEY NE", "KOAX", "FPUS53", "CST", -6, 41.5, -99.8, 600, Climate::Cold},
    {"nh", "NEW HAMPSHIRE", "GRAY ME", "KGYX", "FPUS51", "EST", -5, 43.7, -71.6, 110, Climate::Cold},
    {"nj", "NEW JERSEY", "MOUNT HOLLY NJ", "KPHI", "FPUS51", "EST", -5, 40.1, -74.7, 20, Climate::Cool},
    {"nm", "NEW MEXICO", "ALBUQUERQUE NM", "KABQ", "FPUS55", "MST", -7, 34.4, -106.1, 1500, Climate::Cool},
    {"nv", "NEVADA", "RENO NV", "KREV", "FPUS56", "PST", -8, 39.3, -116.6, 1300, Climate::Cool},
    {"ny", "NEW YORK", "ALBANY NY", "KALY", "FPUS51", "EST", -5, 42.9, -75.5, 150, Climate::Cold},
    {"oh", "OHIO", "WILMINGTON OH", "KILN", "FPUS51", "EST", -5, 40.3, -82.8, 250, Climate::Cool},
    {"ok", "OKLAHOMA", "NORMAN OK", "KOUN", "FPUS54", "CST", -6, 35.6, -97.5, 360, Climate::Cool},
    {"or", "OREGON", "PORTLAND OR", "KPQR", "FPUS56", "PST", -8, 43.9, -120.6, 200, Climate::Cool},
    {"pa", "PENNSYLVANIA", "STATE COLLEGE PA", "KCTP", "FPUS51", "EST", -5, 40.9, -77.8, 300, Climate::Cool},
    {"pr", "PUERTO RICO", "SAN JUAN PR", "TJSJ", "FPCA52", "AST", -4, 18.2, -66.5, 3, Climate::Warm},
    {"ri", "RHODE ISLAND", "TAUNTON MA", "KBOX", "FPUS51", "EST", -5, 41.7, -71.5, 20, Climate::Cool},
    {"sc", "SOUTH CAROLINA", "COLUMBIA SC", "KCAE", "FPUS52", "EST", -5, 33.9, -80.9, 70, Climate::Mild},
    {"sd", "SOUTH DAKOTA", "SIOUX FALLS SD", "KFSD", "FPUS53", "CST", -6, 44.4, -100.2, 500, Climate::Cold},
    {"tn", "TENNESSEE", "NASHVILLE TN", "KOHX", "FPUS54", "CST", -6, 35.9, -86.4, 180, Climate::Cool},
    {"tx", "TEXAS", "FORT WORTH TX", "KFWD", "FPUS54", "CST", -6, 31.5, -99.3, 250, Climate::Mild},
    {"ut", "UTAH", "SALT LAKE CITY UT", "KSLC", "FPUS55", "MST", -7, 39.3, -111.7, 1300, Climate::Cold},
    {"va", "VIRGINIA", "WAKEFIELD VA", "KAKQ", "FPUS51", "EST", -5, 37.5, -78.8, 100, Climate::Cool},
    {"vt", "VERMONT", "BURLINGTON VT", "KBTV", "FPUS51", "EST", -5, 44.1, -72.7, 100, Climate::Cold},
    {"wa", "WASHINGTON", "SEATTLE WA", "KSEW", "FPUS56", "PST", -8, 47.4, -120.5, 120, Climate::Cool},
    {"wi", "WISCONSIN", "SULLIVAN WI", "KMKX", "FPUS53", "CST", -6, 44.6, -89.9, 260, Climate::Cold},
    {"wv", "WEST VIRGINIA", "CHARLESTON WV", "KRLX", "FPUS51", "EST", -5, 38.6, -80.6, 300, Climate::Cool},
    {"wy", "WYOMING", "CHEYENNE WY", "KCYS", "FPUS55", "MST", -7, 43.0, -107.5, 1900, Climate::Cold},
}};
// clang-format on

// A state code outside the table above (a mistyped entry, for example)
// still gets a page, issued from the national centre under its own code.
StateInfo stateInfo(const QString& stateCode)
{
    for (const StateInfo& info : states) {
        if (stateCode == QLatin1StringView(info.code))
            return info;
    }
    return {"", "", "CAMP SPRINGS MD", "KWBC", "FPUS50", "EST", -5, 39.0, -95.0, 300, Climate::Cool};
}

QString stateName(const StateInfo& info, const QString& stateCode)
{
    return *info.code ? QString::fromLatin1(info.name) : stateCode.toUpper();
}

// "CHICAGO / O'HARE" becomes "Chicago / O'Hare": a letter after anything
// but a letter starts a word.
QString mixedCase(const QString& upper)
{
    QString result = upper.toLower();
    bool wordStart = true;
    for (QChar& c : result) {
        if (wordStart && c.isLetter())
            c = c.toUpper();
        wordStart = !c.isLetter();
    }
    return result;
}

enum class Sky
{
    Clear,
    Cloudy,
    Overcast,
    Rain,
    Thunder,
    Snow,
    Haze,
    Fog,
    Fair
};

struct SkyPhrase
{
    const char* text;
    Sky kind;
};

constexpr std::array<SkyPhrase, 13> skyPhrases{{
    {"clear", Sky::Clear},
    {"mostly sunny", Sky::Clear},
    {"partly cloudy", Sky::Cloudy},
    {"mostly cloudy", Sky::Cloudy},
    {"overcast", Sky::Overcast},
    {"light rain", Sky::Rain},
    {"rain", Sky::Rain},
    {"thunderstorms and rain", Sky::Thunder},
    {"light snow", Sky::Snow},
    {"mostly cloudy with snow", Sky::Snow},
    {"haze", Sky::Haze},
    {"fog", Sky::Fog},
    {"fair", Sky::Fair},
}};

// December weather that the climate allows: no snow on the Gulf coast or
// in the tropics, no thunderstorms in the northern cold.
SkyPhrase plausibleSky(SkyPhrase phrase, Climate climate)
{
    if (phrase.kind == Sky::Snow && (climate == Climate::Warm || climate == Climate::Mild))
        return {"light rain", Sky::Rain};
    if (phrase.kind == Sky::Thunder && climate == Climate::Cold)
        return {"mostly cloudy with snow", Sky::Snow};
    return phrase;
}

int celsius(int fahrenheit)
{
    return qRound((fahrenheit - 32) * 5.0 / 9.0);
}

QString temperatureText(int fahrenheit)
{
    return QStringLiteral("%1 F (%2 C)").arg(fahrenheit).arg(celsius(fahrenheit));
}

// Relative humidity from temperature and dew point (Magnus formula).
int relativeHumidity(int fahrenheit, int dewFahrenheit)
{
    const auto saturation = [](double c) { return std::exp(17.625 * c / (243.04 + c)); };
    const double t = (fahrenheit - 32) * 5.0 / 9.0;
    const double d = (dewFahrenheit - 32) * 5.0 / 9.0;
    return std::clamp(qRound(100.0 * saturation(d) / saturation(t)), 1, 100);
}

QString compassPoint(int degrees)
{
    static const std::array<const char*, 16> points{"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                                    "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
    return QLatin1StringView(points[static_cast<std::size_t>(((degrees * 10 + 112) / 225) % 16)]);
}

int knots(int mph)
{
    return qRound(mph * 0.868976);
}

QString windText(Dice& dice, Sky sky)
{
    if (sky != Sky::Thunder && dice.chance(9))
        return QStringLiteral("Calm");
    const int degrees = dice.between(1, 36) * 10;
    const int mph = sky == Sky::Thunder ? dice.between(10, 25) : dice.between(3, 23);
    QString text = QStringLiteral("from the %1 (%2 degrees) at %3 MPH (%4 KT)")
                       .arg(compassPoint(degrees))
                       .arg(degrees)
                       .arg(mph)
                       .arg(knots(mph));
    if (mph >= 14 && dice.chance(3)) {
        const int gust = mph + dice.between(7, 15);
        text += QStringLiteral(" gusting to %1 MPH (%2 KT)").arg(gust).arg(knots(gust));
    }
    return text;
}

QString pressureText(double inches)
{
    return QStringLiteral("%1 in. Hg (%2 hPa)").arg(inches, 0, 'f', 2).arg(qRound(inches * 33.8639));
}

QString visibilityText(Dice& dice, Sky sky)
{
    static const std::array<const char*, 3> fog{"1/4", "1/2", "3/4"};
    static const std::array<const char*, 3> haze{"3", "4", "5"};
    static const std::array<const char*, 4> snow{"1", "1 1/2", "2", "3"};
    static const std::array<const char*, 3> rain{"4", "5", "7"};
    static const std::array<const char*, 3> thunder{"2", "3", "5"};
    const char* miles = "10";
    switch (sky) {
    case Sky::Fog:
        miles = dice.pick(fog);
        break;
    case Sky::Haze:
        miles = dice.pick(haze);
        break;
    case Sky::Snow:
        miles = dice.pick(snow);
        break;
    case Sky::Rain:
        miles = dice.pick(rain);
        break;
    case Sky::Thunder:
        miles = dice.pick(thunder);
        break;
    default:
        if (dice.chance(6))
            miles = "7";
        break;
    }
    return QString::fromLatin1(miles) + QStringLiteral(" mile(s)");
}

// "39-50-N" / "104-39-W".
QString angleText(double degrees, char positive, char negative)
{
    const int minutes = qRound(std::abs(degrees) * 60.0);
    return QStringLiteral("%1-%2-%3")
        .arg(minutes / 60)
        .arg(minutes % 60, 2, 10, QLatin1Char('0'))
        .arg(QLatin1Char(degrees >= 0 ? positive : negative));
}

// The observation hour is the same for every station, 15:53 UTC, the way
// one hourly report round looks across the country.
QString observedText(const StateInfo& state)
{
    const int hour = 15 + state.utcOffset;
    return QStringLiteral("Dec 07, 1998 - %1:53 %2 %3 / 1998.12.07 1553 UTC")
        .arg(hour > 12 ? hour - 12 : hour, 2, 10, QLatin1Char('0'))
        .arg(hour >= 12 ? QStringLiteral("PM") : QStringLiteral("AM"))
        .arg(QLatin1StringView(state.zone));
}

// Where the station stands: "39-50-N 104-39-W 1655M".
QString positionText(double latitude, double longitude, int elevation)
{
    return QStringLiteral("%1 %2 %3M")
        .arg(angleText(latitude, 'N', 'S'), angleText(longitude, 'E', 'W'))
        .arg(elevation);
}

QString randomPosition(Dice& dice, const StateInfo& state)
{
    const double latitude = state.latitude + dice.between(-150, 150) / 100.0;
    const double longitude = state.longitude + dice.between(-250, 250) / 100.0;
    const int elevation =
        std::max(2, state.elevation + dice.between(-state.elevation / 3, state.elevation / 3));
    return positionText(latitude, longitude, elevation);
}

QString locationText(const QString& entry, const QString& code, const QString& position)
{
    const QString displayName = StationTable::fromEntry(entry).name;
    const qsizetype comma = displayName.lastIndexOf(QLatin1Char(','));
    QString city = (comma >= 0 ? displayName.left(comma) : displayName).trimmed();
    const QString region = comma >= 0 ? displayName.mid(comma + 1).trimmed() : QString();
    if (city.isEmpty())
        city = code;

    QString place;
    if (region == QLatin1StringView("MEXICO"))
        place = QStringLiteral(", Mexico");
    else if (region.isEmpty())
        place = QStringLiteral(", United States");
    else
        place = QStringLiteral(", %1, United States").arg(region);
    const QString tail = QStringLiteral(" (K%1) %2").arg(code, position);

    // A location holding a word that labels a value on the page is written
    // in the table's upper case.
    const QString mixed = mixedCase(city) + place + tail;
    return ConditionsPage::holdsValueLabel(mixed) ? city.toUpper() + place + tail : mixed;
}

} // namespace

Observation observationFor(const QString& stationEntry)
{
    const QString code = StationTable::stationCode(stationEntry);
    // The one foreign entry ends in "MEXICO", whose last two letters read
    // as Colorado's code; its weather is that of the Yucatan.
    const StateInfo state = stationEntry.endsWith(QLatin1StringView(", MEXICO"))
                                ? StateInfo{"", "", "", "", "", "CST", -6, 21.0, -86.9, 6, Climate::Warm}
                                : stateInfo(StationTable::stateCode(stationEntry));
    Dice dice(fnv1a(code));

    Observation observation;
    observation.location = locationText(stationEntry, code, randomPosition(dice, state));
    observation.observed = observedText(state);

    const SkyPhrase sky = plausibleSky(dice.pick(skyPhrases), state.climate);
    int fahrenheit = 0;
    switch (state.climate) {
    case Climate::Cold:
        fahrenheit = dice.between(8, 38);
        break;
    case Climate::Cool:
        fahrenheit = dice.between(28, 52);
        break;
    case Climate::Mild:
        fahrenheit = dice.between(42, 68);
        break;
    case Climate::Warm:
        fahrenheit = dice.between(68, 84);
        break;
    }
    if (sky.kind == Sky::Snow)
        fahrenheit = std::min(fahrenheit, 32 - dice.between(0, 8));
    if (sky.kind == Sky::Thunder)
        fahrenheit = std::max(fahrenheit, dice.between(58, 74));

    int spread = 0;
    switch (sky.kind) {
    case Sky::Fog:
        spread = dice.between(0, 2);
        break;
    case Sky::Rain:
    case Sky::Snow:
    case Sky::Thunder:
        spread = dice.between(1, 5);
        break;
    case Sky::Haze:
        spread = dice.between(3, 9);
        break;
    default:
        spread = dice.between(5, 26);
        break;
    }
    const int dew = fahrenheit - spread;

    const bool unsettled = sky.kind == Sky::Rain || sky.kind == Sky::Thunder || sky.kind == Sky::Snow;
    const double inches = (unsettled ? dice.between(2955, 3005) : dice.between(2985, 3040)) / 100.0;

    observation.wind = windText(dice, sky.kind);
    observation.visibility = visibilityText(dice, sky.kind);
    observation.sky = QString::fromLatin1(sky.text);
    observation.temperature = temperatureText(fahrenheit);
    observation.dewPoint = temperatureText(dew);
    observation.humidity = QStringLiteral("%1%").arg(relativeHumidity(fahrenheit, dew));
    observation.pressure = pressureText(inches);

    // The first-start station is what a new user sees first: a fixed,
    // pleasant winter morning rather than whatever the dice said.
    if (code == QLatin1StringView("DEN")) {
        observation.location = locationText(stationEntry, code, positionText(39.84, -104.65, 1655));
        observation.wind = QStringLiteral("from the S (180 degrees) at 8 MPH (7 KT)");
        observation.visibility = QStringLiteral("10 mile(s)");
        observation.sky = QStringLiteral("partly cloudy");
        observation.temperature = temperatureText(45);
        observation.dewPoint = temperatureText(23);
        observation.humidity = QStringLiteral("%1%").arg(relativeHumidity(45, 23));
        observation.pressure = pressureText(30.12);
    }
    return observation;
}

QByteArray conditionsPage(const QString& stationEntry, bool crlf)
{
    return ConditionsPage::render(observationFor(stationEntry), StationTable::stateCode(stationEntry), crlf);
}

namespace {

// Wraps a paragraph at 66 columns, the width of teletype products.
QStringList wrapped(const QString& paragraph)
{
    QStringList lines;
    QString line;
    for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > 66) {
            lines.append(line);
            line.clear();
        }
        if (!line.isEmpty())
            line += QLatin1Char(' ');
        line += word;
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

QString temperatureRange(const char* which, int value)
{
    const auto degrees = [](int v) {
        if (v == 0)
            return QStringLiteral("ZERO");
        return v < 0 ? QStringLiteral("%1 BELOW").arg(-v) : QString::number(v);
    };
    if (value >= 10 && value % 10 >= 3 && value % 10 <= 7) {
        const int decade = value / 10 * 10;
        return QStringLiteral("%1 IN THE MID %2S.").arg(QLatin1StringView(which)).arg(decade);
    }
    // Ranges run between multiples of five, as forecasters write them.
    const int middle = qRound(value / 5.0) * 5;
    return QStringLiteral("%1 %2 TO %3.")
        .arg(QLatin1StringView(which), degrees(middle - 5), degrees(middle + 5));
}

struct Period
{
    const char* name;
    bool night;
};

constexpr std::array<Period, 4> periods{{
    {"TODAY", false},
    {"TONIGHT", true},
    {"TUESDAY", false},
    {"WEDNESDAY", false},
}};

QString periodWeather(Dice& dice, Climate climate, bool night)
{
    static const std::array<const char*, 4> coldDay{"MOSTLY CLOUDY WITH A CHANCE OF SNOW.", "SNOW LIKELY.",
                                                    "PARTLY CLOUDY.", "CLOUDY WITH FLURRIES."};
    static const std::array<const char*, 3> coldNight{"MOSTLY CLOUDY.", "SNOW LIKELY.", "PARTLY CLOUDY."};
    static const std::array<const char*, 4> coolDay{"PARTLY SUNNY.", "MOSTLY CLOUDY.",
                                                    "MOSTLY CLOUDY WITH A CHANCE OF RAIN.", "RAIN LIKELY."};
    static const std::array<const char*, 3> coolNight{"PARTLY CLOUDY.", "CLOUDY.", "A CHANCE OF RAIN."};
    static const std::array<const char*, 4> mildDay{"MOSTLY SUNNY.", "PARTLY CLOUDY.", "A CHANCE OF SHOWERS.",
                                                    "SUNNY AND MILD."};
    static const std::array<const char*, 3> mildNight{"CLEAR.", "PARTLY CLOUDY.", "MOSTLY CLOUDY."};
    static const std::array<const char*, 3> warmDay{"PARTLY CLOUDY WITH ISOLATED SHOWERS.", "MOSTLY SUNNY.",
                                                    "SCATTERED SHOWERS."};
    static const std::array<const char*, 2> warmNight{"PARTLY CLOUDY.", "ISOLATED SHOWERS."};
    switch (climate) {
    case Climate::Cold:
        return QLatin1StringView(night ? dice.pick(coldNight) : dice.pick(coldDay));
    case Climate::Cool:
        return QLatin1StringView(night ? dice.pick(coolNight) : dice.pick(coolDay));
    case Climate::Mild:
        return QLatin1StringView(night ? dice.pick(mildNight) : dice.pick(mildDay));
    case Climate::Warm:
        break;
    }
    return QLatin1StringView(night ? dice.pick(warmNight) : dice.pick(warmDay));
}

int typicalHigh(Climate climate)
{
    switch (climate) {
    case Climate::Cold:
        return 28;
    case Climate::Cool:
        return 44;
    case Climate::Mild:
        return 60;
    case Climate::Warm:
        break;
    }
    return 81;
}

QStringList zoneForecast(Dice& dice, Climate climate, int coolerBy)
{
    static const std::array<const char*, 4> winds{"NORTHWEST WIND 10 TO 20 MPH.", "SOUTH WIND 5 TO 15 MPH.",
                                                  "LIGHT WINDS.", "WEST WIND 15 TO 25 MPH."};
    QStringList lines;
    int high = typicalHigh(climate) - coolerBy + dice.between(-4, 4);
    for (const Period& period : periods) {
        QString text = QStringLiteral(".%1...").arg(QLatin1StringView(period.name));
        text += periodWeather(dice, climate, period.night);
        if (period.night)
            text += QLatin1Char(' ') + temperatureRange("LOWS", high - 18 + dice.between(-3, 3));
        else
            text += QLatin1Char(' ') + temperatureRange("HIGHS", high);
        if (dice.chance(2))
            text += QLatin1Char(' ') + QLatin1StringView(dice.pick(winds));
        lines += wrapped(text);
        high += dice.between(-6, 4);
    }
    return lines;
}

// The Denver office's product, written out by hand: the first-start
// station is in Colorado, so this is the forecast a new user reads.
QStringList coloradoZones()
{
    return {
        QStringLiteral("COZ001>010-080000-"),
        QStringLiteral("NORTHWEST COLORADO AND THE NORTHERN MOUNTAINS-"),
        QStringLiteral(".TODAY...PARTLY CLOUDY. ISOLATED SNOW SHOWERS OVER THE HIGHER PEAKS."),
        QStringLiteral("HIGHS 20S AND 30S MOUNTAINS...MID 40S VALLEYS."),
        QStringLiteral(".TONIGHT...MOSTLY CLOUDY. LOWS ZERO TO 15 ABOVE."),
        QStringLiteral(".TUESDAY...SNOW LIKELY IN THE MOUNTAINS. HIGHS 20S AND 30S."),
        QStringLiteral(".WEDNESDAY...SNOW SHOWERS ENDING. COLDER."),
        QString(),
        QStringLiteral("COZ035>041-080000-"),
        QStringLiteral("DENVER METRO AREA AND THE URBAN CORRIDOR-"),
        QStringLiteral(".TODAY...PARTLY CLOUDY AND MILD. HIGHS AROUND 50."),
        QStringLiteral(".TONIGHT...PARTLY CLOUDY. LOWS 20 TO 25."),
        QStringLiteral(".TUESDAY...INCREASING CLOUDS. A CHANCE OF SNOW SHOWERS IN THE"),
        QStringLiteral("AFTERNOON. HIGHS 40 TO 45."),
        QStringLiteral(".WEDNESDAY...MOSTLY CLOUDY AND COLDER WITH A CHANCE OF SNOW."),
        QStringLiteral("HIGHS IN THE UPPER 20S."),
        QString(),
        QStringLiteral("COZ042>051-080000-"),
        QStringLiteral("NORTHEAST AND EAST CENTRAL PLAINS-"),
        QStringLiteral(".TODAY...MOSTLY SUNNY. HIGHS IN THE 50S."),
        QStringLiteral(".TONIGHT...PARTLY CLOUDY. LOWS 20 TO 30."),
        QStringLiteral(".TUESDAY...PARTLY CLOUDY AND WINDY. HIGHS 45 TO 55."),
        QStringLiteral(".WEDNESDAY...MOSTLY CLOUDY AND COLDER. HIGHS 30 TO 35."),
        QString(),
        QStringLiteral("COZ060>075-080000-"),
        QStringLiteral("SOUTHERN COLORADO-"),
        QStringLiteral(".TODAY...SUNNY. HIGHS 45 TO 55."),
        QStringLiteral(".TONIGHT...CLEAR. LOWS 15 TO 25."),
        QStringLiteral(".TUESDAY...PARTLY CLOUDY. HIGHS IN THE 50S."),
        QStringLiteral(".WEDNESDAY...MOSTLY CLOUDY WITH A CHANCE OF SNOW. HIGHS 35 TO 45."),
    };
}

QStringList generatedZones(const QString& stateCode, const StateInfo& state, Dice& dice)
{
    const QString upper = stateCode.toUpper();
    const QString name = stateName(state, stateCode);
    static const std::array<const char*, 3> parts{"NORTHERN", "CENTRAL", "SOUTHERN"};
    const bool small = stateCode == QLatin1StringView("dc") || stateCode == QLatin1StringView("ri") ||
                       stateCode == QLatin1StringView("de");
    QStringList lines;
    int firstZone = 1;
    const int zoneCount = small ? 1 : 3;
    for (int zone = 0; zone < zoneCount; ++zone) {
        const int lastZone = firstZone + dice.between(2, 14);
        if (!lines.isEmpty())
            lines.append(QString());
        lines.append(QStringLiteral("%1Z%2>%3-080000-")
                         .arg(upper)
                         .arg(firstZone, 3, 10, QLatin1Char('0'))
                         .arg(lastZone, 3, 10, QLatin1Char('0')));
        lines.append(small ? name + QLatin1Char('-')
                           : QStringLiteral("%1 %2-").arg(
                                 QLatin1StringView(parts[static_cast<std::size_t>(zone)]), name));
        // Zones further north are colder; by a few degrees only in the warm south.
        const int coolerBy = small ? 0 : (1 - zone) * (state.climate == Climate::Warm ? 2 : 6);
        lines += zoneForecast(dice, state.climate, coolerBy);
        firstZone = lastZone + 1;
    }
    return lines;
}

struct IssueTime
{
    int hour; // 1 to 12, morning
    int minute;
};

} // namespace

QStringList forecastProduct(const QString& stateCode)
{
    const StateInfo state = stateInfo(stateCode);
    const bool colorado = stateCode == QLatin1StringView("co");
    Dice dice(fnv1a(QStringLiteral("state ") + stateCode));

    static const std::array<IssueTime, 6> issueTimes{{{3, 30}, {4, 0}, {4, 30}, {8, 30}, {9, 30}, {10, 30}}};
    const IssueTime issued = colorado ? IssueTime{8, 30} : dice.pick(issueTimes);
    const int utcHour = issued.hour - state.utcOffset;

    QStringList lines{
        QStringLiteral("%1 %2 07%3%4")
            .arg(QLatin1StringView(state.wmo), QLatin1StringView(state.officeId))
            .arg(utcHour, 2, 10, QLatin1Char('0'))
            .arg(issued.minute, 2, 10, QLatin1Char('0')),
        QStringLiteral("SFP") + stateCode.toUpper(),
        QString(),
        QStringLiteral("STATE FORECAST FOR ") + stateName(state, stateCode),
        QStringLiteral("NATIONAL WEATHER SERVICE ") + QLatin1StringView(state.office),
        QStringLiteral("%1%2 AM %3 MON DEC 7 1998")
            .arg(issued.hour)
            .arg(issued.minute, 2, 10, QLatin1Char('0'))
            .arg(QLatin1StringView(state.zone)),
        QString(),
    };
    lines += colorado ? coloradoZones() : generatedZones(stateCode, state, dice);
    lines += QStringList{QString(), QStringLiteral("$$"), QString(), QStringLiteral("NNNN")};
    return lines;
}

QByteArray stateForecastPage(const QString& stateCode, bool crlf)
{
    const StateInfo state = stateInfo(stateCode);
    const QString title = mixedCase(stateName(state, stateCode));
    QStringList lines{
        QStringLiteral("<HTML>"),
        QStringLiteral("<HEAD>"),
        QStringLiteral("<TITLE>IWIN: %1 State Forecast</TITLE>").arg(title),
        QStringLiteral("</HEAD>"),
        QStringLiteral("<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#000000\" LINK=\"#000099\" VLINK=\"#660099\">"),
        QStringLiteral("<CENTER>"),
        QStringLiteral("<FONT FACE=\"Arial,Helvetica\" SIZE=+2><B>Interactive Weather Information Network</B>"
                       "</FONT><BR>"),
        QStringLiteral("<FONT FACE=\"Arial,Helvetica\">State Forecast: %1</FONT>").arg(title),
        QStringLiteral("</CENTER>"),
        QStringLiteral("<HR>"),
        QStringLiteral("<A HREF=\"/iwin/%1/\">%2 products</A> | <A HREF=\"/iwin/\">National index</A>")
            .arg(stateCode, title),
        QStringLiteral("<HR>"),
        QStringLiteral("<PRE>"),
    };
    lines += forecastProduct(stateCode);
    lines += QStringList{
        QStringLiteral("</PRE>"),
        QStringLiteral("<HR>"),
        QStringLiteral("<FONT SIZE=-1>Products are shown as transmitted by the issuing office.</FONT>"),
        QStringLiteral("</BODY>"),
        QStringLiteral("</HTML>"),
    };
    return joinLines(lines, crlf);
}

namespace {

QByteArray errorPage(const QString& title, const QString& message, const QString& host, bool crlf)
{
    const QString port = host.section(QLatin1Char(':'), 1);
    return joinLines(
        {
            QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">"),
            QStringLiteral("<HTML><HEAD>"),
            QStringLiteral("<TITLE>%1</TITLE>").arg(title),
            QStringLiteral("</HEAD><BODY>"),
            QStringLiteral("<H1>%1</H1>").arg(title.section(QLatin1Char(' '), 1)),
            message,
            QStringLiteral("<HR>"),
            QStringLiteral("<ADDRESS>Sample weather server at %1 Port %2</ADDRESS>")
                .arg(host.section(QLatin1Char(':'), 0, 0), port),
            QStringLiteral("</BODY></HTML>"),
        },
        crlf);
}

} // namespace

QByteArray notFoundPage(const QByteArray& path, const QString& host, bool crlf)
{
    return errorPage(QStringLiteral("404 Not Found"),
                     QStringLiteral("The requested URL %1 was not found on this server.<P>")
                         .arg(QString::fromLatin1(path).toHtmlEscaped()),
                     host, crlf);
}

QByteArray serverErrorPage(const QString& host, bool crlf)
{
    return errorPage(QStringLiteral("500 Internal Server Error"),
                     QStringLiteral("The server encountered an internal error or misconfiguration and was "
                                    "unable to complete your request.<P>"),
                     host, crlf);
}

QByteArray methodNotAllowedPage(const QByteArray& method, const QString& host, bool crlf)
{
    return errorPage(QStringLiteral("405 Method Not Allowed"),
                     QStringLiteral("The requested method %1 is not allowed here.<P>")
                         .arg(QString::fromLatin1(method).toHtmlEscaped()),
                     host, crlf);
}

QByteArray badRequestPage(const QString& host, bool crlf)
{
    return errorPage(QStringLiteral("400 Bad Request"),
                     QStringLiteral("Your browser sent a request that this server could not understand.<P>"),
                     host, crlf);
}

QByteArray plainTextNotice(bool crlf)
{
    return joinLines(
        {
            QStringLiteral("Service temporarily unavailable."),
            QString(),
            QStringLiteral("The weather data server is busy. Please try again in a few minutes."),
        },
        crlf);
}

} // namespace SamplePages
