#include "sideplacement.h"

#include <QObject>
#include <QTest>

class tst_SidePlacement : public QObject
{
    Q_OBJECT

private slots:
    void beside_data()
    {
        QTest::addColumn<QRect>("room");
        QTest::addColumn<QRect>("other");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("least");
        QTest::addColumn<QRect>("expected");

        const QRect screen(0, 0, 1920, 1040);
        // A centred board: on its right, against it, level with its middle.
        QTest::newRow("centred") << screen << QRect(560, 100, 800, 650) << QSize(480, 480) << 180
                                 << QRect(1360, 184, 480, 480);
        // More room on the left: against its left side.
        QTest::newRow("left") << screen << QRect(1000, 300, 900, 650) << QSize(640, 480) << 180
                              << QRect(360, 384, 640, 480);
        // The same room on either side: on the right.
        QTest::newRow("even") << QRect(0, 0, 1000, 800) << QRect(300, 0, 400, 800)
                              << QSize(200, 300) << 100 << QRect(700, 249, 200, 300);
        // Narrowed to the room there, down to its least width.
        QTest::newRow("narrowed") << screen << QRect(1500, 0, 420, 1040) << QSize(1600, 480) << 180
                                  << QRect(0, 279, 1500, 480);
        QTest::newRow("least") << screen << QRect(100, 0, 1720, 1040) << QSize(640, 480) << 180
                               << QRect(1740, 279, 180, 480);
        // Near the screen's top and bottom edges, within the screen.
        QTest::newRow("top") << screen << QRect(0, -200, 900, 300) << QSize(640, 480) << 180
                             << QRect(900, 0, 640, 480);
        QTest::newRow("bottom") << screen << QRect(0, 900, 900, 300) << QSize(640, 480) << 180
                                << QRect(900, 560, 640, 480);
        // Larger than the screen: the screen.
        QTest::newRow("huge") << screen << QRect(800, 400, 200, 200) << QSize(4000, 3000) << 180
                              << QRect(1000, 0, 920, 1040);
        // On a second screen to the right of the first.
        QTest::newRow("second screen") << QRect(1920, 0, 1280, 720) << QRect(2000, 100, 600, 400)
                                       << QSize(500, 300) << 180 << QRect(2600, 149, 500, 300);
    }

    void beside()
    {
        QFETCH(QRect, room);
        QFETCH(QRect, other);
        QFETCH(QSize, size);
        QFETCH(int, least);
        QFETCH(QRect, expected);
        const QRect place = SidePlacement::beside(room, other, size, least);
        QCOMPARE(place, expected);
        QVERIFY(room.contains(place));
    }
};

QTEST_APPLESS_MAIN(tst_SidePlacement)
#include "tst_sideplacement.moc"
