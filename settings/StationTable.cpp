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

QString stateCode(const QString& text)
{
    return text.right(2).toLower();
}

} // namespace StationTable
