// Runs the program's own page handling on a saved page body, for whoever
// hosts or mirrors the weather pages and wants to know what the program
// will make of them.
#include "pages/PageReadings.h"
#include "pages/StripMarkup.h"
#include "weather/Conditions.h"
#include "weather/SkyClasses.h"
#include "weather/StateForecast.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: ventaro-pagecheck strip|conditions|forecast FILE\n", stderr);
    return 2;
}

// Writes one JSON object with its members in the given order, which
// QJsonObject (sorting its keys) would not keep.
void printJson(const QList<QPair<QString, QJsonValue>>& members)
{
    QByteArray json = "{";
    for (const auto& [key, value] : members) {
        if (json.size() > 1)
            json += ',';
        // A one-element array is the simplest way to have Qt escape a value.
        const QByteArray wrapped = QJsonDocument(QJsonArray{key, value}).toJson(QJsonDocument::Compact);
        const QByteArray inner = wrapped.mid(1, wrapped.size() - 2);
        const qsizetype comma = QJsonDocument(QJsonArray{key}).toJson(QJsonDocument::Compact).size() - 2;
        json += inner.left(comma) + ':' + inner.mid(comma + 1);
    }
    json += "}\n";
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return usage();
    const QString command = args[1];

    QFile file(args[2]);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "ventaro-pagecheck: cannot read %s: %s\n", qPrintable(args[2]),
                     qPrintable(file.errorString()));
        return 1;
    }
    const QString body = QString::fromLatin1(file.readAll());

    if (command == QLatin1String("strip")) {
        const QByteArray stripped = StripMarkup(body).toLatin1();
        std::fwrite(stripped.constData(), 1, static_cast<size_t>(stripped.size()), stdout);
        return 0;
    }

    if (command == QLatin1String("conditions")) {
        const ConditionsReading reading = PageReadings::conditions(body).reading;
        QList<QPair<QString, QJsonValue>> result{{QStringLiteral("ok"), reading.received}};
        if (reading.received) {
            const Conditions& values = reading.values;
            const SkyClasses::Choice sky = SkyClasses::classify(values.sky);
            QJsonArray icons;
            for (int index : SkyClasses::trayIcons(sky))
                icons.append(index);
            result += {{QStringLiteral("location"), values.location},
                       {QStringLiteral("temperature"), values.temperature},
                       {QStringLiteral("humidity"), values.humidity},
                       {QStringLiteral("dewpoint"), values.dewPoint},
                       {QStringLiteral("wind"), values.wind},
                       {QStringLiteral("pressure"), values.pressure},
                       {QStringLiteral("sky"), values.sky},
                       {QStringLiteral("visibility"), values.visibility},
                       {QStringLiteral("trayIcons"), icons},
                       {QStringLiteral("windowIcon"),
                        sky.windowIcon ? QJsonValue(*sky.windowIcon) : QJsonValue(QJsonValue::Null)}};
        }
        printJson(result);
        return 0;
    }
    if (command == QLatin1String("forecast")) {
        printJson({{QStringLiteral("result"), PageReadings::stateForecast(body).text}});
        return 0;
    }
    return usage();
}
