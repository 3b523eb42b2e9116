// The real program on the test's own X server, played with real keys (XTEST through xdotool),
// with its bout journal read from the disk: what the tests that start, kill and start the board
// again have in common.

#pragma once

#include "boutstate.h"

#include <QObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QTest>

#include <optional>

class RealBoardTest : public QObject
{
    Q_OBJECT

protected:
    // The displays in focus order.
    enum Display { HomeScore, PeriodClock, VisitorScore, PeriodNumber, JamClock, Penalty1 };

    static QString xdotool(const QStringList &arguments);

    // The bout the journal holds last, with the boot it was taken on.
    std::optional<BoutState> latest();
    // The journal's whole row, as it is on the disk.
    QVariantList row();
    // Waits, a bounded while, for the journal to hold a state that passes the test.
    template<typename Test>
    void waitForRecord(Test test)
    {
        QByteArray seen = "no bout";
        const auto passes = [&] {
            const std::optional<BoutState> state = latest();
            if (!state)
                return false;
            seen = state->toJson();
            return test(*state);
        };
        QTRY_VERIFY2_WITH_TIMEOUT(passes(), seen.constData(), 10000);
    }

    // Starts the board on the bout last recorded, with the PC's time of day moved by a
    // libfaketime offset such as "+1h" if one is given.
    void start(const BoutState &last, const QString &clockOffset = QString());
    void kill();
    // Selects a display as the operator does, with a click, and types into it.
    void type(int display, const QString &text);

    QString m_program;
    QSqlDatabase m_journal;
    QProcess m_board;
    QString m_window;
    // libfaketime, where it is installed.
    QString m_fakeTime;
    // What the operator last set.
    decltype(BoutState::numbers) m_numbers = BoutState().numbers;

private slots:
    void initTestCase();
    // Each test starts with no board and no journal.
    void init();
    void cleanup();
};
