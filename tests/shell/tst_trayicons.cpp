#include "shell/QtTrayIcons.h"

#include <QMenu>
#include <QTest>
#include <QTextDocument>

class TestTrayIcons : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void propertiesReadBackAtOnce();
    void notificationAreaFollowsAfterTheDelay();
    void toolTipsShowTheirCharacters_data();
    void toolTipsShowTheirCharacters();
    void contextMenuReachesEveryIcon();
};

namespace {

QList<QtTrayIcons::Design> design()
{
    QList<QtTrayIcons::Design> icons;
    for (int index = 0; index < 7; ++index) {
        QPixmap pixmap(16, 16);
        pixmap.fill(QColor::fromHsv(index * 40, 200, 200));
        icons.append({QIcon(pixmap), index == 6 ? QStringLiteral("Ventaro") : QStringLiteral(".")});
    }
    return icons;
}

} // namespace

void TestTrayIcons::propertiesReadBackAtOnce()
{
    QtTrayIcons tray(design(), std::chrono::hours(1));
    QCOMPARE(tray.count(), 7);
    QCOMPARE(tray.traytip(6), QStringLiteral("Ventaro"));
    QCOMPARE(tray.traytip(0), QStringLiteral("."));
    QVERIFY(!tray.intray(2));
    tray.setIntray(2, true);
    tray.setTraytip(2, QStringLiteral("light rain"));
    QVERIFY(tray.intray(2));
    QCOMPARE(tray.traytip(2), QStringLiteral("light rain"));
    const QIcon replaced = tray.trayicon(5);
    tray.setTrayicon(2, replaced);
    QCOMPARE(tray.trayicon(2).cacheKey(), replaced.cacheKey());
    // Indexes outside the set are ignored, not a crash.
    tray.setIntray(7, true);
    tray.setIntray(-1, true);
    QVERIFY(!tray.intray(7));
    QCOMPARE(tray.traytip(9), QString());
}

void TestTrayIcons::notificationAreaFollowsAfterTheDelay()
{
    QtTrayIcons tray(design(), std::chrono::milliseconds(50));
    tray.setIntray(6, true);
    QVERIFY(!tray.shownInNotificationArea(6));
    QTRY_VERIFY(tray.shownInNotificationArea(6));
    QVERIFY(!tray.shownInNotificationArea(1));

    tray.setIntray(6, false);
    tray.setIntray(1, true);
    QTRY_VERIFY(!tray.shownInNotificationArea(6));
    QTRY_VERIFY(tray.shownInNotificationArea(1));
}

void TestTrayIcons::toolTipsShowTheirCharacters_data()
{
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("seen");
    QTest::newRow("plain words") << QStringLiteral("light rain") << QStringLiteral("light rain");
    QTest::newRow("an entity and an unclosed picture")
        << QStringLiteral("&lt;b&gt; <img src=\"/etc/hostname\" width=8000 height=8000")
        << QStringLiteral("&lt;b&gt; <img src=\"/etc/hostname\" width=8000 height=8000");
    QTest::newRow("a whole tag") << QStringLiteral("<b>fog</b>") << QStringLiteral("<b>fog</b>");
    QTest::newRow("a megabyte") << QString(1024 * 1024, QLatin1Char('x'))
                                << QString(500, QLatin1Char('x')) + QChar(0x2026);
}

void TestTrayIcons::toolTipsShowTheirCharacters()
{
    QFETCH(QString, tip);
    QFETCH(QString, seen);
    QtTrayIcons tray(design());
    tray.setTraytip(1, tip);
    tray.setIntray(1, true);
    QCOMPARE(tray.traytip(1), tip);
    QTRY_VERIFY(tray.shownInNotificationArea(1));
    // What a tooltip shows: markup is rendered, anything else is taken as
    // the characters it is.
    const QString handed = tray.toolTipInNotificationArea(1);
    QTextDocument shown;
    if (Qt::mightBeRichText(handed))
        shown.setHtml(handed);
    else
        shown.setPlainText(handed);
    QCOMPARE(shown.toPlainText(), seen);
}

// The menu goes to the icons already in the notification area and to those
// made later, and leaves them all when unset.
void TestTrayIcons::contextMenuReachesEveryIcon()
{
    QMenu menu;
    QtTrayIcons tray(design());
    tray.setIntray(1, true);
    QTRY_VERIFY(tray.shownInNotificationArea(1));
    QCOMPARE(tray.contextMenuInNotificationArea(1), nullptr);

    tray.setContextMenu(&menu);
    QCOMPARE(tray.contextMenuInNotificationArea(1), &menu);
    tray.setIntray(1, false);
    tray.setIntray(4, true);
    tray.setIntray(6, true);
    QTRY_VERIFY(tray.shownInNotificationArea(4) && tray.shownInNotificationArea(6));
    for (int index : {1, 4, 6})
        QCOMPARE(tray.contextMenuInNotificationArea(index), &menu);
    QCOMPARE(tray.contextMenuInNotificationArea(2), nullptr);

    tray.setContextMenu(nullptr);
    for (int index : {1, 4, 6})
        QCOMPARE(tray.contextMenuInNotificationArea(index), nullptr);
}

QTEST_MAIN(TestTrayIcons)
#include "tst_trayicons.moc"
