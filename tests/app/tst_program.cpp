// The real program as a process: one instance per user, the ways it is
// told to end from outside, its command line and a start without a display.
#include "ProgramProcess.h"
#include "settings/NumberForm.h"
#include "shell/SingleInstance.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// What stands in the socket's place while a start finds the lock held.
enum class Listener
{
    Nothing,
    // The socket file of a program that died: connecting is refused.
    DeadSocket,
    // A socket that takes connections but never reads them, as a program
    // that has stopped answering.
    Silent,
};

// Holds a POSIX socket at `path`, listening or not, until destroyed.
class RawSocket
{
public:
    RawSocket(const QString& path, bool listening)
    {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (name.size() >= qsizetype(sizeof address.sun_path))
            return;
        std::copy(name.begin(), name.end(), address.sun_path);
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        m_ok = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
               (!listening || ::listen(m_fd, 8) == 0);
    }
    ~RawSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;
    bool ok() const { return m_ok; }

private:
    int m_fd = -1;
    bool m_ok = false;
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Listener)

class TestProgram : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void secondStartShowsTheRunningOne_data();
    void secondStartShowsTheRunningOne();
    void secondStartWhenNobodyAnswers_data();
    void secondStartWhenNobodyAnswers();
    void terminationSignalEndsLikeUnload_data();
    void terminationSignalEndsLikeUnload();
    void lockOfAKilledProgramDoesNotBlock();
    void commandLine_data();
    void commandLine();
    void qtOptionsStillWork_data();
    void qtOptionsStillWork();
    void noDisplay_data();
    void noDisplay();

private:
    QProcessEnvironment environment() const;
    // As a desktop session without one starts it: no display and no rules
    // that hide Qt's own messages.
    QProcessEnvironment environmentWithoutDisplay() const;
    void start(QProcess& process);
    void start(QProcess& process, const QProcessEnvironment& env, const QStringList& arguments = {});
    // Neither the lock's folder nor the settings' has anything in it.
    bool untouched() const;
    QString settingsFile() const { return m_dir->filePath(QStringLiteral("config/Ventaro/Ventaro.ini")); }
    QString socketFile() const { return m_dir->filePath(QStringLiteral("run/ventaro.socket")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProgram::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir(m_dir->path()).mkpath(QStringLiteral("run"));
    QFile::setPermissions(m_dir->filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcessEnvironment TestProgram::environment() const
{
    QProcessEnvironment env = ProgramProcess::environmentWithoutBus();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir->filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Nothing listens there; the program fetches nothing unless asked.
    env.insert(QStringLiteral("VENTARO_CONDITIONS_HOST"), QStringLiteral("127.0.0.1:9"));
    env.insert(QStringLiteral("VENTARO_FORECAST_HOST"), QStringLiteral("127.0.0.1:9"));
    return env;
}

QProcessEnvironment TestProgram::environmentWithoutDisplay() const
{
    QProcessEnvironment env = environment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "QT_LOGGING_RULES"})
        env.remove(QLatin1String(name));
    return env;
}

void TestProgram::start(QProcess& process)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    start(process, environment());
}

void TestProgram::start(QProcess& process, const QProcessEnvironment& env, const QStringList& arguments)
{
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VENTARO_EXECUTABLE), arguments);
}

bool TestProgram::untouched() const
{
    return QDir(m_dir->filePath(QStringLiteral("run")))
               .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System) &&
           !QFileInfo::exists(m_dir->filePath(QStringLiteral("config")));
}

void TestProgram::secondStartShowsTheRunningOne_data()
{
    // What the second start's launcher put in its environment, and what
    // the running one is told.
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("told");

    const QByteArray shown = "ventaro.instance: window shown on request of another start";
    QTest::newRow("no token") << QString() << QByteArray() << shown + '\n';
    QTest::newRow("a startup id") << QStringLiteral("DESKTOP_STARTUP_ID")
                                  << QByteArray("launcher-7_TIME424242")
                                  << shown + ", with its token launcher-7_TIME424242\n";
    // Read only where the window system is Wayland.
    QTest::newRow("a Wayland token off Wayland")
        << QStringLiteral("XDG_ACTIVATION_TOKEN") << QByteArray("f6c2e1a0") << shown + '\n';
    QTest::newRow("a startup id the request cannot carry")
        << QStringLiteral("DESKTOP_STARTUP_ID") << QByteArray("launcher 7") << shown + '\n';
}

void TestProgram::secondStartShowsTheRunningOne()
{
    QFETCH(QString, variable);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, told);

    QProcess first;
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("QT_LOGGING_RULES"),
               env.value(QStringLiteral("QT_LOGGING_RULES")) + QStringLiteral(";ventaro.instance.info=true"));
    start(first, env);
    // The marker is the last thing a first start writes.
    QVERIFY(ProgramProcess::waitForInitialisedStore(first, settingsFile()));
    QVERIFY(ProgramProcess::waitUntilAnswering(first, socketFile()));
    QByteArray firstSaid = first.readAllStandardError();
    QVERIFY2(!firstSaid.contains("shown on request"), firstSaid.constData());

    const QByteArray before = contents(settingsFile());
    QProcess second;
    QProcessEnvironment secondEnv = environment();
    if (!variable.isEmpty())
        secondEnv.insert(variable, QString::fromLatin1(value));
    start(second, secondEnv);
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAllStandardError(),
             "ventaro: already running (process " + QByteArray::number(first.processId()) + ")\n");
    QCOMPARE(first.state(), QProcess::Running);
    // The second instance read and wrote nothing.
    QCOMPARE(contents(settingsFile()), before);
    // The first one had taken the request, with the launcher's token, and
    // brought its window forward before the second one ended.
    QTRY_VERIFY2_WITH_TIMEOUT((firstSaid += first.readAllStandardError()).contains(told),
                              firstSaid.constData(), 10000);

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
    QCOMPARE(first.exitCode(), 0);
    // Its socket goes with it.
    QVERIFY(!QFileInfo::exists(socketFile()));
}

void TestProgram::secondStartWhenNobodyAnswers_data()
{
    QTest::addColumn<Listener>("listener");
    QTest::addColumn<QString>("problem");
    QTest::newRow("no socket") << Listener::Nothing << QStringLiteral("its socket %1 is missing");
    QTest::newRow("the socket of a program that died")
        << Listener::DeadSocket << QStringLiteral("nobody listens at its socket %1");
    QTest::newRow("a socket nobody reads")
        << Listener::Silent << QStringLiteral("it did not answer within 5 seconds");
}

void TestProgram::secondStartWhenNobodyAnswers()
{
    QFETCH(Listener, listener);
    QFETCH(QString, problem);
    // The lock is this test's, held as the program holds it.
    SingleInstance holder({{m_dir->filePath(QStringLiteral("run")), true, false}});
    QCOMPARE(holder.acquire(), SingleInstance::Outcome::Acquired);
    QCOMPARE(holder.socketPath(), socketFile());
    std::unique_ptr<RawSocket> socket;
    if (listener != Listener::Nothing) {
        socket = std::make_unique<RawSocket>(socketFile(), listener == Listener::Silent);
        QVERIFY(socket->ok());
    }

    QProcess second;
    start(second, environment());
    // Bounded by the program's own waits, whatever stands there.
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    // A program that cannot be reached cannot show its window: the start
    // says so rather than claim all is well.
    QCOMPARE(second.exitCode(), 3);
    QCOMPARE(second.readAllStandardError(),
             "ventaro: already running (process " + QByteArray::number(QCoreApplication::applicationPid()) +
                 "), but cannot be reached: " + problem.arg(socketFile()).toLocal8Bit() + '\n');
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("config"))));
}

void TestProgram::terminationSignalEndsLikeUnload_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestProgram::terminationSignalEndsLikeUnload()
{
    QFETCH(int, signalNumber);
    // An initialised store whose position is off every screen: the program
    // moves the window on screen, and ending must save where it stands.
    {
        QSettings settings(settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Store/Initialized"), QStringLiteral("1"));
        settings.setValue(QStringLiteral("Settings/SysTray"), QStringLiteral("-1"));
        settings.setValue(QStringLiteral("Settings/Left"), QStringLiteral("-900000"));
        settings.setValue(QStringLiteral("Settings/Top"), QStringLiteral("-900000"));
    }
    QProcess program;
    start(program);
    QVERIFY(ProgramProcess::waitUntilHandlesTermination(program));

    ::kill(pid_t(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QSettings settings(settingsFile(), QSettings::IniFormat);
    QVERIFY(NumberForm::numericValue(settings.value(QStringLiteral("Settings/Left")).toString()) > -900000);
    QVERIFY(NumberForm::numericValue(settings.value(QStringLiteral("Settings/Top")).toString()) > -900000);
}

void TestProgram::lockOfAKilledProgramDoesNotBlock()
{
    QProcess killed;
    start(killed);
    QVERIFY(ProgramProcess::waitForInitialisedStore(killed, settingsFile()));
    QVERIFY(ProgramProcess::waitUntilAnswering(killed, socketFile()));
    killed.kill();
    QVERIFY(killed.waitForFinished(10000));
    QVERIFY(QFileInfo::exists(socketFile()));

    QProcess next;
    start(next);
    // A start that finds the program running ends before it listens;
    // answering on the socket the killed one left means it took the lock
    // and put a socket of its own there.
    QVERIFY2(ProgramProcess::waitUntilAnswering(next, socketFile()),
             "the next start ended or did not listen, as if another instance ran");
    next.terminate();
    QVERIFY(next.waitForFinished(10000));
}

void TestProgram::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    // What standard output begins with, and what it must (not) hold.
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("outHolds");
    QTest::addColumn<QByteArray>("outLacks");
    // What standard error begins with; the usage follows a mistake.
    QTest::addColumn<QByteArray>("err");

    const QByteArray usage = "Usage: ventaro [options]\n";
    const QByteArray version = "Ventaro " VENTARO_VERSION_STRING "\n";
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << 0 << usage
                            << QByteArray("-v, --version") << QByteArray("--platform") << QByteArray();
    QTest::newRow("--help names the settings file")
        << QStringList{QStringLiteral("--help")} << 0 << usage << QByteArray("/Ventaro/Ventaro.ini\n")
        << QByteArray() << QByteArray();
    QTest::newRow("--help names the manual") << QStringList{QStringLiteral("--help")} << 0 << usage
                                             << QByteArray("man ventaro") << QByteArray() << QByteArray();
    QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << 0 << usage << QByteArray("-h, --help")
                        << QByteArray("--platform") << QByteArray();
    QTest::newRow("--help-all tells Qt's options")
        << QStringList{QStringLiteral("--help-all")} << 0 << usage
        << QByteArray("--platform <name[:options]>") << QByteArray() << QByteArray();
    QTest::newRow("--help after an option of Qt")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--help")}
        << 0 << usage << QByteArray("--help") << QByteArray("--platform") << QByteArray();
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << 0 << version << QByteArray()
                               << QByteArray("Usage") << QByteArray();
    QTest::newRow("-v") << QStringList{QStringLiteral("-v")} << 0 << version << QByteArray()
                        << QByteArray("Usage") << QByteArray();
    QTest::newRow("unknown long option")
        << QStringList{QStringLiteral("--bogus")} << 2 << QByteArray() << QByteArray() << QByteArray()
        << QByteArray("ventaro: Unknown option 'bogus'.\n") + usage;
    QTest::newRow("unknown short option")
        << QStringList{QStringLiteral("-x")} << 2 << QByteArray() << QByteArray() << QByteArray()
        << QByteArray("ventaro: Unknown option 'x'.\n") + usage;
    QTest::newRow("letters run together")
        << QStringList{QStringLiteral("-hv")} << 2 << QByteArray() << QByteArray() << QByteArray()
        << QByteArray("ventaro: Unknown option 'hv'.\n") + usage;
    QTest::newRow("an argument the program does not take")
        << QStringList{QStringLiteral("DEN")} << 2 << QByteArray() << QByteArray() << QByteArray()
        << QByteArray("ventaro: Unexpected argument 'DEN'.\n") + usage;
    QTest::newRow("an option of Qt without its value")
        << QStringList{QStringLiteral("-platform")} << 2 << QByteArray() << QByteArray() << QByteArray()
        << QByteArray("ventaro: Missing value after '-platform'.\n") + usage;
    QTest::newRow("a value after --version")
        << QStringList{QStringLiteral("--version=2")} << 2 << QByteArray() << QByteArray() << QByteArray()
        << QByteArray("ventaro: Unexpected value after '--version'.\n") + usage;
}

void TestProgram::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, outHolds);
    QFETCH(QByteArray, outLacks);
    QFETCH(QByteArray, err);

    // Without a display: the command line is answered before one is needed.
    QProcess program;
    start(program, environmentWithoutDisplay(), arguments);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QByteArray said = program.readAllStandardOutput();
    const QByteArray complained = program.readAllStandardError();
    QVERIFY2(said.startsWith(out), said.constData());
    QVERIFY2(said.contains(outHolds), said.constData());
    QVERIFY2(outLacks.isEmpty() || !said.contains(outLacks), said.constData());
    QVERIFY2(out.isEmpty() == said.isEmpty(), said.constData());
    QVERIFY2(complained.startsWith(err), complained.constData());
    QVERIFY2(err.isEmpty() == complained.isEmpty(), complained.constData());
    // Neither the lock nor the settings were looked at.
    QVERIFY(untouched());
}

void TestProgram::qtOptionsStillWork_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("platformInEnvironment");
    QTest::addColumn<QByteArray>("qtSays");

    QTest::newRow("-platform") << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen")}
                               << false << QByteArray();
    QTest::newRow("--platform") << QStringList{QStringLiteral("--platform"), QStringLiteral("offscreen")}
                                << false << QByteArray();
    QTest::newRow("-reverse and -qwindowtitle")
        << QStringList{QStringLiteral("-reverse"), QStringLiteral("-qwindowtitle"), QStringLiteral("Weather")}
        << true << QByteArray();
    // Qt complains while its application object is made; the complaint is
    // passed on once it stands.
    QTest::newRow("-style naming no style")
        << QStringList{QStringLiteral("-style"), QStringLiteral("nosuchstyle")} << true
        << QByteArray("QApplication: invalid style override 'nosuchstyle' passed, ignoring it.");
}

void TestProgram::qtOptionsStillWork()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, platformInEnvironment);
    QFETCH(QByteArray, qtSays);

    QProcessEnvironment env = environmentWithoutDisplay();
    if (platformInEnvironment)
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess program;
    start(program, env, arguments);
    const bool answered = ProgramProcess::waitUntilAnswering(program, socketFile());
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    const QByteArray said = program.readAllStandardError();
    QVERIFY2(answered, said.constData());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY2(said.contains(qtSays), said.constData());
}

void TestProgram::noDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QByteArray>("reason");

    QTest::newRow("neither DISPLAY nor WAYLAND_DISPLAY set")
        << QStringList() << QString() << QString() << QByteArray("no display (DISPLAY is not set)\n");
    QTest::newRow("DISPLAY naming no X server")
        << QStringList() << QStringLiteral("xcb") << QStringLiteral(":987") << QByteArray(":987\n");
    QTest::newRow("-platform naming no plugin")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("nosuchplatform")} << QString()
        << QString() << QByteArray("\"nosuchplatform\"");
}

void TestProgram::noDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, platform);
    QFETCH(QString, display);
    QFETCH(QByteArray, reason);

    QProcessEnvironment env = environmentWithoutDisplay();
    if (!platform.isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    if (!display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), display);
    QProcess program;
    start(program, env, arguments);
    QVERIFY(program.waitForFinished(10000));
    // Ended, not aborted: no core dump.
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    const QByteArray said = program.readAllStandardError();
    QVERIFY2(said.startsWith("ventaro: cannot open a window: "), said.constData());
    QVERIFY2(said.count('\n') == 1 && said.endsWith('\n'), said.constData());
    QVERIFY2(said.contains(reason), said.constData());
    QCOMPARE(program.readAllStandardOutput(), QByteArray());
    QVERIFY(untouched());
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
