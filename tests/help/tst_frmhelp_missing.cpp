#include "frmhelp.h"

#include <QFile>
#include <QTest>
#include <QTextEdit>

// Built into a folder of its own, where the manual is not: the help window must say so.
class TestFrmHelpMissing : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(frmHelp::helpFilePath()); }
    void cleanup() { QFile::remove(frmHelp::helpFilePath()); }

    void showsTheMessageUntilReopened()
    {
        QVERIFY(!QFile::exists(frmHelp::helpFilePath()));
        frmHelp *help = frmHelp::showHelp();
        QVERIFY(help->isVisible());
        QCOMPARE(help->box()->toPlainText(),
                 QStringLiteral("Help file has been moved from its normal location.  Please "
                                "reinstall the program."));

        // A manual put in place later is read only by a window opened afresh.
        QVERIFY(QFile::copy(QStringLiteral(CORVANTA_MANUAL), frmHelp::helpFilePath()));
        QCOMPARE(frmHelp::showHelp(), help);
        QCOMPARE(help->box()->toPlainText(), frmHelp::MissingFileText);

        help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        help = frmHelp::showHelp();
        QVERIFY(help->box()->toPlainText().startsWith(QStringLiteral("Corvanta Help")));
        help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_MAIN(TestFrmHelpMissing)
#include "tst_frmhelp_missing.moc"
