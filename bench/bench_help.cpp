// F1 with an 8 MB help file: the longest gap between the board's refresh ticks from the key until
// the manual is shown and wholly laid out, and how long those take. The help file is the shipped
// manual's text over and over up to the largest size shown, written beside this program, which
// the build puts in a folder of its own. Runs on the platform given (offscreen by scripts/bench).

#include "benchstats.h"

#include "frmhelp.h"
#include "frmscoreboard.h"
#include "helplayoutpacer.h"
#include "helploader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

using BenchStats::report;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFile manual(QStringLiteral(CORVANTA_MANUAL));
    if (!manual.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_help: cannot read %s\n", CORVANTA_MANUAL);
        return 1;
    }
    const QByteArray rtf = manual.readAll();
    const qsizetype bodyStart = rtf.indexOf("\\pard");
    const QByteArray body = rtf.mid(bodyStart, rtf.lastIndexOf('}') - bodyStart);
    QByteArray help = rtf.left(bodyStart);
    while (help.size() + body.size() < HelpLoader::MaxFileBytes)
        help += body;
    help += '}';
    QFile file(frmHelp::helpFilePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(help) != help.size()) {
        std::fprintf(stderr, "bench_help: cannot write %s\n", qPrintable(file.fileName()));
        return 1;
    }
    file.close();

    frmScoreboard board;
    board.resize(1920, 1080);
    board.show();
    QElapsedTimer clock;
    qint64 lastTick = -1, longestGap = 0;
    QObject::connect(board.findChild<QTimer *>("tmrClock1"), &QTimer::timeout, &board, [&] {
        if (!clock.isValid())
            return;
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0)
            longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });

    qint64 shown = 0, laidOut = 0;
    QTimer::singleShot(500, &board, [&] {
        clock.start();
        board.AllKeyCode(112); // F1
        frmHelp *window = frmHelp::showHelp();
        QObject::connect(window, &frmHelp::loaded, &board, [&, window] {
            shown = clock.nsecsElapsed();
            auto *pacer = window->box()->document()->findChild<HelpLayoutPacer *>();
            auto *poll = new QTimer(&board);
            QObject::connect(poll, &QTimer::timeout, &board, [&, pacer, poll] {
                if (pacer && !pacer->isComplete())
                    return;
                laidOut = clock.nsecsElapsed();
                poll->stop();
                // One more tick after the last slice of layout.
                QTimer::singleShot(100, &app, &QCoreApplication::quit);
            });
            poll->start(100);
        });
    });
    app.exec();
    QFile::remove(frmHelp::helpFilePath());

    report("longest gap between refresh ticks while F1 opens an 8 MB help file",
           double(longestGap) / 1e6, "ms", "<= 50 ms");
    report("F1 to an 8 MB help file shown", double(shown) / 1e6, "ms");
    report("F1 to an 8 MB help file wholly laid out", double(laidOut) / 1e6, "ms");
    return 0;
}
