// The zone code lines of text products, read as the weather service's
// directive on them writes them: which zones a group is for.
#include "live/Ugc.h"

#include <QTest>

class TestUgc : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsCodeLines_data();
    void readsCodeLines();
    void refusesMalformedLines_data();
    void refusesMalformedLines();
    void rangesCostTheirLineNotTheirSpan();
};

void TestUgc::readsCodeLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("covered");
    QTest::addColumn<QStringList>("notCovered");
    QTest::addColumn<QString>("expires");
    QTest::newRow("one zone") << QStringLiteral("COZ039-080000-\nCity and County of Denver-")
                              << QStringList{QStringLiteral("COZ039")}
                              << QStringList{QStringLiteral("COZ038"), QStringLiteral("COZ040")}
                              << QStringLiteral("080000");
    QTest::newRow("range and list") << QStringLiteral("COZ030>034-036-038>041-080000-")
                                    << QStringList{QStringLiteral("COZ030"), QStringLiteral("COZ032"),
                                                   QStringLiteral("COZ034"), QStringLiteral("COZ036"),
                                                   QStringLiteral("COZ041")}
                                    << QStringList{QStringLiteral("COZ035"), QStringLiteral("COZ037"),
                                                   QStringLiteral("COZ042")}
                                    << QStringLiteral("080000");
    QTest::newRow("two states in one line")
        << QStringLiteral("WAZ021-ORZ006>008-081600-")
        << QStringList{QStringLiteral("WAZ021"), QStringLiteral("ORZ007")}
        << QStringList{QStringLiteral("WAZ006"), QStringLiteral("ORZ021")} << QStringLiteral("081600");
    QTest::newRow("run on over lines, CR LF")
        << QStringLiteral("TXZ091>095-100>107-117>123-\r\n135>138-080400-\r\nCooke-Grayson-")
        << QStringList{QStringLiteral("TXZ093"), QStringLiteral("TXZ120"), QStringLiteral("TXZ138")}
        << QStringList{QStringLiteral("TXZ096"), QStringLiteral("TXZ139"), QStringLiteral("OKZ093")}
        << QStringLiteral("080400");
    QTest::newRow("a whole state") << QStringLiteral("HIZALL-300400-")
                                   << QStringList{QStringLiteral("HIZ045"), QStringLiteral("HIZ001")}
                                   << QStringList{QStringLiteral("HIC045"), QStringLiteral("AKZ045")}
                                   << QStringLiteral("300400");
    // Counties and zones of one state are different areas.
    QTest::newRow("counties") << QStringLiteral("NMC007-055-080000-") << QStringList{QStringLiteral("NMC055")}
                              << QStringList{QStringLiteral("NMZ055")} << QStringLiteral("080000");
}

void TestUgc::readsCodeLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, covered);
    QFETCH(QStringList, notCovered);
    QFETCH(QString, expires);
    const std::optional<Ugc> ugc = Ugc::read(text);
    QVERIFY(ugc);
    for (const QString& zone : covered)
        QVERIFY2(ugc->covers(zone), qPrintable(zone));
    for (const QString& zone : notCovered)
        QVERIFY2(!ugc->covers(zone), qPrintable(zone));
    QCOMPARE(ugc->expires, expires);
}

void TestUgc::refusesMalformedLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("no expiry") << QStringLiteral("COZ039-\nCity and County of Denver-");
    QTest::newRow("backward range") << QStringLiteral("COZ041>038-080000-");
    QTest::newRow("numbers before any state") << QStringLiteral("039-040-080000-");
    QTest::newRow("two-digit zone") << QStringLiteral("COZ39-080000-");
    QTest::newRow("expiry alone") << QStringLiteral("080000-");
    QTest::newRow("prose") << QStringLiteral("Denver and vicinity-");
    QTest::newRow("endless line without a dash") << QString(100000, QLatin1Char('9'));
}

void TestUgc::refusesMalformedLines()
{
    QFETCH(QString, text);
    QVERIFY(!Ugc::read(text));
}

// A line of 4 KiB naming every zone of a state again and again holds a
// few hundred ranges, not hundreds of thousands of codes.
void TestUgc::rangesCostTheirLineNotTheirSpan()
{
    QString line = QStringLiteral("COZ000>999-");
    qsizetype items = 1;
    for (; line.size() + 8 + 7 < Ugc::longest; ++items)
        line += QStringLiteral("000>999-");
    const std::optional<Ugc> ugc = Ugc::read(line + QStringLiteral("080000-"));
    QVERIFY(ugc);
    QVERIFY(ugc->covers(u"COZ000") && ugc->covers(u"COZ777") && ugc->covers(u"COZ999"));
    QVERIFY(!ugc->covers(u"COC777"));
    QCOMPARE(ugc->ranges.size(), items);
}

QTEST_MAIN(TestUgc)
#include "tst_ugc.moc"
