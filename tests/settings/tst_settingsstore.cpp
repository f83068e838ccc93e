#include "settings/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(StoreCheck::Condition)

class TestSettingsStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void absentKeyReadsEmpty();
    void valuesAreSeparatedByApplicationAndSection();
    void writeReachesTheFileBeforeReturning();
    void handEditedListReadsAsText();
    void writeToUnwritableLocationReportsFailure();
    void killedWriterLeavesOldOrNewValue();
    void damagedTextIsSetAsideAndSalvaged_data();
    void damagedTextIsSetAsideAndSalvaged();
};

namespace {

// A store as QSettings writes it, with values that need quotes and
// escapes; `middle` goes in as its fifth line.
QByteArray storeText(const QByteArray& middle = {})
{
    return "[Settings]\nAppVersion=99\nCityCode=\"ABR         ABERDEEN, SD\"\nLeft=\" 1500\"\n" + middle +
           "Region=East\nUpdate=a\\tb\n\n[Store]\nInitialized=1\n";
}

} // namespace

void TestSettingsStore::roundTrip_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("station entry with comma") << QStringLiteral("DEN         DENVER, CO");
    QTest::newRow("leading and trailing blanks") << QStringLiteral("   padded   ");
    QTest::newRow("only blanks") << QStringLiteral("   ");
    QTest::newRow("empty") << QString();
    QTest::newRow("number-to-text form") << QStringLiteral(" 12648447");
    QTest::newRow("double quotes") << QStringLiteral("say \"hi\" \"");
    QTest::newRow("single quote") << QStringLiteral("CHICAGO / O'HARE, IL");
    QTest::newRow("backslashes") << QStringLiteral("C:\\temp\\\\x\\");
    QTest::newRow("at sign first") << QStringLiteral("@Variant(abc)");
    QTest::newRow("at sign alone") << QStringLiteral("@");
    QTest::newRow("equals and semicolons") << QStringLiteral("a=b;c=d");
    QTest::newRow("hash and brackets") << QStringLiteral("#not a comment [Section]");
    QTest::newRow("non-ASCII letters") << QString::fromUtf8("Zürich – Ærøskøbing ÿ 雪");
    QTest::newRow("LF line ends") << QStringLiteral("one\ntwo\n");
    QTest::newRow("CR LF line ends") << QStringLiteral("one\r\ntwo\r\n");
    QTest::newRow("tab") << QStringLiteral("a\tb");
    QTest::newRow("several commas") << QStringLiteral("a, b,c ,, d");
    QTest::newRow("looks like a boolean") << QStringLiteral("true");
    QTest::newRow("long value") << QStringLiteral("x").repeated(100000);
}

void TestSettingsStore::roundTrip()
{
    QFETCH(QString, value);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        QtSettingsStore store(dir.path());
        QVERIFY(
            store.write(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Key"), value));
    }
    // A new store object reads what the file holds, not what a cache kept.
    QtSettingsStore reader(dir.path());
    const QString read =
        reader.read(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Key"));
    QCOMPARE(read, value);
}

void TestSettingsStore::absentKeyReadsEmpty()
{
    QTemporaryDir dir;
    QtSettingsStore store(dir.path());
    QCOMPARE(store.read(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Nothing")),
             QString());
    QVERIFY(store.write(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Other"),
                        QStringLiteral("1")));
    QCOMPARE(store.read(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Nothing")),
             QString());
}

void TestSettingsStore::valuesAreSeparatedByApplicationAndSection()
{
    QTemporaryDir dir;
    QtSettingsStore store(dir.path());
    QVERIFY(store.write(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Key"),
                        QStringLiteral("a")));
    QVERIFY(store.write(QStringLiteral("Ventaro"), QStringLiteral("Store"), QStringLiteral("Key"),
                        QStringLiteral("b")));
    QVERIFY(store.write(QStringLiteral("Other"), QStringLiteral("Settings"), QStringLiteral("Key"),
                        QStringLiteral("c")));
    QCOMPARE(store.read(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Key")),
             QStringLiteral("a"));
    QCOMPARE(store.read(QStringLiteral("Ventaro"), QStringLiteral("Store"), QStringLiteral("Key")),
             QStringLiteral("b"));
    QCOMPARE(store.read(QStringLiteral("Other"), QStringLiteral("Settings"), QStringLiteral("Key")),
             QStringLiteral("c"));
}

void TestSettingsStore::writeReachesTheFileBeforeReturning()
{
    QTemporaryDir dir;
    QtSettingsStore store(dir.path());
    QVERIFY(store.write(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Update"),
                        QStringLiteral("30")));
    QFile file(store.filePath(QStringLiteral("Ventaro")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray contents = file.readAll();
    QVERIFY2(contents.contains("[Settings]"), contents.constData());
    QVERIFY2(contents.contains("Update=30"), contents.constData());
}

void TestSettingsStore::handEditedListReadsAsText()
{
    // An unquoted comma written by hand would otherwise come back as a list.
    QTemporaryDir dir;
    QtSettingsStore store(dir.path());
    QFile file(store.filePath(QStringLiteral("Ventaro")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\nCityCode=DEN         DENVER, CO\n");
    file.close();
    QCOMPARE(store.read(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("CityCode")),
             QStringLiteral("DEN         DENVER, CO"));
}

void TestSettingsStore::writeToUnwritableLocationReportsFailure()
{
    QTemporaryDir dir;
    // A regular file where the store's directory should be.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QtSettingsStore store(blocked + QStringLiteral("/Ventaro"));
    QVERIFY(!store.write(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Key"),
                         QStringLiteral("v")));
    QCOMPARE(store.read(QStringLiteral("Ventaro"), QStringLiteral("Settings"), QStringLiteral("Key")),
             QString());
}

void TestSettingsStore::killedWriterLeavesOldOrNewValue()
{
    // A child process rewrites one large value over and over; it is killed
    // at a random moment, and the file must still hold one whole value.
    const QString writer = QCoreApplication::applicationDirPath() + QStringLiteral("/settings_writer");
    QVERIFY2(QFile::exists(writer), qPrintable(writer));

    QTemporaryDir dir;
    const QString first = QStringLiteral("A").repeated(200000);
    const QString second = QStringLiteral("B").repeated(200000);
    QRandomGenerator random(20261207);

    for (int round = 0; round < 12; ++round) {
        QProcess child;
        child.start(writer, {dir.path()});
        QVERIFY(child.waitForStarted(5000));
        // Kill after a random number of completed writes, so the kill lands
        // at varying points of the next write.
        const int writesBeforeKill = random.bounded(1, 6);
        int seen = 0;
        QByteArray output;
        while (seen < writesBeforeKill) {
            if (!child.waitForReadyRead(10000))
                QFAIL(qPrintable(
                    QStringLiteral("round %1: writer made no progress: %2 %3")
                        .arg(round)
                        .arg(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).join(QLatin1Char(' ')))
                        .arg(QString::fromLocal8Bit(child.readAllStandardError()))));
            output += child.readAllStandardOutput();
            seen = int(output.count('\n'));
        }
        child.kill();
        QVERIFY(child.waitForFinished(5000));

        const QString path = QtSettingsStore(dir.path()).filePath(QStringLiteral("Ventaro"));
        QSettings settings(path, QSettings::IniFormat);
        QCOMPARE(settings.status(), QSettings::NoError);
        const QString value = settings.value(QStringLiteral("Settings/Payload")).toString();
        QVERIFY2(value == first || value == second,
                 qPrintable(QStringLiteral("round %1: value of length %2 starting %3")
                                .arg(round)
                                .arg(value.size())
                                .arg(value.left(8))));
    }
}

void TestSettingsStore::damagedTextIsSetAsideAndSalvaged_data()
{
    QTest::addColumn<QByteArray>("text");
    // Empty for a whole file.
    QTest::addColumn<QString>("reason");
    // The keys of storeText() that read afterwards, as "section/key=value".
    QTest::addColumn<QStringList>("kept");

    const QStringList all{QStringLiteral("Settings/AppVersion=99"),
                          QStringLiteral("Settings/CityCode=ABR         ABERDEEN, SD"),
                          QStringLiteral("Settings/Left= 1500"),
                          QStringLiteral("Settings/Region=East"),
                          QStringLiteral("Settings/Update=a\tb"),
                          QStringLiteral("Store/Initialized=1")};
    QStringList allButRegion = all;
    allButRegion.removeAt(3);
    const QString line5 = QStringLiteral("line 5: ");

    QTest::newRow("whole: CR LF, byte order mark, comments")
        << QByteArray("\xEF\xBB\xBF; a\r\n" + storeText("# \"b\"\r\n")) << QString() << all;
    QTest::newRow("whole: cut at a line end")
        << storeText().left(storeText().indexOf("Region")) << QString() << all.mid(0, 3);
    QTest::newRow("quote never closed") << storeText().replace("=East", "=Ea\"st")
                                        << line5 + QStringLiteral("a quote is never closed") << allButRegion;
    QTest::newRow("stray quote alone")
        << storeText("\"\n") << line5 + QStringLiteral("a quote is never closed") << all;
    QTest::newRow("cut inside a line") << storeText().left(storeText().indexOf("East") + 2)
                                       << QStringLiteral("the file ends inside a line") << all.mid(0, 3);
    QTest::newRow("backslash joining the next line")
        << storeText("Note=a\\\n")
        << line5 + QStringLiteral("it ends in a backslash, which joins the next line to it") << all;
    QTest::newRow("not key=value") << storeText("words\n")
                                   << line5 +
                                          QStringLiteral("it is neither a section, a comment nor key=value")
                                   << all;
    // Its keys would otherwise land in the section before it.
    QTest::newRow("section name never closed")
        << QByteArray(storeText() + "[Store\nInitialized=2\n")
        << QStringLiteral("line 10: a section name is never closed") << all;
    QTest::newRow("not UTF-8") << storeText().replace("East", "Ea\xFFst")
                               << line5 + QStringLiteral("it is not valid UTF-8") << allButRegion;
    QTest::newRow("NUL byte") << storeText().replace("East", QByteArray("Ea\0st", 5))
                              << line5 + QStringLiteral("it holds a control character") << allButRegion;
    // A well-formed line longer than the program ever writes is not salvaged.
    QTest::newRow("overlong line")
        << QByteArray(
               storeText().replace("=East", "=" + QByteArray(QtSettingsStore::longestSalvagedLine, 'x')) +
               "\"\n")
        << QStringLiteral("line 10: a quote is never closed") << allButRegion;
}

void TestSettingsStore::damagedTextIsSetAsideAndSalvaged()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    QFETCH(QStringList, kept);
    QTemporaryDir dir;
    QtSettingsStore store(dir.path());
    QFile file(store.filePath(QStringLiteral("Ventaro")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();

    const StoreCheck check = store.recover(QStringLiteral("Ventaro"));
    QCOMPARE(check.reason, reason);
    QCOMPARE(check.condition,
             reason.isEmpty() ? StoreCheck::Condition::Whole : StoreCheck::Condition::Damaged);
    // Kept beside the store byte for byte.
    const QStringList backups = QDir(dir.path()).entryList({QStringLiteral("Ventaro.ini.damaged-2*")});
    QCOMPARE(backups.size(), reason.isEmpty() ? 0 : 1);
    if (!backups.isEmpty()) {
        QFile backup(check.backup);
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), text);
    }

    // Every whole line reads as QSettings read it from the whole text.
    QStringList read;
    for (const QString& key : {QStringLiteral("Settings/AppVersion"), QStringLiteral("Settings/CityCode"),
                               QStringLiteral("Settings/Left"), QStringLiteral("Settings/Region"),
                               QStringLiteral("Settings/Update"), QStringLiteral("Store/Initialized")}) {
        const QString value = store.read(QStringLiteral("Ventaro"), key.section(QLatin1Char('/'), 0, 0),
                                         key.section(QLatin1Char('/'), 1));
        if (!value.isEmpty())
            read.append(key + QLatin1Char('=') + value);
    }
    QCOMPARE(read, kept);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
