#include "ZoneForecast.h"

#include "LiveLogging.h"

#include "PageText.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <algorithm>
#include <array>
#include <deque>
#include <functional>

Q_LOGGING_CATEGORY(lcLive, "ventaro.live")

namespace ZoneForecast {

namespace {

struct ZoneGroup
{
    QStringList lines;  // from the zone code line through "$$"
    QString names;      // the zone names, normalised for matching
    QString cities;     // what follows "INCLUDING", normalised for matching
    QStringList places; // each city of that list alone, normalised
};

struct Product
{
    QStringList header;
    QList<ZoneGroup> groups;
};

// The line tests below are written out by hand: they run on every line of
// every office's product at each refresh, where a regular expression's
// match costs several times the whole test.

bool isUpper(QChar c)
{
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Whether `count` digits start at `at`.
bool digitsAt(QStringView text, qsizetype at, qsizetype count)
{
    if (at + count > text.size())
        return false;
    return std::all_of(text.begin() + at, text.begin() + at + count, isDigit);
}

// A zone code: a state, Z or C ("COZ", "NMC").
bool zoneCodeAt(QStringView text, qsizetype at)
{
    return at + 3 <= text.size() && isUpper(text[at]) && isUpper(text[at + 1]) &&
           (text[at + 2] == QLatin1Char('Z') || text[at + 2] == QLatin1Char('C'));
}

// "COZ039-080000-", "COZ001>010-080000-": a zone code, three digits and
// "-" or ">".
bool isGroupStart(QStringView line)
{
    return zoneCodeAt(line, 0) && digitsAt(line, 3, 3) && line.size() > 6 &&
           (line[6] == QLatin1Char('-') || line[6] == QLatin1Char('>'));
}

// A zone code line, or its continuation when the codes run over a line:
// items of an optional zone code, three digits and "-" or ">", then
// perhaps the expiry time, six digits and "-".
bool isCodeLine(QStringView line)
{
    qsizetype at = 0;
    bool items = false;
    while (at < line.size()) {
        if (items && at + 7 == line.size() && digitsAt(line, at, 6) && line[at + 6] == QLatin1Char('-'))
            return true;
        const qsizetype digits = zoneCodeAt(line, at) ? at + 3 : at;
        if (!digitsAt(line, digits, 3) || digits + 3 >= line.size() ||
            (line[digits + 3] != QLatin1Char('-') && line[digits + 3] != QLatin1Char('>')))
            return false;
        at = digits + 4;
        items = true;
    }
    return items;
}

// "830 AM MST Mon Dec 7 2026", which each group repeats: three or four
// digits, AM or PM, a zone of three or four capitals, a blank.
bool isIssueTimeLine(QStringView line)
{
    qsizetype at = digitsAt(line, 0, 4) ? 4 : digitsAt(line, 0, 3) ? 3 : 0;
    if (at == 0 ||
        (line.mid(at, 4) != QLatin1StringView(" AM ") && line.mid(at, 4) != QLatin1StringView(" PM ")))
        return false;
    at += 4;
    qsizetype letters = 0;
    while (at + letters < line.size() && isUpper(line[at + letters]))
        ++letters;
    return (letters == 3 || letters == 4) && at + letters < line.size() &&
           line[at + letters] == QLatin1Char(' ');
}

// The transmission's sequence number ("000") before the heading is no part
// of the product.
bool isSequenceNumber(QStringView line)
{
    return line.size() == 3 && digitsAt(line, 0, 3);
}

// Whether a word character (letter, digit or "_") stands at `at`.
bool wordCharAt(QStringView text, qsizetype at)
{
    return at >= 0 && at < text.size() && (text[at].isLetterOrNumber() || text[at] == QLatin1Char('_'));
}

// Where `word` next stands as a whole word, in any case, from `from`; -1
// when nowhere.
qsizetype wholeWord(QStringView text, QLatin1StringView word, qsizetype from = 0)
{
    for (qsizetype at = text.indexOf(word, from, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(word, at + 1, Qt::CaseInsensitive)) {
        if (!wordCharAt(text, at - 1) && !wordCharAt(text, at + word.size()))
            return at;
    }
    return -1;
}

// The text after a leading "THE CITY OF" or "THE CITIES OF" (in any case).
QStringView withoutCitiesOf(QStringView text)
{
    QStringView rest = text.trimmed();
    for (const QLatin1StringView lead :
         {QLatin1StringView("THE CITY OF"), QLatin1StringView("THE CITIES OF")}) {
        if (rest.startsWith(lead, Qt::CaseInsensitive) && !wordCharAt(rest, lead.size()))
            return rest.mid(lead.size());
    }
    return text;
}

// The cities of an "INCLUDING" list, parted at commas, "..." and the word
// "AND".
QList<QStringView> listedCities(QStringView text)
{
    QList<QStringView> cities;
    qsizetype start = 0;
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype length = 0;
        if (text[at] == QLatin1Char(','))
            length = 1;
        else if (text.mid(at, 3) == QLatin1StringView("..."))
            length = 3;
        else if (!wordCharAt(text, at - 1) &&
                 text.mid(at, 3).compare(QLatin1StringView("AND"), Qt::CaseInsensitive) == 0 &&
                 !wordCharAt(text, at + 3))
            length = 3;
        if (length == 0) {
            ++at;
            continue;
        }
        cities.append(text.mid(start, at - start));
        at += length;
        start = at;
    }
    cities.append(text.mid(start));
    return cities;
}

// Raw products end their lines in CR CR LF, the API's text in LF.
QStringList linesOf(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        while (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

// Upper case, words only, with the abbreviations of the station table's
// names spelled out, and a blank at either end so that whole words can be
// found with a plain search.
QString normalised(QStringView text)
{
    static const std::array<std::pair<QLatin1StringView, QLatin1StringView>, 4> spelledOut{{
        {QLatin1StringView("FT"), QLatin1StringView("FORT")},
        {QLatin1StringView("ST"), QLatin1StringView("SAINT")},
        {QLatin1StringView("MT"), QLatin1StringView("MOUNT")},
        {QLatin1StringView("JCT"), QLatin1StringView("JUNCTION")},
    }};
    // Words of capital letters, digits and apostrophes, everything else a
    // separator; scanned by hand and written straight into the result, as
    // this runs for every zone of every office at each refresh.
    QString result;
    result.reserve(text.size() + 2);
    result += QLatin1Char(' ');
    qsizetype wordStart = -1;
    const auto endWord = [&] {
        if (wordStart < 0)
            return;
        const QStringView word = QStringView(result).mid(wordStart);
        for (const auto& [abbreviation, spelled] : spelledOut) {
            if (word == abbreviation) {
                result.truncate(wordStart);
                result += spelled;
                break;
            }
        }
        result += QLatin1Char(' ');
        wordStart = -1;
    };
    for (const QChar c : text) {
        // Outside ASCII a letter may still be a capital A to Z in upper
        // case (the dotless i, the long s).
        const QChar upper = c >= QLatin1Char('a') && c <= QLatin1Char('z') ? QChar(c.unicode() - 0x20)
                            : c.unicode() < 0x80                           ? c
                                                                           : c.toUpper();
        const bool inWord = (upper >= QLatin1Char('A') && upper <= QLatin1Char('Z')) ||
                            (upper >= QLatin1Char('0') && upper <= QLatin1Char('9')) ||
                            upper == QLatin1Char('\'');
        if (!inWord) {
            endWord();
            continue;
        }
        if (wordStart < 0)
            wordStart = result.size();
        result += upper;
    }
    endWord();
    return result.size() > 1 ? result : QStringLiteral("  ");
}

ZoneGroup zoneGroup(const QStringList& lines)
{
    QStringList description;
    for (qsizetype i = 1; i < lines.size() && !lines.at(i).trimmed().isEmpty(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (!isCodeLine(line) && !isIssueTimeLine(line))
            description.append(line);
    }
    const QString text = description.join(QLatin1Char(' '));
    const QLatin1StringView includingWord("INCLUDING");
    const qsizetype including = wholeWord(text, includingWord);
    ZoneGroup group;
    group.lines = lines;
    group.names = normalised(including >= 0 ? text.left(including) : text);
    if (including >= 0) {
        // "INCLUDING Boulder, Golden, and Lakewood", or in the older style
        // "INCLUDING THE CITIES OF...DENVER...AURORA".
        const QStringView cities = withoutCitiesOf(QStringView(text).mid(including + includingWord.size()));
        group.cities = normalised(cities);
        for (const QStringView place : listedCities(cities)) {
            if (!place.trimmed().isEmpty())
                group.places.append(normalised(place));
        }
    }
    return group;
}

Product parsed(const QString& text, const std::atomic<bool>* cancelled)
{
    const QStringList lines = linesOf(text);
    Product product;
    qsizetype i = 0;
    while (i < lines.size() && lines.at(i).trimmed().isEmpty())
        ++i;
    if (i < lines.size() && isSequenceNumber(lines.at(i).trimmed()))
        ++i;
    while (i < lines.size() && !isGroupStart(lines.at(i)))
        product.header.append(lines.at(i++));
    while (!product.header.isEmpty() && product.header.constLast().trimmed().isEmpty())
        product.header.removeLast();

    while (i < lines.size()) {
        if (cancelled && cancelled->load())
            return {};
        if (!isGroupStart(lines.at(i))) {
            ++i; // the blank lines between groups
            continue;
        }
        QStringList groupLines{lines.at(i++)};
        bool ended = false;
        while (i < lines.size() && !isGroupStart(lines.at(i))) {
            groupLines.append(lines.at(i++));
            if (groupLines.constLast().trimmed() == QLatin1StringView("$$")) {
                ended = true;
                break;
            }
        }
        // A group cut short still ends where the program's cut looks for
        // its end.
        if (!ended) {
            while (groupLines.constLast().trimmed().isEmpty())
                groupLines.removeLast();
            groupLines += QStringList{QString(), QStringLiteral("$$")};
        }
        product.groups.append(zoneGroup(groupLines));
    }
    return product;
}

// The names the station entry may be forecast under, normalised.
QStringList cityNames(const QString& stationEntry)
{
    const QString displayName = stationEntry.mid(12).trimmed();
    const qsizetype comma = displayName.lastIndexOf(QLatin1Char(','));
    const QString city = comma >= 0 ? displayName.left(comma) : displayName;
    const QString state = normalised(comma >= 0 ? displayName.mid(comma + 1) : QString()).trimmed();

    QStringList names;
    for (const QString& part : city.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QString name = normalised(part);
        if (name.trimmed().isEmpty())
            continue;
        names.append(name);
        const QString stateSuffix = QLatin1Char(' ') + state + QLatin1Char(' ');
        if (!state.isEmpty() && name.endsWith(stateSuffix) && name.size() > stateSuffix.size())
            names.append(name.left(name.size() - stateSuffix.size() + 1));
    }
    return names;
}

struct Choice
{
    const Product* product = nullptr;
    const ZoneGroup* group = nullptr;
};

// The products that hold zone groups, in their order, each parsed when it
// is first asked for: the station's group is mostly found in the first
// office's product, and the others are then never read.
class ParsedProducts
{
public:
    ParsedProducts(qsizetype count, const std::function<QString(qsizetype)>& text,
                   const std::atomic<bool>* cancelled)
        : m_count(count), m_text(text), m_cancelled(cancelled)
    {}

    // The index-th product with zone groups; null past the last.
    const Product* at(qsizetype index)
    {
        while (qsizetype(m_parsed.size()) <= index && m_next < m_count) {
            Product product = parsed(m_text(m_next++), m_cancelled);
            if (!product.groups.isEmpty())
                m_parsed.push_back(std::move(product));
        }
        return index < qsizetype(m_parsed.size()) ? &m_parsed[size_t(index)] : nullptr;
    }

private:
    const qsizetype m_count;
    const std::function<QString(qsizetype)>& m_text;
    const std::atomic<bool>* m_cancelled;
    qsizetype m_next = 0;
    std::deque<Product> m_parsed; // stays where it is as more are added
};

// The first group, in the products' order, that passes `test`.
Choice firstGroup(ParsedProducts& products, const std::function<bool(const ZoneGroup&)>& test)
{
    for (qsizetype index = 0; const Product* product = products.at(index); ++index) {
        for (const ZoneGroup& group : product->groups) {
            if (test(group))
                return {product, &group};
        }
    }
    return {};
}

// A city listed by its own name is the surest sign; a name inside a longer
// one ("Taos Ski Valley" for Taos) or in the zone's name ("Western Pueblo
// County" for Pueblo) counts only when no group lists the city itself.
Choice stationGroup(ParsedProducts& products, const QStringList& names)
{
    const auto anyOf = [&names](const auto& holds) {
        return std::any_of(names.cbegin(), names.cend(), holds);
    };
    const std::array<std::function<bool(const ZoneGroup&)>, 3> tests{
        [&](const ZoneGroup& g) { return anyOf([&g](const QString& n) { return g.places.contains(n); }); },
        [&](const ZoneGroup& g) { return anyOf([&g](const QString& n) { return g.cities.contains(n); }); },
        [&](const ZoneGroup& g) { return anyOf([&g](const QString& n) { return g.names.contains(n); }); },
    };
    for (const auto& test : tests) {
        if (const Choice choice = firstGroup(products, test); choice.group != nullptr)
            return choice;
    }
    return {};
}

// Only "<" would start a tag for the program's stripping; ">" stays, as
// the zone codes "COZ001>010" need it.
QString withoutMarkup(QString line)
{
    return line.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
}

} // namespace

QString productText(const QByteArray& body)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return QString::fromUtf8(body);
    return document.object().value(QLatin1StringView("productText")).toString();
}

QByteArray statePage(const QStringList& products, const QString& stationEntry,
                     const std::atomic<bool>* cancelled)
{
    return statePage(
        products.size(), [&products](qsizetype index) { return products.at(index); }, stationEntry,
        cancelled);
}

QByteArray statePage(qsizetype count, const std::function<QString(qsizetype)>& product,
                     const QString& stationEntry, const std::atomic<bool>* cancelled)
{
    ParsedProducts parsedProducts(count, product, cancelled);
    const Product* principal = parsedProducts.at(0);
    if (principal == nullptr)
        return {};
    Choice chosen = stationGroup(parsedProducts, cityNames(stationEntry));
    if (cancelled && cancelled->load())
        return {};
    if (chosen.group == nullptr) {
        qCDebug(lcLive) << "no zone names" << stationEntry << "- showing the first zone";
        chosen = {principal, &principal->groups.constFirst()};
    }

    QStringList lines = chosen.product->header;
    lines.append(QString());
    lines += chosen.group->lines;
    lines += QStringList{QString(), QStringLiteral("NNNN")};
    for (QString& line : lines)
        line = withoutMarkup(line);

    // HTML passes over a line end directly after <PRE>, and the program's
    // cut drops the first character of the stripped page: a lone LF there
    // serves both, so the product's heading is the first line the user
    // reads.
    return QByteArrayLiteral("<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                             "charset=iso-8859-1\"></HEAD><BODY><PRE>\n") +
           PageText::joinLines(lines, true) + QByteArrayLiteral("</PRE></BODY></HTML>\r\n");
}

} // namespace ZoneForecast
