// The real program as a process: one instance per user, and the ways it
// is told to end from outside.
#include "NumberForm.h"
#include "ProgramProcess.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class TestProgram : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void secondInstanceEndsAtOnce();
    void terminationSignalEndsLikeUnload_data();
    void terminationSignalEndsLikeUnload();
    void lockOfAKilledProgramDoesNotBlock();

private:
    void start(QProcess& process);
    QString settingsFile() const { return m_dir->filePath(QStringLiteral("config/Ventaro/Ventaro.ini")); }

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

void TestProgram::start(QProcess& process)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir->filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Nothing listens there; the program fetches nothing unless asked.
    env.insert(QStringLiteral("VENTARO_CONDITIONS_HOST"), QStringLiteral("127.0.0.1:9"));
    env.insert(QStringLiteral("VENTARO_FORECAST_HOST"), QStringLiteral("127.0.0.1:9"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(VENTARO_EXECUTABLE), {});
}

void TestProgram::secondInstanceEndsAtOnce()
{
    QProcess first;
    start(first);
    // The marker is the last thing a first start writes.
    QVERIFY(ProgramProcess::waitForInitialisedStore(first, settingsFile()));
    QVERIFY(ProgramProcess::waitUntilHandlesTermination(first));

    const QByteArray before = [&] {
        QFile file(settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QProcess second;
    start(second);
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    // The second instance read and wrote nothing.
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
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
    killed.kill();
    QVERIFY(killed.waitForFinished(10000));

    QProcess next;
    start(next);
    // A start that finds the program running ends before it installs its
    // termination handler; getting that far means it took the lock.
    QVERIFY2(ProgramProcess::waitUntilHandlesTermination(next),
             "the next start ended at once, as if another instance ran");
    next.terminate();
    QVERIFY(next.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
