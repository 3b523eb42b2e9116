#include "frmhelp.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTextEdit>

// Runs beside the manual that the build copies into the program's folder.
class TestFrmHelp : public QObject
{
    Q_OBJECT

private:
    static void closeAndDestroy(frmHelp *window)
    {
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void oneWindowAtATime()
    {
        QPointer<frmHelp> first = frmHelp::showHelp();
        QVERIFY(first->isVisible());
        QTRY_VERIFY(!first->isLoading());
        QVERIFY(first->box()->isReadOnly());
        QVERIFY(first->box()->toPlainText().startsWith("Corvanta Help"));
        QCOMPARE(frmHelp::showHelp(), first.data());
        int helpWindows = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            helpWindows += qobject_cast<frmHelp *>(w) != nullptr;
        QCOMPARE(helpWindows, 1);

        // Minimised, it keeps its layout, and F1 brings it back as it was.
        first->resize(700, 500);
        QCoreApplication::processEvents();
        const QRect before = first->box()->geometry();
        first->showMinimized();
        QCoreApplication::processEvents();
        first->Form_Resize();
        QCOMPARE(frmHelp::showHelp(), first.data());
        QVERIFY(!first->isMinimized());
        QCoreApplication::processEvents();
        QCOMPARE(first->box()->geometry(), before);
        QCOMPARE(first->box()->lineWrapColumnOrWidth(), before.width() - 30);

        closeAndDestroy(first);
        QVERIFY(first.isNull());
        frmHelp *second = frmHelp::showHelp();
        QVERIFY(second->isVisible());
        closeAndDestroy(second);
    }

    void resizeKeepsMinimumAndMargins_data()
    {
        // Outer sizes in pixels at 15 twips each: the minimum 2700 x 1700 twips is 180 x 113.
        // The box fills the window's inside and wraps 30 pixels (450 twips) inside its width.
        QTest::addColumn<QSize>("requested");
        QTest::addColumn<QSize>("window");
        QTest::newRow("at the minimum") << QSize(180, 113) << QSize(180, 113);
        QTest::newRow("too narrow") << QSize(179, 500) << QSize(180, 500);
        QTest::newRow("too low") << QSize(500, 112) << QSize(500, 113);
    }

    void resizeKeepsMinimumAndMargins()
    {
        QFETCH(QSize, requested);
        QFETCH(QSize, window);
        frmHelp *help = frmHelp::showHelp();
        // The sizes are outer sizes; resize() takes the inner one.
        const QSize frame = help->frameGeometry().size() - help->size();
        help->resize(requested - frame);
        QCoreApplication::processEvents();
        QCOMPARE(help->frameGeometry().size(), window);
        QCOMPARE(help->box()->geometry(), help->rect());
        QCOMPARE(help->box()->lineWrapMode(), QTextEdit::FixedPixelWidth);
        QCOMPARE(help->box()->lineWrapColumnOrWidth(), help->width() - 30);
        closeAndDestroy(help);
    }
};

QTEST_MAIN(TestFrmHelp)
#include "tst_frmhelp.moc"
