#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>

class QTimer;

// Looks every few seconds at the chosen picture files and tells when one has come back, whole,
// in another state than the boards last read it in: back where it was missing (moved away, on a
// stick not plugged in), or written anew where it could not be read (damaged, half copied). Its
// frames then show it again without the operator choosing it anew, on every board, whatever a
// board found when it last looked (one opened while the file was away found it missing). A file
// counts as back once two looks in a row find it the same size and age: one still being copied
// in is not read half-written. Nothing is looked at while no picture is chosen.
class PictureReturnWatch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureReturnWatch)

public:
    static constexpr int LookEveryMs = 2000;

    explicit PictureReturnWatch(QObject *parent = nullptr);

    // The chosen pictures' files, an empty one for none, each time a board has read them: as the
    // boards read them now. A file found otherwise than the boards last read it is told as
    // returned at once, so that every board reads it again.
    void watch(const QStringList &paths);

signals:
    void returned();

private:
    struct Sighting
    {
        qint64 size = -1; // -1: missing
        QDateTime modified;
        // Changes also for a file copied over it that keeps its original's time.
        QDateTime entryChanged;
        bool operator==(const Sighting &) const = default;
    };
    struct Watched
    {
        Sighting read; // as the boards last read it
        Sighting seen; // at the last look
    };

    static Sighting sighting(const QString &path);
    void look();

    QTimer *m_timer;
    QHash<QString, Watched> m_files;
};
