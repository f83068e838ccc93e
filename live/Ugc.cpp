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

// "039", "030>034" or "ALL": the codes it stands for behind `prefix`.
bool expand(const QString& prefix, QStringView item, QStringList& codes)
{
    if (item == u"ALL") {
        codes.append(prefix + QStringLiteral("ALL"));
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
    for (int number = from; number <= until; ++number)
        codes.append(prefix + QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0')));
    return true;
}

} // namespace

std::optional<Ugc> Ugc::read(QStringView text)
{
    // A code line is never longer than a product line (69 characters), and
    // the longest seen run over a few lines; a "line" of kilobytes is not
    // one, and reading it whole would only cost.
    constexpr qsizetype longest = 4096;
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
            if (ugc.codes.isEmpty())
                return std::nullopt;
            ugc.expires = item.toString();
            return ugc;
        }
        if (item.size() >= 6 && isPrefix(item.left(3))) {
            prefix = item.left(3).toString();
            if (!expand(prefix, item.mid(3), ugc.codes))
                return std::nullopt;
        } else if (prefix.isEmpty() || !expand(prefix, item, ugc.codes)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool Ugc::covers(QStringView zone) const
{
    if (zone.size() != 6)
        return false;
    for (const QString& code : codes) {
        if (code == zone || (code.endsWith(u"ALL") && QStringView(code).left(3) == zone.left(3)))
            return true;
    }
    return false;
}
