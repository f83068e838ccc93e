#include "ForecastOffices.h"

#include "settings/StationTable.h"

#include <array>

namespace ForecastOffices {

namespace {

struct State
{
    const char* code;
    const char* offices; // blank-separated, the principal office first
};

// From the offices' county warning areas: a state whose border counties
// belong to a neighbour's office lists that office too (the Colorado
// counties along Kansas are Goodland's), so that the station's zone can be
// found whichever office forecasts for it.
// clang-format off
constexpr std::array<State, 52> stateTable{{
    {"ak", "AER ALU AFG NSB WCZ AJK"},
    {"al", "BMX HUN MOB TAE"},
    {"ar", "LZK TSA SHV MEG"},
    {"az", "PSR TWC FGZ VEF"},
    {"ca", "STO MTR LOX SGX HNX EKA MFR REV VEF PSR"},
    {"co", "BOU GJT PUB GLD"},
    {"ct", "BOX OKX ALY"},
    {"dc", "LWX"},
    {"de", "PHI"},
    {"fl", "MLB TBW MFL JAX TAE KEY MOB"},
    {"ga", "FFC TAE JAX CHS GSP"},
    {"hi", "HFO"},
    {"ia", "DMX DVN ARX FSD OAX"},
    {"id", "BOI PIH MSO OTX"},
    {"il", "LOT ILX DVN LSX PAH"},
    {"in", "IND IWX LOT ILN LMK PAH"},
    {"ks", "TOP ICT DDC GLD GID EAX SGF"},
    {"ky", "LMK JKL PAH ILN RLX"},
    {"la", "LIX LCH SHV JAN"},
    {"ma", "BOX ALY"},
    {"md", "LWX PHI AKQ PBZ"},
    {"me", "GYX CAR"},
    {"mi", "GRR DTX APX MQT IWX"},
    {"mn", "MPX DLH FGF ARX FSD ABR"},
    {"mo", "LSX SGF EAX PAH DVN MEG"},
    {"ms", "JAN MEG MOB LIX"},
    {"mt", "TFX BYZ GGW MSO"},
    {"nc", "RAH MHX ILM GSP RNK MRX AKQ"},
    {"nd", "BIS FGF"},
    {"ne", "OAX GID LBF CYS GLD FSD"},
    {"nh", "GYX BOX"},
    {"nj", "PHI OKX"},
    {"nm", "ABQ EPZ MAF"},
    {"nv", "REV LKN VEF"},
    {"ny", "ALY BGM BUF OKX BTV"},
    {"oh", "ILN CLE IWX PBZ RLX"},
    {"ok", "OUN TSA AMA"},
    {"or", "PQR PDT MFR BOI"},
    {"pa", "CTP PHI PBZ BGM CLE"},
    {"pr", "SJU"},
    {"ri", "BOX"},
    {"sc", "CAE CHS GSP ILM"},
    {"sd", "ABR FSD UNR"},
    {"tn", "OHX MRX MEG HUN"},
    {"tx", "FWD EWX HGX CRP BRO SJT MAF EPZ LUB AMA OUN SHV LCH"},
    {"ut", "SLC GJT"},
    {"va", "AKQ LWX RNK MRX RLX"},
    {"vt", "BTV ALY"},
    {"wa", "SEW OTX PDT PQR"},
    {"wi", "MKX GRB ARX DLH MPX"},
    {"wv", "RLX LWX PBZ RNK"},
    {"wy", "CYS RIW BYZ UNR"},
}};
// clang-format on

} // namespace

QStringList forState(const QString& stateCode)
{
    const QString code = stateCode.toLower();
    for (const State& state : stateTable) {
        if (code == QLatin1StringView(state.code))
            return QString::fromLatin1(state.offices).split(QLatin1Char(' '));
    }
    return {};
}

QStringList states()
{
    QStringList codes;
    for (const State& state : stateTable)
        codes.append(QString::fromLatin1(state.code));
    return codes;
}

QStringList productLocations(const QString& office)
{
    if (office == QLatin1StringView("AFC"))
        return {QStringLiteral("AER"), QStringLiteral("ALU")};
    if (office == QLatin1StringView("AFG"))
        return {QStringLiteral("AFG"), QStringLiteral("NSB"), QStringLiteral("WCZ")};
    return {office};
}

} // namespace ForecastOffices
