#include "textlengthlimit.h"

#include <QLineEdit>
#include <QTextBoundaryFinder>

#include <algorithm>

TextLengthLimit::TextLengthLimit(int limit, QLineEdit *box)
    : QValidator(box)
    , m_box(box)
    , m_limit(limit)
    , m_allowed(limit)
{
    box->setValidator(this);
    connect(box, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_allowed = std::max(m_limit, characters(text)); });
    connect(box, &QLineEdit::textChanged, this, [this](const QString &text) { m_before = text; });
}

void TextLengthLimit::load(const QString &text)
{
    m_allowed = std::max(m_limit, characters(text));
    // The box's own limit counts UTF-16 units; it only has to make room for the whole text.
    m_box->setMaxLength(std::max(m_box->maxLength(), int(text.size())));
    m_box->setText(text);
}

int TextLengthLimit::characters(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QValidator::State TextLengthLimit::validate(QString &input, int &pos) const
{
    int over = characters(input) - m_allowed;
    if (over <= 0)
        return Acceptable;
    // What was just typed or pasted ends at the cursor and starts where the text first differs
    // from before. A character typed is refused whole, which the box takes back by its own undo;
    // a text it changed here would start its undo afresh.
    qsizetype start = 0;
    const qsizetype shared = std::min<qsizetype>(pos, m_before.size());
    while (start < shared && input.at(start) == m_before.at(start))
        ++start;
    if (characters(input.mid(start, pos - start)) <= 1)
        return Invalid;
    // As much of it as is too much goes.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, input);
    finder.setPosition(pos);
    int from = pos;
    while (over > 0 && finder.toPreviousBoundary() >= 0) {
        from = finder.position();
        --over;
    }
    input.remove(from, pos - from);
    pos = from;
    return over > 0 ? Invalid : Acceptable;
}
