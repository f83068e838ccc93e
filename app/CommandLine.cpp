#include "CommandLine.h"

#include "settings/QtSettingsStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

namespace {

struct QtOption
{
    const char* name;
    // Null for an option without a value.
    const char* valueName;
    const char* description;
};

// What QGuiApplication, QApplication and the X11 platform take out of the
// arguments, as Qt 6 spells them; each also with two dashes, as Qt allows.
constexpr QtOption qtOptions[] = {
    {"platform", "name[:options]", "The platform plugin to open windows with."},
    {"platformpluginpath", "path", "Where to look for platform plugins."},
    {"platformtheme", "name", "The platform theme to use."},
    {"plugin", "name", "Loads an additional plugin."},
    {"qwindowgeometry", "geometry", "The main window's geometry (WxH+X+Y)."},
    {"qwindowicon", "icon", "The default window icon."},
    {"qwindowtitle", "title", "The first window's title."},
    {"reverse", nullptr, "Lays the windows out from right to left."},
    {"session", "id", "The session to restore."},
    {"style", "style", "The widget style."},
    {"stylesheet", "file", "A style sheet to apply."},
    {"widgetcount", nullptr, "Tells at exit how many widgets were left."},
    {"qmljsdebugger", "options", "Enables the QML debugger."},
    {"testability", nullptr, "Loads the testability library."},
    {"display", "display", "The X server to connect to (X11)."},
    {"geometry", "geometry", "The main window's geometry (X11)."},
    {"title", "title", "The first window's title (X11)."},
    {"icon", "icon", "The default window icon (X11)."},
    {"name", "name", "The X11 resource name."},
    {"visual", "id", "The X11 visual."},
    {"nograb", nullptr, "Never grabs the pointer or the keyboard (X11)."},
    {"dograb", nullptr, "Grabs even under a debugger (X11)."},
};

// Qt's own options are told only by --help-all, as Qt's programs do.
void addOptions(QCommandLineParser& parser, bool showQtOptions)
{
    parser.setApplicationDescription(
        QCoreApplication::applicationName() +
        QStringLiteral(", the latest observed weather and state forecast of a United States station."));
    // Qt's options start with one dash and are whole words ("-platform"),
    // which the default reading would take for a row of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    for (const QtOption& qt : qtOptions) {
        QCommandLineOption option(QLatin1String(qt.name), QLatin1String(qt.description),
                                  qt.valueName ? QLatin1String(qt.valueName) : QString());
        if (!showQtOptions)
            option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// What the options do not tell: where the weather and the settings are,
// where the log goes, how the program ends, and where to read more.
QString epilogue()
{
    return QStringLiteral(
               "\nOut of the box the weather comes from the US National Weather Service and NOAA,\n"
               "over HTTPS. VENTARO_OBSERVATION_URL, VENTARO_STATION_URL, VENTARO_ZONE_URL,\n"
               "VENTARO_ZONE_FORECAST_URL, VENTARO_ALERTS_URL and VENTARO_SATELLITE_URL replace\n"
               "its address templates; VENTARO_CONDITIONS_HOST, VENTARO_FORECAST_HOST and\n"
               "VENTARO_SATELLITE_HOST ask a server of the old pages instead.\n"
               "\n"
               "Settings file: %1\n"
               "Log: standard error, categories ventaro.* (see QT_LOGGING_RULES).\n"
               "Exit status: 0 ended normally or already running, 1 no display,\n"
               "2 a mistake in the command line.\n"
               "\n"
               "More in the manual: man ventaro\n")
        .arg(QtSettingsStore().filePath(QCoreApplication::applicationName()));
}

QByteArray usage(const QString& program, bool showQtOptions)
{
    QCommandLineParser parser;
    addOptions(parser, showQtOptions);
    // Without an application object Qt cannot know the program's name.
    return (parser.helpText().replace(QLatin1String("<executable_name>"), program) + epilogue())
        .toLocal8Bit();
}

} // namespace

namespace CommandLine {

Outcome read(int argc, const char* const argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString program = QFileInfo(arguments.value(0, QStringLiteral("ventaro"))).fileName();

    QCommandLineParser parser;
    addOptions(parser, false);
    const bool parsed = parser.parse(arguments);
    QString mistake = parser.errorText();
    if (parsed && !parser.positionalArguments().isEmpty())
        mistake = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    if (!mistake.isEmpty()) {
        const QByteArray text =
            program.toLocal8Bit() + ": " + mistake.toLocal8Bit() + '\n' + usage(program, false);
        std::fputs(text.constData(), stderr);
        return {usageError, false};
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(usage(program, parser.isSet(QStringLiteral("help-all"))).constData(), stdout);
        return {0, false};
    }
    if (parser.isSet(QStringLiteral("version"))) {
        const QString version = QCoreApplication::applicationName() + QLatin1Char(' ') +
                                QCoreApplication::applicationVersion() + QLatin1Char('\n');
        std::fputs(version.toLocal8Bit().constData(), stdout);
        return {0, false};
    }
    return {std::nullopt, parser.isSet(QStringLiteral("platform"))};
}

} // namespace CommandLine
