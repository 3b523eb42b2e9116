#pragma once

#include <QValidator>

class QLineEdit;

// Holds a text box to a number of characters as the operator sees them: a letter with its
// accents, an emoji of several code points or a flag counts one, and none is ever cut in two.
// Typing past the limit has no effect, and leaves the box's undo as it was; a paste is cut at
// the limit. A longer text the program puts in the box stays whole, and as the operator shortens
// it the limit closes in until it is the usual one again.
class TextLengthLimit final : public QValidator
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextLengthLimit)

public:
    TextLengthLimit(int limit, QLineEdit *box);

    // Puts text in the box whole, however long.
    void load(const QString &text);
    State validate(QString &input, int &pos) const override;

    static int characters(const QString &text);

private:
    QLineEdit *m_box;
    const int m_limit;
    int m_allowed;
    // The text as it stood before the edit being validated.
    QString m_before;
};
