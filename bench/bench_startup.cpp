// Start-up: from the launch of the process (the launcher passes the wall-clock time in
// nanoseconds in CORVANTA_BENCH_LAUNCH_NS) to the end of the first frame of the scoreboard
// painted and handed to the platform. The program's own start is repeated here step by step, as
// main() makes it, with "bypass"; the first frame is the end of the first window-system event
// (expose or update request) of the scoreboard's window during which the scoreboard was painted.
//
//   bench_startup                 prints the start-up in milliseconds
//   bench_startup --picture       also waits for the board picture to show, and prints the time
//                                 it showed as a second figure
//   bench_startup --write-picture FILE WIDTH HEIGHT
//                                 writes a photo-like PNG to show as the board picture

#include "benchstats.h"

#include "frmsplash.h"
#include "image.h"

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace {

qint64 wallClockNanoseconds()
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

class WatchedApplication final : public QApplication
{
public:
    using QApplication::QApplication;

    qint64 firstFrame = 0;
    bool waitForPicture = false;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (firstFrame != 0)
            return QApplication::notify(receiver, event);
        const QEvent::Type type = event->type();
        if (type == QEvent::Paint && receiver->objectName() == QLatin1String("frmScoreboard"))
            m_painted = true;
        const bool frameEvent = (type == QEvent::Expose || type == QEvent::UpdateRequest)
                && receiver->isWindowType();
        const bool result = QApplication::notify(receiver, event);
        if (frameEvent && m_painted) {
            firstFrame = wallClockNanoseconds();
            if (!waitForPicture)
                QMetaObject::invokeMethod(this, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return result;
    }

private:
    bool m_painted = false;
};

// Smooth light and colour with grain, as in a photograph, so that the PNG is about as costly to
// decode as a camera's.
int writePicture(const QString &path, int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QRandomGenerator grain(17);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = int(grain.bounded(24));
            line[x] = qRgb(x * 200 / width + noise, y * 200 / height + noise, 120 + noise);
        }
    }
    return picture.save(path) ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList arguments = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (arguments.size() == 4 && arguments[0] == QLatin1String("--write-picture")) {
        QGuiApplication app(argc, argv);
        return writePicture(arguments[1], arguments[2].toInt(), arguments[3].toInt());
    }

    const qint64 launched = qgetenv("CORVANTA_BENCH_LAUNCH_NS").toLongLong();
    if (launched == 0) {
        std::fprintf(stderr,
                     "bench_startup: set CORVANTA_BENCH_LAUNCH_NS to the launch time "
                     "(date +%%s%%N)\n");
        return 2;
    }

    WatchedApplication app(argc, argv);
    app.waitForPicture = arguments.contains(QLatin1String("--picture"));
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    QPointer<frmSplash> splash = new frmSplash;
    if (!splash->Form_Load(QStringLiteral("bypass")))
        return 1;
    qint64 pictureShown = 0;
    QTimer look;
    if (app.waitForPicture) {
        QObject::connect(&look, &QTimer::timeout, &app, [&] {
            for (const QWidget *window : QApplication::topLevelWidgets()) {
                const auto *image = window->findChild<Image *>(QStringLiteral("imgBoardPic"));
                if (app.firstFrame != 0 && image && image->isVisible()
                    && !image->Picture().isNull()) {
                    pictureShown = wallClockNanoseconds();
                    look.stop();
                    QCoreApplication::quit();
                }
            }
        });
        look.start(5);
    }
    app.exec();
    std::printf("%.3f", double(app.firstFrame - launched) / 1e6);
    if (pictureShown != 0)
        std::printf(" %.3f", double(pictureShown - launched) / 1e6);
    std::printf("\n");
    return 0;
}
