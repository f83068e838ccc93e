#include "ZoneForecast.h"

#include "LiveLogging.h"

#include "PageText.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <algorithm>
#include <array>
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

// "COZ039-080000-", "COZ001>010-080000-": a state, Z or C, three digits.
const QRegularExpression& groupStart()
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Z]{2}[ZC]\\d{3}[->]"));
    return pattern;
}

// A zone code line, or its continuation when the codes run over a line.
const QRegularExpression& codeLine()
{
    static const QRegularExpression pattern(QStringLiteral("^(([A-Z]{2}[ZC])?\\d{3}[->])+(\\d{6}-)?$"));
    return pattern;
}

// "830 AM MST Mon Dec 7 2026", which each group repeats.
const QRegularExpression& issueTimeLine()
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{3,4} [AP]M [A-Z]{3,4} "));
    return pattern;
}

// The transmission's sequence number ("000") before the heading is no part
// of the product.
const QRegularExpression& sequenceNumber()
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{3}$"));
    return pattern;
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
QString normalised(const QString& text)
{
    static const QHash<QString, QString> spelledOut{
        {QStringLiteral("FT"), QStringLiteral("FORT")},
        {QStringLiteral("ST"), QStringLiteral("SAINT")},
        {QStringLiteral("MT"), QStringLiteral("MOUNT")},
        {QStringLiteral("JCT"), QStringLiteral("JUNCTION")},
    };
    // Words of capital letters, digits and apostrophes, everything else a
    // separator; scanned by hand, as this runs for every zone of every
    // office at each refresh.
    QString result(1, QLatin1Char(' '));
    QString word;
    const auto endWord = [&] {
        if (word.isEmpty())
            return;
        result += spelledOut.value(word, word);
        result += QLatin1Char(' ');
        word.clear();
    };
    for (const QChar c : text) {
        const QChar upper = c.toUpper();
        const bool inWord = (upper >= QLatin1Char('A') && upper <= QLatin1Char('Z')) ||
                            (upper >= QLatin1Char('0') && upper <= QLatin1Char('9')) ||
                            upper == QLatin1Char('\'');
        if (inWord)
            word += upper;
        else
            endWord();
    }
    endWord();
    return result.size() > 1 ? result : QStringLiteral("  ");
}

ZoneGroup zoneGroup(const QStringList& lines)
{
    QStringList description;
    for (qsizetype i = 1; i < lines.size() && !lines.at(i).trimmed().isEmpty(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (!codeLine().match(line).hasMatch() && !issueTimeLine().match(line).hasMatch())
            description.append(line);
    }
    const QString text = description.join(QLatin1Char(' '));
    static const QRegularExpression including(QStringLiteral("\\bINCLUDING\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = including.match(text);
    ZoneGroup group;
    group.lines = lines;
    group.names = normalised(match.hasMatch() ? text.left(match.capturedStart()) : text);
    if (match.hasMatch()) {
        // "INCLUDING Boulder, Golden, and Lakewood", or in the older style
        // "INCLUDING THE CITIES OF...DENVER...AURORA".
        static const QRegularExpression citiesOf(QStringLiteral("^\\s*THE CIT(Y|IES) OF\\b"),
                                                 QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression separator(QStringLiteral(",|\\.\\.\\.|\\bAND\\b"),
                                                  QRegularExpression::CaseInsensitiveOption);
        const QString cities = text.mid(match.capturedEnd()).remove(citiesOf);
        group.cities = normalised(cities);
        for (const QString& place : cities.split(separator)) {
            if (!place.trimmed().isEmpty())
                group.places.append(normalised(place));
        }
    }
    return group;
}

Product parsed(const QString& text)
{
    const QStringList lines = linesOf(text);
    Product product;
    qsizetype i = 0;
    while (i < lines.size() && lines.at(i).trimmed().isEmpty())
        ++i;
    if (i < lines.size() && sequenceNumber().match(lines.at(i).trimmed()).hasMatch())
        ++i;
    while (i < lines.size() && !groupStart().match(lines.at(i)).hasMatch())
        product.header.append(lines.at(i++));
    while (!product.header.isEmpty() && product.header.constLast().trimmed().isEmpty())
        product.header.removeLast();

    while (i < lines.size()) {
        if (!groupStart().match(lines.at(i)).hasMatch()) {
            ++i; // the blank lines between groups
            continue;
        }
        QStringList groupLines{lines.at(i++)};
        bool ended = false;
        while (i < lines.size() && !groupStart().match(lines.at(i)).hasMatch()) {
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

// The first group, in the products' order, that passes `test`.
Choice firstGroup(const QList<Product>& products, const std::function<bool(const ZoneGroup&)>& test)
{
    for (const Product& product : products) {
        for (const ZoneGroup& group : product.groups) {
            if (test(group))
                return {&product, &group};
        }
    }
    return {};
}

// A city listed by its own name is the surest sign; a name inside a longer
// one ("Taos Ski Valley" for Taos) or in the zone's name ("Western Pueblo
// County" for Pueblo) counts only when no group lists the city itself.
Choice stationGroup(const QList<Product>& products, const QStringList& names)
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

QByteArray statePage(const QStringList& products, const QString& stationEntry)
{
    QList<Product> parsedProducts;
    for (const QString& text : products) {
        Product product = parsed(text);
        if (!product.groups.isEmpty())
            parsedProducts.append(std::move(product));
    }
    if (parsedProducts.isEmpty())
        return {};

    Choice chosen = stationGroup(parsedProducts, cityNames(stationEntry));
    if (chosen.group == nullptr) {
        qCDebug(lcLive) << "no zone names" << stationEntry << "- showing the first zone";
        chosen = {&parsedProducts.constFirst(), &parsedProducts.constFirst().groups.constFirst()};
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
