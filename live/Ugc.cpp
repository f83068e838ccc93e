#include "Ugc.h"

namespace {

bool isDigits(QStringView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool isUpperLetter(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

// "COZ" or "NMC": a state and the kind of area.
bool isPrefix(QStringView text)
{
    return text.size() == 3 && isUpperLetter(text[0]) && isUpperLetter(text[1]) &&
           (text[2] == u'Z' || text[2] == u'C');
}

// "039", "030>034" or "ALL": the range it stands for behind `area`.
bool readRange(const QString& area, QStringView item, QList<Ugc::Range>& ranges)
{
    if (item == u"ALL") {
        ranges.append({area, 0, 999});
        return true;
    }
    const qsizetype to = item.indexOf(u'>');
    const QStringView first = to < 0 ? item : item.left(to);
    const QStringView last = to < 0 ? item : item.mid(to + 1);
    if (first.size() != 3 || last.size() != 3 || !isDigits(first) || !isDigits(last))
        return false;
    const int from = first.toInt();
    const int until = last.toInt();
    if (until < from)
        return false;
    ranges.append({area, from, until});
    return true;
}

} // namespace

std::optional<Ugc> Ugc::read(QStringView text)
{
    Ugc ugc;
    QString prefix;
    qsizetype at = 0;
    while (at < text.size() && at < longest) {
        // Items run on across line ends; the blanks around them are no part
        // of them.
        while (at < text.size() && (text[at] == u'\r' || text[at] == u'\n' || text[at] == u' '))
            ++at;
        const qsizetype dash = text.indexOf(u'-', at);
        if (dash < 0)
            return std::nullopt;
        const QStringView item = text.mid(at, dash - at);
        at = dash + 1;
        if (item.size() == 6 && isDigits(item)) {
            if (ugc.ranges.isEmpty())
                return std::nullopt;
            ugc.expires = item.toString();
            return ugc;
        }
        if (item.size() >= 6 && isPrefix(item.left(3))) {
            prefix = item.left(3).toString();
            if (!readRange(prefix, item.mid(3), ugc.ranges))
                return std::nullopt;
        } else if (prefix.isEmpty() || !readRange(prefix, item, ugc.ranges)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool Ugc::covers(QStringView zone) const
{
    if (zone.size() != 6 || !isDigits(zone.mid(3)))
        return false;
    const QStringView area = zone.left(3);
    const int number = zone.mid(3).toInt();
    return std::any_of(ranges.cbegin(), ranges.cend(), [area, number](const Range& range) {
        return range.area == area && range.first <= number && number <= range.last;
    });
}
