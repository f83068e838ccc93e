#include "StationTable.h"

#include "StationEntries.h"

#include <array>
#include <string_view>

namespace StationTable {

const QStringList& entries()
{
    static const QStringList list = [] {
        QStringList result;
        result.reserve(static_cast<qsizetype>(rawEntries().size()));
        for (std::string_view entry : rawEntries())
            result.append(QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size())));
        return result;
    }();
    return list;
}

QString stationCode(const QString& text)
{
    return text.left(3);
}

QString entryOf(const QString& code)
{
    // Compared in place: taking each entry's code out as a string of its
    // own would cost an allocation per entry, tens of microseconds a call.
    for (const QString& entry : entries()) {
        if (QStringView(entry).left(3) == code)
            return entry;
    }
    return {};
}

QString Station::region() const
{
    return name.mid(name.lastIndexOf(QLatin1Char(',')) + 1).trimmed();
}

Station fromEntry(const QString& text)
{
    // Characters 4 to 12 are the blanks that line the names up.
    return Station{stationCode(text), text.mid(12).trimmed(), stateCode(text)};
}

std::optional<Station> station(const QString& code)
{
    const QString entry = entryOf(code);
    if (entry.isEmpty())
        return std::nullopt;
    return fromEntry(entry);
}

QString stateCode(const QString& text)
{
    return text.right(2).toLower();
}

QString mended(const QString& text)
{
    // Entries that named the wrong state, as a store may still hold them:
    // the code stayed, so the code's entry is the mended one.
    static constexpr std::array<std::string_view, 2> formerEntries{
        "IPT         WILLIAMSPORT, VA",
        "WEY         WEST YELLOWSTONE, WY",
    };
    for (std::string_view former : formerEntries) {
        if (text == QLatin1StringView(former.data(), static_cast<qsizetype>(former.size())))
            return entryOf(stationCode(text));
    }
    return text;
}

} // namespace StationTable
