#include "realboardtest.h"

#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>

#include <csignal>

namespace {

// A point inside each display, in focus order, on the board at its designed size.
constexpr int DisplayPoints[][2] = {{115, 113}, {315, 108}, {516, 113}, {364, 195}, {320, 305},
                                    {115, 335}, {518, 335}, {115, 405}, {518, 405}};

} // namespace

QString RealBoardTest::xdotool(const QStringList &arguments)
{
    QProcess xdotool;
    xdotool.start("xdotool", arguments);
    if (!xdotool.waitForFinished(10000) || xdotool.exitCode() != 0)
        QTest::qFail(qPrintable("xdotool " + arguments.join(' ')), __FILE__, __LINE__);
    return QString::fromLatin1(xdotool.readAllStandardOutput()).trimmed();
}

std::optional<BoutState> RealBoardTest::latest()
{
    QSqlQuery query(m_journal);
    if (!query.exec("SELECT state, boot_id, boot_ms FROM bout WHERE id = 1") || !query.next())
        return std::nullopt;
    std::optional<BoutState> state = BoutState::fromJson(query.value(0).toByteArray());
    if (state) {
        state->bootId = query.value(1).toByteArray();
        state->takenAtBootMs = query.value(2).toLongLong();
    }
    return state;
}

QVariantList RealBoardTest::row()
{
    QSqlQuery query(m_journal);
    QVariantList values;
    if (query.exec("SELECT * FROM bout") && query.next()) {
        for (int column = 0; column < query.record().count(); ++column)
            values << query.value(column);
    }
    return values;
}

void RealBoardTest::start(const BoutState &last, const QString &clockOffset)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!clockOffset.isEmpty()) {
        environment.insert("LD_PRELOAD", m_fakeTime);
        environment.insert("FAKETIME", clockOffset);
        // As when the PC's clock is set: the monotonic and boot clocks go on as they were.
        environment.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");
    }
    m_board.setProcessEnvironment(environment);
    m_board.start(m_program, {"bypass"});
    QVERIFY(m_board.waitForStarted(10000));
    // The resumed bout is recorded before the board first shows.
    waitForRecord([&](const BoutState &state) { return state.takenAtBootMs > last.takenAtBootMs; });
    m_window = xdotool({"search", "--sync", "--onlyvisible", "--pid",
                        QString::number(m_board.processId()), "--name", "^Corvanta$"})
                       .section('\n', 0, 0);
    xdotool({"windowfocus", "--sync", m_window});
}

void RealBoardTest::kill()
{
    ::kill(pid_t(m_board.processId()), SIGKILL);
    QVERIFY(m_board.waitForFinished(10000));
}

void RealBoardTest::type(int display, const QString &text)
{
    xdotool({"mousemove", "--window", m_window, QString::number(DisplayPoints[display][0]),
             QString::number(DisplayPoints[display][1]), "click", "1"});
    QStringList keys {"key", "--delay", "0"};
    for (QChar c : text)
        keys << (c == '.' ? QString("period") : QString(c));
    xdotool(keys << "Return");
}

void RealBoardTest::initTestCase()
{
    if (QProcess::execute("xdotool", {"version"}) != 0)
        QSKIP("needs xdotool");
    m_program = QCoreApplication::applicationDirPath() + "/corvanta";
    QVERIFY(QFile::exists(m_program));
    QCoreApplication::setApplicationName("Corvanta");
    const QString path
            = QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
                      .filePath("bout-journal.sqlite");
    QVERIFY2(path.startsWith(qEnvironmentVariable("XDG_DATA_HOME", "(unset)")),
             "runs only with a data folder of its own");
    m_journal = QSqlDatabase::addDatabase("QSQLITE");
    m_journal.setDatabaseName(path);
    QDir().mkpath(QFileInfo(path).path());
    m_board.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    for (const QString &folder : QDir("/usr/lib").entryList(QDir::Dirs | QDir::NoDot)) {
        const QString library = "/usr/lib/" + folder + "/faketime/libfaketime.so.1";
        if (QFile::exists(library))
            m_fakeTime = library;
    }
}

void RealBoardTest::init()
{
    m_numbers = BoutState().numbers;
    QVERIFY(m_journal.open());
}

void RealBoardTest::cleanup()
{
    if (m_board.state() != QProcess::NotRunning)
        kill();
    m_journal.close();
    for (const char *file : {"", "-wal", "-shm"})
        QFile::remove(m_journal.databaseName() + file);
}
