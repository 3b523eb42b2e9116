#include "frmhelp.h"
#include "frmscoreboard.h"
#include "helplayoutpacer.h"
#include "helploader.h"
#include "teststore.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

#include <memory>

// Built into a folder of its own, where the manual is not: the help window must say so, and the
// test may put help files of its own there.
class TestFrmHelp : public QObject
{
    Q_OBJECT

private:
    static void closeAndDestroy(frmHelp *help)
    {
        help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void init() { QFile::remove(frmHelp::helpFilePath()); }

    void oneWindowShowingTheMessageUntilReopened()
    {
        QPointer<frmHelp> help = frmHelp::showHelp();
        QVERIFY(help->isVisible());
        QCOMPARE(help->box()->toPlainText(),
                 QStringLiteral("Help file has been moved from its normal location.  Please "
                                "reinstall the program."));

        // A manual put in place later is read only by a window opened afresh; until then F1
        // brings the one window back, also from minimised, with its layout as it was.
        QVERIFY(QFile::copy(QStringLiteral(CORVANTA_MANUAL), frmHelp::helpFilePath()));
        help->resize(700, 500);
        QCoreApplication::processEvents();
        const QRect before = help->box()->geometry();
        help->showMinimized();
        QCoreApplication::processEvents();
        help->Form_Resize();
        QCOMPARE(frmHelp::showHelp(), help.data());
        QVERIFY(!help->isMinimized());
        QCoreApplication::processEvents();
        QCOMPARE(help->box()->geometry(), before);
        QCOMPARE(help->box()->lineWrapColumnOrWidth(), before.width() - 30);
        QCOMPARE(help->box()->toPlainText(), frmHelp::MissingFileText);
        // A short text takes every width at once, however quickly they come.
        const int width = help->width();
        for (int step = 1; step <= 3; ++step) {
            help->resize(width + 10 * step, help->height());
            QCoreApplication::processEvents();
            QCOMPARE(help->box()->lineWrapColumnOrWidth(), width + 10 * step - 30);
        }
        // Made smaller than its least size (2700 x 1700 twips, frame included), it stops there.
        help->resize(20, 20);
        QCoreApplication::processEvents();
        QCOMPARE(help->frameGeometry().size(), QSize(180, 113));

        closeAndDestroy(help);
        QVERIFY(help.isNull());
        help = frmHelp::showHelp();
        QTRY_VERIFY(!help->isLoading());
        QVERIFY(help->box()->isReadOnly());
        QVERIFY(help->box()->toPlainText().startsWith(QStringLiteral("Corvanta Help")));
        // The manual read goes with its window, however often help is opened.
        const QPointer<QTextDocument> manual = help->box()->document();
        closeAndDestroy(help);
        QVERIFY(manual.isNull());
    }

    // The manual's colours are made for a white page: on a dark desktop theme its navy headings
    // would stand on a near-black page.
    void manualOnItsOwnPageUnderADarkTheme()
    {
        const QPalette desktop = QApplication::palette();
        const auto asBefore = qScopeGuard([&desktop] { QApplication::setPalette(desktop); });
        QPalette dark = desktop;
        dark.setColor(QPalette::Base, QColor(27, 30, 32));
        dark.setColor(QPalette::Window, QColor(27, 30, 32));
        dark.setColor(QPalette::Text, QColor(239, 240, 241));
        dark.setColor(QPalette::WindowText, QColor(239, 240, 241));
        QApplication::setPalette(dark);
        QVERIFY(QFile::copy(QStringLiteral(CORVANTA_MANUAL), frmHelp::helpFilePath()));
        QPointer<frmHelp> help = frmHelp::showHelp();
        QTRY_VERIFY(!help->isLoading());
        const QImage page = help->box()->viewport()->grab().toImage();
        // The page, beside the title, and the title itself.
        QCOMPARE(qGray(page.pixel(page.width() - 3, 3)), 255);
        int darkest = 255;
        for (int y = 0; y < 60 && y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x)
                darkest = qMin(darkest, qGray(page.pixel(x, y)));
        }
        QVERIFY2(darkest < 90, qPrintable(QString::number(darkest)));
        closeAndDestroy(help);
    }

    // A help file that is there but cannot be read says so, with the system's reason; a folder in
    // its place is no help file at all.
    void unreadableFileSaysSo()
    {
        // Reading this file fails with an input/output error, whoever reads it.
        QVERIFY(QFile::link("/proc/self/mem", frmHelp::helpFilePath()));
        frmHelp *help = frmHelp::showHelp();
        QTRY_VERIFY(!help->isLoading());
        QCOMPARE(help->box()->toPlainText(),
                 "Help file could not be read (Input/output error).  Please reinstall the "
                 "program.");
        closeAndDestroy(help);

        QVERIFY(QFile::remove(frmHelp::helpFilePath()));
        QVERIFY(QDir().mkdir(frmHelp::helpFilePath()));
        help = frmHelp::showHelp();
        QCOMPARE(help->box()->toPlainText(), frmHelp::MissingFileText);
        closeAndDestroy(help);
        QVERIFY(QDir().rmdir(frmHelp::helpFilePath()));

        // Emptied, or rich text with no words in it: said so, not an empty window.
        for (const QByteArray &empty :
             {QByteArray(), QByteArray("{\\rtf1\\ansi \\par \\par }"), QByteArray(" \n\t\n")}) {
            QVERIFY(writeFile(frmHelp::helpFilePath(), empty));
            help = frmHelp::showHelp();
            QTRY_VERIFY(!help->isLoading());
            QCOMPARE(help->box()->toPlainText(), HelpLoader::EmptyFileText);
            closeAndDestroy(help);
        }
        QVERIFY(writeFile(frmHelp::helpFilePath(), "{\\rtf1\\ansi \\par x}"));
        QCOMPARE(HelpLoader::read(frmHelp::helpFilePath())->toPlainText().trimmed(), "x");
    }

    // The document comes over from the reading thread with its layout under way; nothing is laid
    // out until it is given its place, and then all of it is.
    void manualLaidOutOnlyOnceInPlace()
    {
        QObject receiver;
        std::unique_ptr<QTextDocument> manual;
        HelpLoader::start(QStringLiteral(CORVANTA_MANUAL), &receiver,
                          [&manual](QTextDocument *document, const QString &error) {
                              QVERIFY(error.isEmpty());
                              manual.reset(document);
                          });
        QTRY_VERIFY(manual);
        auto *pacer = manual->findChild<HelpLayoutPacer *>();
        QVERIFY(pacer);
        const auto laidOut = [&manual] {
            int blocks = 0;
            for (QTextBlock block = manual->begin(); block.isValid(); block = block.next())
                blocks += block.layout()->lineCount() > 0;
            return blocks;
        };
        const int before = laidOut();
        for (int turn = 0; turn < 20; ++turn)
            QCoreApplication::processEvents();
        QCOMPARE(laidOut(), before);
        QVERIFY(!pacer->isComplete());
        pacer->setRefresh(nullptr);
        QTRY_VERIFY(pacer->isComplete());
        QVERIFY(manual->lastBlock().layout()->lineCount() > 0);
    }

    // Widened and narrowed again and again, as a window maximised and restored, help comes back
    // to the very line being read each time, not a line or so above it.
    void readingPlaceKeptThroughResizes()
    {
        QVERIFY(QFile::copy(QStringLiteral(CORVANTA_MANUAL), frmHelp::helpFilePath()));
        frmHelp *help = frmHelp::showHelp();
        QTRY_VERIFY(!help->isLoading());
        const auto *layout = help->box()->document()->findChild<HelpLayoutPacer *>();
        QTRY_VERIFY(layout->isComplete());
        // A line in the middle of a long paragraph halfway down.
        QTextDocument *document = help->box()->document();
        QTextBlock block = document->findBlock(document->characterCount() / 2);
        while (block.isValid() && block.layout()->lineCount() < 4)
            block = block.next();
        QVERIFY(block.isValid());
        const QTextLine line = block.layout()->lineAt(2);
        help->box()->verticalScrollBar()->setValue(
                int(document->documentLayout()->blockBoundingRect(block).top() + line.y()) + 2);
        const auto topShown
                = [help] { return help->box()->cursorForPosition(QPoint(0, 0)).position(); };
        const int reading = topShown();
        QCOMPARE(reading, block.position() + line.textStart());
        const int width = help->width();
        for (int cycle = 0; cycle < 3; ++cycle) {
            for (const int wider : {170, 0}) {
                QTest::qWait(150);
                help->resize(width + wider, help->height());
                QTRY_COMPARE(help->box()->lineWrapColumnOrWidth(), width + wider - 30);
                QTRY_VERIFY(layout->isComplete());
            }
            QTRY_COMPARE(topShown(), reading);
        }
        closeAndDestroy(help);
    }

    void largeHelpFilesLeaveTheBoardRunning()
    {
        // Over the limit: refused unread, with the file's size.
        QVERIFY(writeFile(frmHelp::helpFilePath(),
                          QByteArray(HelpLoader::MaxFileBytes + 100 * 1024, 'x')));
        frmHelp *help = frmHelp::showHelp();
        QCOMPARE(help->box()->toPlainText(),
                 "Help file is too large to show (8.1 MB; the largest shown is 8.0 MB).  Please "
                 "reinstall the program.");
        // Also when it grew past the limit after that first look: never shown cut off, and
        // said so with its size then.
        QVERIFY(writeFile(frmHelp::helpFilePath(),
                          QByteArray(HelpLoader::MaxFileBytes + 300 * 1024, 'x')));
        QCOMPARE(HelpLoader::read(frmHelp::helpFilePath())->toPlainText(),
                 "Help file is too large to show (8.3 MB; the largest shown is 8.0 MB).  Please "
                 "reinstall the program.");
        // A byte over is over, as told.
        QVERIFY(HelpLoader::tooLargeText(HelpLoader::MaxFileBytes + 1).contains("(8.1 MB;"));
        closeAndDestroy(help);

        // A paragraph as long as a layout takes in one piece is kept whole; one longer is cut
        // there, and what is left of it cut again.
        const int most = HelpLoader::MaxParagraphLength;
        QVERIFY(writeFile(frmHelp::helpFilePath(),
                          QByteArray(most, 'a') + '\n' + QByteArray(2 * most + 1, 'b') + '\n'
                                  + QByteArray(most - 1, 'c')));
        QStringList paragraphs;
        const std::unique_ptr<QTextDocument> cut = HelpLoader::read(frmHelp::helpFilePath());
        for (QTextBlock block = cut->begin(); block.isValid(); block = block.next())
            paragraphs << block.text().left(1) + QString::number(block.length() - 1);
        const QString whole = QString::number(most);
        QCOMPARE(paragraphs,
                 QStringList({"a" + whole, "b" + whole, "b" + whole, "b1",
                              "c" + QString::number(most - 1)}));

        // The limit is 8 MB to the byte.
        const qsizetype limit = 8 * 1024 * 1024;
        QVERIFY(writeFile(frmHelp::helpFilePath(), QByteArray(limit + 1, 'x')));
        QVERIFY(HelpLoader::read(frmHelp::helpFilePath())
                        ->toPlainText()
                        .startsWith("Help file is too large"));

        // At the limit, plain text on one line, which no layout can take in one piece. The
        // board's refresh keeps ticking while F1 opens it, until the box has laid it all out.
        QByteArray line;
        while (line.size() < limit)
            line += QByteArray::number(QRandomGenerator::global()->generate(), 36) + ' ';
        line.truncate(limit);
        QVERIFY(writeFile(frmHelp::helpFilePath(), line));
        frmScoreboard board;
        board.show();
        int ticks = 0;
        connect(board.findChild<QTimer *>("tmrClock1"), &QTimer::timeout, &board, [&] { ++ticks; });
        QTRY_VERIFY(ticks > 0);
        board.AllKeyCode(112); // F1
        help = frmHelp::showHelp();
        const int ticksAtF1 = ticks;
        QTRY_VERIFY_WITH_TIMEOUT(!help->isLoading(), 30000);
        QVERIFY(help->box()->document()->characterCount() > 1000000);
        const auto *layout = help->box()->document()->findChild<HelpLayoutPacer *>();
        QVERIFY(layout);
        // The end of the document, asked for before it is laid out, is where the layout has
        // reached, and the layout goes on in pieces: the view ends at the end once it is done. A
        // page down or the scroll bar dragged to the bottom meanwhile lays out no more at once.
        QScrollBar *bar = help->box()->verticalScrollBar();
        QTest::keyClick(help->box(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(!layout->isComplete());
        QCOMPARE(bar->value(), bar->maximum());
        QTest::keyClick(help->box(), Qt::Key_PageDown);
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCoreApplication::processEvents();
        QVERIFY(!layout->isComplete());
        const int ticksAtEnd = ticks;
        QTRY_VERIFY_WITH_TIMEOUT(layout->isComplete(), 60000);
        const auto lastLineShown = [help, bar] {
            const QTextDocument *document = help->box()->document();
            const QRectF last
                    = document->documentLayout()->blockBoundingRect(document->lastBlock());
            // The end of the last paragraph, taller than the view, is in view.
            return bar->value() == bar->maximum() && last.bottom() > bar->value()
                    && last.bottom() <= bar->value() + help->box()->viewport()->height();
        };
        QTRY_VERIFY(lastLineShown());
        // A board held up for the whole of it would have seen a tick or two.
        QVERIFY2(ticks - ticksAtEnd >= 10, QByteArray::number(ticks - ticksAtEnd) + " ticks");
        QVERIFY2(ticks - ticksAtF1 >= 10, QByteArray::number(ticks - ticksAtF1) + " ticks");

        // Asked for again once laid out, the end is gone to at once.
        QTest::keyClick(help->box(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(bar->value(), 0);
        QTest::keyClick(help->box(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(lastLineShown());
        // Only the press moves the view: the view taken elsewhere meanwhile stays on release.
        const int middle = bar->maximum() / 2;
        bar->setValue(middle);
        QTest::keyRelease(help->box(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyRelease(help->box(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(bar->value(), middle);

        // A wider window lays the text out anew in pieces, not at once as far down as the view,
        // and the view comes back to the text being read once the layout reaches it.
        QTextDocument *document = help->box()->document();
        const int reading = help->box()->cursorForPosition(QPoint(0, 0)).position();
        const int wrap = help->box()->lineWrapColumnOrWidth();
        const auto topShown
                = [help] { return help->box()->cursorForPosition(QPoint(0, 0)).position(); };
        help->resize(help->width() + 40, help->height());
        QTRY_COMPARE(help->box()->lineWrapColumnOrWidth(), wrap + 40);
        QCOMPARE(document->findBlock(reading).layout()->lineCount(), 0);
        const int ticksAtResize = ticks;
        QTRY_VERIFY_WITH_TIMEOUT(layout->isComplete(), 60000);
        QVERIFY2(ticks - ticksAtResize >= 10, QByteArray::number(ticks - ticksAtResize) + " ticks");
        QTRY_VERIFY2(qAbs(topShown() - reading) < 200, QByteArray::number(topShown() - reading));
        // A change of height alone lays nothing out anew, and leaves the view where it is.
        const int value = bar->value();
        help->resize(help->width(), help->height() + 40);
        QTRY_COMPARE(help->box()->height(), help->height());
        QVERIFY(layout->isComplete());
        QCOMPARE(bar->value(), value);
        // The view moved by the operator meanwhile stays where it is taken.
        help->resize(help->width() - 40, help->height());
        QTRY_COMPARE(help->box()->lineWrapColumnOrWidth(), wrap);
        QTest::keyClick(help->box(), Qt::Key_Home, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(layout->isComplete(), 60000);
        QCOMPARE(bar->value(), 0);

        // Its edge dragged brings a width at every move: the text takes the first at once, the
        // last soon after, and none between while they come quicker than a tenth of a second.
        QTest::qWait(150);
        QElapsedTimer dragged;
        dragged.start();
        const int width = help->width();
        for (int step = 1; step <= 5; ++step) {
            help->resize(width + 10 * step, help->height());
            QCoreApplication::processEvents();
            if (dragged.elapsed() < 100)
                QCOMPARE(help->box()->lineWrapColumnOrWidth(), width + 10 - 30);
        }
        QTRY_COMPARE(help->box()->lineWrapColumnOrWidth(), width + 50 - 30);
        closeAndDestroy(help);
    }
};

QTEST_MAIN(TestFrmHelp)
#include "tst_frmhelp.moc"
