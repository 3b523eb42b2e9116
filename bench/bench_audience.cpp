// The audience board's first frame at 3840 x 2160: from the moment it is asked for until its
// first frame has been painted, all of which the operator's board waits through. Needs an X
// server whose monitor RIGHT is 3840 x 2160 (scripts/bench makes one).

#include "benchstats.h"

#include "audienceboard.h"
#include "frmaudience.h"
#include "frmscoreboard.h"
#include "mmcontrol.h"
#include "settings.h"
#include "settingsstore.h"
#include "silentsound.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>

#include <cstdio>

namespace {

// Notes the first paint of the shown audience board (its drawing ahead of showing is no frame).
class FirstPaint final : public QObject
{
public:
    bool seen = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->window()->objectName() == "frmAudience"
            && static_cast<QWidget *>(watched)->window()->isVisible())
            seen = true;
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    const bool quick = QApplication::arguments().contains(QStringLiteral("--quick"));
    MMControl::setBackendFactory([] { return std::make_unique<SilentSound>(); });
    LoadSettings();
    Settings::instance().edit([](SettingsModel &m) { m.AudienceScreen.clear(); });

    QScreen *right = nullptr;
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->name() == QLatin1String("RIGHT"))
            right = screen;
    }
    if (!right) {
        std::fprintf(stderr, "bench_audience: no screen named RIGHT\n");
        return 1;
    }

    frmScoreboard board;
    board.show();
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    FirstPaint watch;
    app.installEventFilter(&watch);
    QList<double> samples;
    for (int run = 0; run < (quick ? 3 : 9); ++run) {
        watch.seen = false;
        QElapsedTimer timer;
        timer.start();
        board.findChild<AudienceBoard *>()->setScreenName(QStringLiteral("RIGHT"));
        while (!watch.seen && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        samples.append(double(timer.nsecsElapsed()) / 1e6);
        board.findChild<AudienceBoard *>()->setScreenName(QString());
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    const QSize size = right->geometry().size();
    BenchStats::report(QStringLiteral("first audience frame at %1x%2, median")
                               .arg(size.width())
                               .arg(size.height()),
                       BenchStats::median(samples), "ms", "<= 50 ms");
    BenchStats::report(QStringLiteral("first audience frame at %1x%2, max")
                               .arg(size.width())
                               .arg(size.height()),
                       BenchStats::percentile(samples, 1.0), "ms", "<= 50 ms");
    return 0;
}
