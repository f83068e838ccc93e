// Runs the program's own page handling on a saved page body, for whoever
// hosts or mirrors the weather pages and wants to know what the program
// will make of them.
#include "HttpClient.h"
#include "ModuleState.h"
#include "StatusLine.h"
#include "StripMarkup.h"
#include "WeatherService.h"
#include "Yielder.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

namespace {

// Serves the file's bytes as the body of every request.
class FileHttpClient final : public HttpClient
{
public:
    explicit FileHttpClient(QString body) : m_body(std::move(body)) {}
    FetchResult FetchPage(const QUrl&) override { return {true, m_body, {}}; }
    void abort() override {}

private:
    QString m_body;
};

class SilentStatusLine final : public StatusLine
{
public:
    void setStatus(const QString&) override {}
};

class NoYield final : public Yielder
{
public:
    void yield() override {}
};

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

    FileHttpClient http(body);
    SilentStatusLine status;
    NoYield yielder;
    ModuleState state;
    WeatherService weather(http, status, yielder, state, ServerHosts::builtIn());

    if (command == QLatin1String("conditions")) {
        const bool ok = weather.GetCurrentConditions();
        QList<QPair<QString, QJsonValue>> result{{QStringLiteral("ok"), ok}};
        if (ok) {
            const SkyClasses::Choice sky = weather.skyChoice();
            QJsonArray icons;
            for (int index : SkyClasses::trayIcons(sky))
                icons.append(index);
            result += {{QStringLiteral("location"), weather.GetLocation()},
                       {QStringLiteral("temperature"), weather.GetTemperature()},
                       {QStringLiteral("humidity"), weather.GetHumidity()},
                       {QStringLiteral("dewpoint"), weather.GetDewPoint()},
                       {QStringLiteral("wind"), weather.GetWind()},
                       {QStringLiteral("pressure"), weather.GetPressure()},
                       {QStringLiteral("sky"), weather.GetSkyConditions()},
                       {QStringLiteral("visibility"), weather.GetVisibility()},
                       {QStringLiteral("trayIcons"), icons},
                       {QStringLiteral("windowIcon"),
                        sky.windowIcon ? QJsonValue(*sky.windowIcon) : QJsonValue(QJsonValue::Null)}};
        }
        printJson(result);
        return 0;
    }
    if (command == QLatin1String("forecast")) {
        printJson({{QStringLiteral("result"), weather.GetStateForecast()}});
        return 0;
    }
    return usage();
}
