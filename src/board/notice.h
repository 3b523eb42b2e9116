#pragma once

#include <QObject>
#include <QString>

class Label;
class QTimer;
class QWidget;

// A passing word to the operator on the board, e.g. "Sound unavailable: no sound server
// answers.": the text shows in a caption laid out where no display is, in place of a caption
// of less worth that is hidden meanwhile, and is emptied again after a few seconds on the
// monotonic ClockSource. A new text replaces the one showing. A text too long for the caption
// is shown whole in a smaller font; where it names a file, the name is shortened in its middle
// before the font gets too small, and the rest (the reason) is always shown whole.
class Notice final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Notice)
    Q_PROPERTY(QString Text READ text)

public:
    explicit Notice(Label *caption, QWidget *covered = nullptr, QObject *parent = nullptr);

    QString text() const;
    Q_INVOKABLE void showText(const QString &text, int seconds = ShowSeconds);
    // A text that names a file: name is the file's name as the text gives it (the first place
    // it appears). An empty name, or one the text does not hold, is a text without a name.
    void showText(const QString &text, const QString &name, int seconds = ShowSeconds);
    // As showText(), but a text that comes within a second of the one showing (as at start-up:
    // the bout resumed, the feed's port taken) is shown after it, not in its place.
    void addText(const QString &text, int seconds = ShowSeconds);
    // Puts text in the place of told where told still shows, keeping what shows beside it (the
    // bout's greeting) for as long as it was to show; shows text alone otherwise.
    void replaceText(const QString &told, const QString &text, int seconds = ShowSeconds);
    // Takes told off the board, with the stop and space that joined it to the words after it;
    // what shows beside it stays for as long as it was to show.
    void removeText(const QString &told);
    // Takes the text showing off the board at once.
    void clear();

    static constexpr int ShowSeconds = 8;
    // Longest wait between two looks at the clock while a text shows.
    static constexpr int ClockCheckMilliseconds = 250;
    static constexpr qint64 TogetherNanoseconds = 1000000000;

private:
    void checkClock();
    // How long the text showing has yet to show, rounded up.
    int secondsLeft() const;

    Label *m_caption = nullptr;
    QWidget *m_covered = nullptr;
    QTimer *m_timer = nullptr;
    qint64 m_hideAtNs = 0;
    qint64 m_shownAtNs = 0;
};
