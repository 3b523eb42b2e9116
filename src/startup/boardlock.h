#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One board per data folder. The first copy of Corvanta to start holds a lock on a file in the
// folder for as long as it runs, and listens for later copies. A later copy finds the lock held:
// it asks the first to bring its board to the front and to say that Corvanta is already running,
// and ends, before it has read or written anything of the bout.
//
// The lock is the kernel's: a name bound in its abstract socket namespace, and flock on the file.
// Both go with the process however the process ends, so a copy that was killed or lost its power
// leaves nothing that keeps the next one from starting; the name holds where the file cannot be
// made (a read-only folder) or was removed while the board ran.
class BoardLock final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoardLock)

public:
    // How long a later copy's own message stays when the first cannot be reached.
    static constexpr int MessageSeconds = 5;

    explicit BoardLock(const QString &folder, QObject *parent = nullptr);
    ~BoardLock() override;

    // False only when another copy holds the folder. A lock file that cannot be made (a folder
    // that cannot be written) does not keep the board from starting: it is told on stderr.
    bool acquire();
    // For a copy that did not get the lock. A board that is closing no longer answers, but holds
    // the folder until its process has ended (a picture decode under way may keep it a few
    // seconds): this waits for that, up to ClosingWaitMs, and then holds the folder itself. False
    // at once where the board that holds the folder answers, and when it has not ended in time.
    bool waitForClosingBoard();
    static constexpr int ClosingWaitMs = 15000;
    // A closing board answers no later copy from now on, so that one waits for it to end.
    void stopAnswering();
    // For a copy that did not get the lock: tells the operator that Corvanta is already running,
    // on stderr and on the running board, or in a message of its own when that board cannot be
    // reached.
    void handOver();

    QString lockFilePath() const;

protected:
    // Stops answering as the board starts to close, before it saves the bout: a save that waits
    // (a journal another program holds) would otherwise leave a later copy told that the board
    // runs, while it is ending.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString serverName() const;
    // Each false only when another copy holds the folder.
    bool holdName();
    bool lockFile();
    void listen();
    void answer();
    static void showBoard();
    bool askToShow();
    bool answers() const;

    const QString m_folder;
    int m_fd = -1;
    int m_nameFd = -1;
    QLocalServer *m_server = nullptr;
};
