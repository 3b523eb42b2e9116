#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>

class QTimer;

// Looks every few seconds for chosen picture files that are missing (moved away, on a stick not
// plugged in) and tells when one is back, whole, so that its frame shows it again without the
// operator choosing it anew. A file counts as back once two looks in a row find it the same size
// and age: one still being copied in is not read half-written. Nothing is looked at while every
// chosen file is there.
class PictureReturnWatch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureReturnWatch)

public:
    static constexpr int LookEveryMs = 2000;

    explicit PictureReturnWatch(QObject *parent = nullptr);

    // The chosen pictures' files, an empty one for none; those missing now are watched.
    void watch(const QStringList &paths);

signals:
    void returned();

private:
    struct Sighting
    {
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Sighting &) const = default;
    };

    void look();

    QTimer *m_timer;
    // Each missing file, with how it was last seen since it came back, if it has.
    QHash<QString, Sighting> m_missing;
};
