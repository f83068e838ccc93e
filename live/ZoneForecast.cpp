#include "ZoneForecast.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <functional>

namespace ZoneForecast {

namespace {

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

// The WMO abbreviated heading of the transmission, "FPUS55 KBOU 071530",
// perhaps with a three-letter indicator after it ("... RRA").
bool isWmoHeading(QStringView line)
{
    const auto lettersThenDigits = [](QStringView word, qsizetype letters, qsizetype digits) {
        return word.size() == letters + digits &&
               std::all_of(word.begin(), word.begin() + letters, isUpper) &&
               std::all_of(word.begin() + letters, word.end(), isDigit);
    };
    const QList<QStringView> words = line.split(u' ', Qt::SkipEmptyParts);
    return (words.size() == 3 || words.size() == 4) && lettersThenDigits(words[0], 4, 2) &&
           lettersThenDigits(words[1], 4, 0) && lettersThenDigits(words[2], 0, 6) &&
           (words.size() == 3 || lettersThenDigits(words[3], 3, 0));
}

// The product identifier under the heading ("ZFPBOU"): the product's
// category and where it was issued, four to six capitals or digits.
bool isProductIdentifier(QStringView line)
{
    return line.size() >= 4 && line.size() <= 6 &&
           std::all_of(line.begin(), line.end(), [](QChar c) { return isUpper(c) || isDigit(c); });
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

Group zoneGroup(const QStringList& lines)
{
    // A zone's names and city list take a few lines of a product's width;
    // only so much of a group is read for them, however the group runs on.
    constexpr qsizetype maxDescriptionLines = 12;
    constexpr qsizetype maxLineLength = 2000;
    QStringList description;
    for (qsizetype i = 1; i < lines.size() && i <= maxDescriptionLines && !lines.at(i).trimmed().isEmpty();
         ++i) {
        const QString line = lines.at(i).left(maxLineLength).trimmed();
        if (!isCodeLine(line) && !isIssueTimeLine(line))
            description.append(line);
    }
    const QString text = description.join(QLatin1Char(' '));
    const QLatin1StringView includingWord("INCLUDING");
    const qsizetype including = wholeWord(text, includingWord);
    Group group;
    group.lines = lines;
    // The code line and the lines it runs on to; a zone's name or its
    // forecast, however long, is no part of it, and of a run of code lines
    // only as much is taken as a code line may hold.
    qsizetype codeLines = 1;
    qsizetype codeLength = lines.at(0).size();
    while (codeLines < lines.size() && codeLength <= Ugc::longest &&
           isCodeLine(QStringView(lines.at(codeLines)).left(Ugc::longest).trimmed())) {
        codeLength += lines.at(codeLines).size() + 1;
        ++codeLines;
    }
    group.ugc = Ugc::read(lines.mid(0, codeLines).join(QLatin1Char('\n')));
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

} // namespace

QString productText(const QByteArray& body)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return QString::fromUtf8(body);
    return document.object().value(QLatin1StringView("productText")).toString();
}

Product parse(QString text, const std::atomic<bool>* cancelled)
{
    // The lines are all that is read; the whole text goes at once, as a
    // product may be as large as an answer can be.
    const QStringList lines = linesOf(std::exchange(text, {}));
    Product product;
    qsizetype i = 0;
    // The transmission's lines (sequence number, heading, identifier) are
    // the wire's, no part of what the product says.
    const auto skipBlank = [&] {
        while (i < lines.size() && lines.at(i).trimmed().isEmpty())
            ++i;
    };
    skipBlank();
    if (i < lines.size() && isSequenceNumber(lines.at(i).trimmed()))
        ++i;
    if (i < lines.size() && isWmoHeading(lines.at(i).trimmed())) {
        ++i;
        if (i < lines.size() && isProductIdentifier(lines.at(i).trimmed()))
            ++i;
    }
    skipBlank();
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
        while (i < lines.size() && !isGroupStart(lines.at(i))) {
            groupLines.append(lines.at(i++));
            if (groupLines.constLast().trimmed() == QLatin1StringView("$$"))
                break;
        }
        // The group's end mark is no part of the forecast; a group cut short
        // ends as a whole one does, with one blank line.
        if (groupLines.constLast().trimmed() == QLatin1StringView("$$")) {
            groupLines.removeLast();
        } else {
            while (groupLines.size() > 1 && groupLines.constLast().trimmed().isEmpty())
                groupLines.removeLast();
            groupLines.append(QString());
        }
        product.groups.append(zoneGroup(groupLines));
    }
    return product;
}

const Group* groupFor(const Product& product, QStringView zone)
{
    for (const Group& group : product.groups) {
        if (group.ugc && group.ugc->covers(zone))
            return &group;
    }
    return nullptr;
}

QStringList cityNames(const StationTable::Station& station)
{
    const QString& displayName = station.name;
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

const Group* groupNamed(const Product& product, const QStringList& names)
{
    // A city listed by its own name is the surest sign; a name inside a
    // longer one ("Taos Ski Valley" for Taos) or in the zone's name
    // ("Western Pueblo County" for Pueblo) counts only when no group lists
    // the city itself.
    const auto anyOf = [&names](const auto& holds) {
        return std::any_of(names.cbegin(), names.cend(), holds);
    };
    const std::array<std::function<bool(const Group&)>, 3> tests{
        [&](const Group& g) { return anyOf([&g](const QString& n) { return g.places.contains(n); }); },
        [&](const Group& g) { return anyOf([&g](const QString& n) { return g.cities.contains(n); }); },
        [&](const Group& g) { return anyOf([&g](const QString& n) { return g.names.contains(n); }); },
    };
    for (const auto& test : tests) {
        for (const Group& group : product.groups) {
            if (test(group))
                return &group;
        }
    }
    return nullptr;
}

QString text(const Product& product, const Group& group)
{
    // The heading, a blank line, the group: lines ending in CR LF as text
    // products have them, the last one too when the group ended in a blank
    // line before its end mark.
    QStringList lines = product.header;
    lines.append(QString());
    lines += group.lines;
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace ZoneForecast
