// The real program on a Wayland desktop: Debian's weston with its headless
// backend as the compositor, and a notification area on a private session
// bus that speaks the StatusNotifierItem protocol, as Plasma's does and
// GNOME's does through its extension. The window has its designed size at
// either output scale, the start-up icon reaches the notification area
// with its tooltip and menu, the menu's "Unload Ventaro" ends the program,
// and a later start's activation token reaches the running one.
#include "app/frmForecast.h"
#include "shell/Twips.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int wait = 30000;
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// The notification area's side of StatusNotifierItem: it records the items
// that register. Qt uses the protocol for QSystemTrayIcon once a watcher
// says a host is there.
class FakeWatcher : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    QStringList registeredItems() const { return m_items; }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service)
    {
        // An item names its bus name, or its object path on the caller's.
        m_items.append(service.startsWith(QLatin1Char('/')) ? message().service() : service);
        Q_EMIT StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

// The entries of a com.canonical.dbusmenu layout, by label (mnemonics
// left out), with their ids.
void readMenu(const QDBusArgument& layout, QMap<QString, int>* entries)
{
    layout.beginStructure();
    int id = 0;
    QVariantMap properties;
    layout >> id >> properties;
    const QString label = properties.value(QStringLiteral("label")).toString().remove(QLatin1Char('_'));
    if (!label.isEmpty())
        entries->insert(label, id);
    layout.beginArray();
    while (!layout.atEnd()) {
        QDBusVariant child;
        layout >> child;
        readMenu(child.variant().value<QDBusArgument>(), entries);
    }
    layout.endArray();
    layout.endStructure();
}

bool answering(const QString& socketPath)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    return socket.waitForConnected(100);
}

} // namespace

class TestWayland : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void programOnWayland_data();
    void programOnWayland();

private:
    QString path(const QString& relative) const { return m_dir->filePath(relative); }
    QProcessEnvironment environment() const;
    // The client area of the program's top-level window as the compositor
    // places it, in its logical pixels; empty until it is mapped.
    QRect windowArea();

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_bus;
    QProcess m_compositor;
    QString m_busAddress;
};

void TestWayland::initTestCase()
{
    for (const char* tool : {"weston", "weston-debug", "dbus-daemon"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed (tools/install-deps.sh installs it)")
                                 .arg(QLatin1String(tool))));
    }
}

void TestWayland::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("run")));
    QFile::setPermissions(path(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    m_bus.setProgram(QStringLiteral("dbus-daemon"));
    m_bus.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address"),
                        QStringLiteral("--address=unix:path=") + path(QStringLiteral("bus"))});
    m_bus.start();
    QVERIFY(m_bus.waitForStarted(wait));
    QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine(), wait);
    m_busAddress = QString::fromUtf8(m_bus.readLine().trimmed());
}

void TestWayland::cleanup()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("private"));
    for (QProcess* process : {&m_compositor, &m_bus}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(10000))
            process->kill();
        process->waitForFinished(10000);
    }
    m_dir.reset();
}

QProcessEnvironment TestWayland::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "QT_LOGGING_RULES", "XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("run")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("cache")));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-ventaro"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("ventaro.instance.info=true"));
    // Under AddressSanitizer: Mesa's driver, which Qt's Wayland plugin
    // loads for EGL, leaves an allocation behind as it is unloaded at the
    // end, where no suppression can name it any more. The program's own
    // leaks are looked for by the tests that run it offscreen.
    if (env.contains(QStringLiteral("ASAN_OPTIONS")))
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    // Nothing listens there; the program fetches nothing unless asked.
    env.insert(QStringLiteral("VENTARO_CONDITIONS_HOST"), QStringLiteral("127.0.0.1:9"));
    env.insert(QStringLiteral("VENTARO_FORECAST_HOST"), QStringLiteral("127.0.0.1:9"));
    return env;
}

QRect TestWayland::windowArea()
{
    QProcess debug;
    debug.setProcessEnvironment(environment());
    debug.start(QStringLiteral("weston-debug"), {QStringLiteral("scene-graph")});
    if (!debug.waitForFinished(wait))
        return {};
    // The view of the program's window, then its opaque part: the client
    // area, without the decorations Qt draws around it.
    static const QRegularExpression view(QStringLiteral(
        "top-level window 'Ventaro' of io\\.github\\.ventaro\\.Ventaro[^\\n]*\\n"
        "(?:\\t\\t[^\\n]*\\n)*?\\t\\t\\[opaque: \\((-?\\d+), (-?\\d+)\\) -> \\((-?\\d+), (-?\\d+)\\)\\]"));
    const QRegularExpressionMatch match = view.match(QString::fromUtf8(debug.readAllStandardOutput()));
    if (!match.hasMatch())
        return {};
    return QRect(QPoint(match.captured(1).toInt(), match.captured(2).toInt()),
                 QPoint(match.captured(3).toInt() - 1, match.captured(4).toInt() - 1));
}

void TestWayland::programOnWayland_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("output scale 1") << 1;
    QTest::newRow("output scale 2") << 2;
}

void TestWayland::programOnWayland()
{
    QFETCH(int, scale);
    QDBusConnection bus = QDBusConnection::connectToBus(m_busAddress, QStringLiteral("private"));
    QVERIFY2(bus.isConnected(), qPrintable(bus.lastError().message()));
    FakeWatcher watcher;
    QVERIFY(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                               QDBusConnection::ExportAllContents));
    QVERIFY(bus.registerService(watcherService));

    m_compositor.setProcessEnvironment(environment());
    m_compositor.setProcessChannelMode(QProcess::MergedChannels);
    m_compositor.start(QStringLiteral("weston"),
                       {QStringLiteral("--backend=headless-backend.so"),
                        QStringLiteral("--socket=wayland-ventaro"), QStringLiteral("--width=1280"),
                        QStringLiteral("--height=800"), QStringLiteral("--scale=%1").arg(scale),
                        QStringLiteral("--idle-time=0"), QStringLiteral("--no-config"),
                        QStringLiteral("--debug")});
    QTRY_VERIFY2_WITH_TIMEOUT(QFileInfo::exists(path(QStringLiteral("run/wayland-ventaro"))),
                              m_compositor.readAll().constData(), wait);

    QProcess program;
    QByteArray said;
    const auto saidSoFar = [&] { return said += program.readAllStandardError(); };
    program.setProcessEnvironment(environment());
    program.start(QStringLiteral(VENTARO_EXECUTABLE), {});
    const QString socket = path(QStringLiteral("run/ventaro.socket"));
    QTRY_VERIFY2_WITH_TIMEOUT(answering(socket) || program.state() == QProcess::NotRunning,
                              saidSoFar().constData(), wait);
    QVERIFY2(program.state() == QProcess::Running, saidSoFar().constData());
    const auto storedPosition = [this] {
        QFile store(path(QStringLiteral("config/Ventaro/Ventaro.ini")));
        if (!store.open(QIODevice::ReadOnly))
            return QByteArrayList();
        QByteArrayList position;
        for (const QByteArray& line : store.readAll().split('\n')) {
            if (line.startsWith("Left=") || line.startsWith("Top="))
                position.append(line);
        }
        return position;
    };
    const QByteArrayList position = storedPosition();
    QCOMPARE(position.size(), 2);

    // The window at its designed size, in the compositor's logical pixels
    // whatever the scale. Where it goes is the compositor's choice.
    const QSize designed(Twips::toPixels(frmForecast::designWidth),
                         Twips::toPixels(frmForecast::designHeight));
    QTRY_COMPARE_WITH_TIMEOUT(windowArea().size(), designed, wait);

    // The start-up icon, and only it, in the notification area, with the
    // program's name as its tooltip.
    QTRY_COMPARE_WITH_TIMEOUT(watcher.registeredItems().size(), 1, wait);
    const QString item = watcher.registeredItems().constFirst();
    const auto property = [&](const QString& name) {
        QDBusMessage get = QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << QStringLiteral("org.kde.StatusNotifierItem") << name;
        return bus.call(get).arguments().value(0).value<QDBusVariant>().variant();
    };
    QCOMPARE(property(QStringLiteral("Status")).toString(), QStringLiteral("Active"));
    QCOMPARE(property(QStringLiteral("Id")).toString(), QStringLiteral("Ventaro"));
    // The tooltip: an icon name, pictures, a title and a text.
    const QDBusArgument tip = property(QStringLiteral("ToolTip")).value<QDBusArgument>();
    QString tipIcon;
    QString tipTitle;
    tip.beginStructure();
    tip >> tipIcon;
    tip.beginArray();
    while (!tip.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray pixels;
        tip.beginStructure();
        tip >> width >> height >> pixels;
        tip.endStructure();
    }
    tip.endArray();
    QString tipText;
    tip >> tipTitle >> tipText;
    tip.endStructure();
    QCOMPARE(tipTitle, QStringLiteral("Ventaro"));

    // A later start with the token its launcher gave it: the running one
    // takes the request with the token.
    QProcess later;
    QProcessEnvironment laterEnv = environment();
    laterEnv.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("weston-test-token-1"));
    later.setProcessEnvironment(laterEnv);
    later.start(QStringLiteral(VENTARO_EXECUTABLE), {});
    QTRY_VERIFY_WITH_TIMEOUT(later.state() == QProcess::NotRunning, wait);
    QCOMPARE(later.exitCode(), 0);
    QCOMPARE(later.readAllStandardError(),
             "ventaro: already running (process " + QByteArray::number(program.processId()) + ")\n");
    QTRY_VERIFY2_WITH_TIMEOUT(
        saidSoFar().contains(
            "window shown on request of another start, with its token weston-test-token-1\n"),
        said.constData(), wait);

    // The icon's menu, as the notification area shows it, ends the program.
    // (Read by hand, not through QDBusInterface, whose introspection Qt
    // keeps past the connection's end.)
    const QDBusObjectPath menuPath = property(QStringLiteral("Menu")).value<QDBusObjectPath>();
    QDBusMessage layoutCall = QDBusMessage::createMethodCall(
        item, menuPath.path(), QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("GetLayout"));
    layoutCall << 0 << -1 << QStringList();
    const QDBusMessage layout = bus.call(layoutCall);
    QCOMPARE(layout.type(), QDBusMessage::ReplyMessage);
    QMap<QString, int> entries;
    readMenu(layout.arguments().value(1).value<QDBusArgument>(), &entries);
    QCOMPARE(entries.keys(), (QStringList{QStringLiteral("Display Ventaro"), QStringLiteral("Get Forecast"),
                                          QStringLiteral("Unload Ventaro")}));
    QDBusMessage click = QDBusMessage::createMethodCall(
        item, menuPath.path(), QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"));
    click << entries.value(QStringLiteral("Unload Ventaro")) << QStringLiteral("clicked")
          << QVariant::fromValue(QDBusVariant(0)) << 0u;
    QCOMPARE(bus.call(click).type(), QDBusMessage::ReplyMessage);
    QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, wait);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(socket));
    // The compositor places windows and tells no program where: the
    // position stored under X11 stays as it was.
    QCOMPARE(storedPosition(), position);
    // Nothing to say about the window system: everything the program
    // needs of it is there.
    QStringList complaints = QString::fromLocal8Bit(saidSoFar()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    complaints.removeIf(
        [](const QString& line) { return line.startsWith(QLatin1String("ventaro.instance: ")); });
    QVERIFY2(complaints.isEmpty(), qPrintable(complaints.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestWayland)
#include "tst_wayland.moc"
