#include "StationFilter.h"

#include "StationTable.h"

#include <algorithm>
#include <array>

namespace {

// The entries whose display name is an island, a region or an airfield
// rather than the town the station serves, by station code: the town is
// what a user types.
struct OtherName
{
    const char* code;
    const char* town;
};

constexpr std::array<OtherName, 7> otherNames{{
    {"OGG", "Kahului"},            // MAUI: Kahului Airport
    {"TOL", "Toledo"},             // TOLED0, with a zero, as the table has it
    {"MSP", "Saint Paul"},         // TWIN CITIES: Minneapolis-Saint Paul
    {"SNA", "Santa Ana"},          // ORANGE COUNTY: John Wayne Airport
    {"PIB", "Hattiesburg Laurel"}, // PINE BELT: Hattiesburg-Laurel Regional
    {"NCA", "Jacksonville"},       // NEW RIVER: the air station at Jacksonville, NC
    {"NUW", "Oak Harbor"},         // WHIDBEY ISLAND: the naval air station
}};

// Abbreviations of the table's names, as whole words of the comparable form.
constexpr std::array<std::pair<const char*, const char*>, 4> abbreviations{{
    {"ft", "fort"},
    {"st", "saint"},
    {"mt", "mount"},
    {"jct", "junction"},
}};

// The code column: three characters and the blanks after them.
constexpr qsizetype codeColumn = 3;

} // namespace

StationFilter::StationFilter(QObject* parent) : QSortFilterProxyModel(parent) {}

void StationFilter::setTyped(const QString& typed)
{
    const QString comparableTyped = comparable(typed);
    if (comparableTyped == m_typed)
        return;
    m_typed = comparableTyped;
    invalidateRowsFilter();
}

QString StationFilter::comparable(const QString& text)
{
    QString result;
    result.reserve(text.size());
    bool gap = false;
    for (const QChar c : text) {
        if (c.isLetterOrNumber()) {
            if (gap && !result.isEmpty())
                result.append(QLatin1Char(' '));
            result.append(c.toLower());
            gap = false;
        } else {
            gap = true;
        }
    }
    return result;
}

QStringList StationFilter::names(const QString& entry)
{
    const QString name = comparable(entry.mid(codeColumn));
    QStringList result{name};

    QStringList words = name.split(QLatin1Char(' '));
    bool expanded = false;
    for (QString& word : words) {
        for (const auto& [shortForm, longForm] : abbreviations) {
            if (word == QLatin1String(shortForm)) {
                word = QLatin1String(longForm);
                expanded = true;
            }
        }
    }
    if (expanded)
        result.append(words.join(QLatin1Char(' ')));

    const QString code = StationTable::stationCode(entry);
    for (const OtherName& other : otherNames) {
        if (code == QLatin1String(other.code))
            result.append(comparable(QLatin1String(other.town)));
    }
    return result;
}

bool StationFilter::namesHold(const QString& entry, const QString& wanted)
{
    if (wanted.isEmpty())
        return false;
    const QStringList forms = names(entry);
    return std::any_of(forms.cbegin(), forms.cend(),
                       [&wanted](const QString& name) { return name.contains(wanted); });
}

bool StationFilter::matches(const QString& entry, const QString& typed)
{
    return namesHold(entry, comparable(typed));
}

bool StationFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    return namesHold(sourceModel()->index(sourceRow, 0, sourceParent).data().toString(), m_typed);
}
