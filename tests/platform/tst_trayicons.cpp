#include "QtTrayIcons.h"

#include <QTest>

class TestTrayIcons : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void propertiesReadBackAtOnce();
    void notificationAreaFollowsAfterTheDelay();
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

QTEST_MAIN(TestTrayIcons)
#include "tst_trayicons.moc"
