#include "frmhelp.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

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
    void showsTheManualWithItsFormatting();
    void oneWindowAtATime();
    void resizeKeepsMinimumAndMargins_data();
    void resizeKeepsMinimumAndMargins();
    void minimisingLeavesTheLayout();
};

void TestFrmHelp::showsTheManualWithItsFormatting()
{
    frmHelp *help = frmHelp::showHelp();
    QVERIFY(help->isVisible());
    QTRY_VERIFY(!help->isLoading());
    QCOMPARE(help->windowTitle(), QStringLiteral("Corvanta Help"));
    QCOMPARE(help->windowModality(), Qt::NonModal);
    QVERIFY(!help->parentWidget());
    QTextEdit *box = help->findChild<QTextEdit *>(QStringLiteral("rtbHelp"));
    QVERIFY(box);
    QVERIFY(box->isReadOnly());

    const QTextDocument *doc = box->document();
    const QString text = doc->toPlainText();
    QVERIFY(!text.contains(frmHelp::MissingFileText));
    for (const char *topic : {"bypass", "F1", "F2", "2.00", "1.305", "+3", "Numlock",
                              "Corvanta.conf", "buzzer.wav", "Color Controls", "projector"})
        QVERIFY2(text.contains(QLatin1String(topic)), topic);

    // The first block is the title, a heading in bold; the key list is a real list.
    QCOMPARE(doc->begin().text(), QStringLiteral("Corvanta Help"));
    QTextCursor title(doc->begin());
    title.movePosition(QTextCursor::NextCharacter);
    QVERIFY(title.charFormat().fontWeight() >= QFont::Bold);

    QTextBlock jamKey;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.text().startsWith(QStringLiteral("J – start or stop the jam clock")))
            jamKey = b;
    }
    QVERIFY(jamKey.isValid());
    QVERIFY(jamKey.textList());
    QCOMPARE(jamKey.textList()->format().style(), QTextListFormat::ListDisc);
    QTextCursor key(jamKey);
    key.movePosition(QTextCursor::NextCharacter);
    QVERIFY(key.charFormat().fontWeight() >= QFont::Bold);
    closeAndDestroy(help);
}

void TestFrmHelp::oneWindowAtATime()
{
    QPointer<frmHelp> first = frmHelp::showHelp();
    QCOMPARE(frmHelp::showHelp(), first.data());
    int helpWindows = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        helpWindows += qobject_cast<frmHelp *>(w) != nullptr;
    QCOMPARE(helpWindows, 1);

    first->showMinimized();
    QCOMPARE(frmHelp::showHelp(), first.data());
    QVERIFY(!first->isMinimized());

    closeAndDestroy(first);
    QVERIFY(first.isNull());
    frmHelp *second = frmHelp::showHelp();
    QVERIFY(second);
    QVERIFY(second->isVisible());
    closeAndDestroy(second);
}

void TestFrmHelp::resizeKeepsMinimumAndMargins_data()
{
    // Outer sizes in pixels at 15 twips each: the minimum 2700 x 1700 twips is 180 x 113. The box
    // fills the window's inside and wraps 30 pixels (450 twips) inside its width.
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("window");
    QTest::newRow("roomy") << QSize(800, 600) << QSize(800, 600);
    QTest::newRow("at the minimum") << QSize(180, 113) << QSize(180, 113);
    QTest::newRow("too small") << QSize(40, 30) << QSize(180, 113);
    QTest::newRow("too narrow") << QSize(179, 500) << QSize(180, 500);
    QTest::newRow("too low") << QSize(500, 112) << QSize(500, 113);
}

void TestFrmHelp::resizeKeepsMinimumAndMargins()
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

void TestFrmHelp::minimisingLeavesTheLayout()
{
    frmHelp *help = frmHelp::showHelp();
    help->resize(700, 500);
    QCoreApplication::processEvents();
    const QRect before = help->box()->geometry();

    help->showMinimized();
    QCoreApplication::processEvents();
    help->Form_Resize(); // does nothing while minimised
    QCOMPARE(help->box()->geometry(), before);
    help->showNormal();
    QCoreApplication::processEvents();
    QCOMPARE(help->box()->geometry(), before);
    QCOMPARE(help->box()->lineWrapColumnOrWidth(), before.width() - 30);
    closeAndDestroy(help);
}

QTEST_MAIN(TestFrmHelp)
#include "tst_frmhelp.moc"
