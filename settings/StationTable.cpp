#include "StationTable.h"

#include "StationEntries.h"

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

QString stateCode(const QString& text)
{
    return text.right(2).toLower();
}

} // namespace StationTable
