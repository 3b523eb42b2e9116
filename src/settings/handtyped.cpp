#include "handtyped.h"

#include <QList>

namespace {

// Where a line's value begins: after the first '=' of a line that is neither a section nor a
// comment, or -1.
qsizetype valueStart(const QByteArray &line)
{
    const QByteArray head = line.trimmed();
    if (head.isEmpty() || head.startsWith(';') || head.startsWith('#') || head.startsWith('['))
        return -1;
    const qsizetype equals = line.indexOf('=');
    return equals < 0 ? -1 : equals + 1;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The characters QSettings reads after a backslash as an escape: \a \b \f \n \r \t \v \' \" \?
// \\, \x and hexadecimal digits, and octal digits.
bool startsEscape(char c)
{
    return QByteArrayView("abfnrtv'\"?\\x01234567").contains(c);
}

// The quote that closes a value wrapped whole in quotes: the last one, with nothing but blanks or
// a comment after it. -1 where the value does not begin with a quote.
qsizetype wrapEnd(const QByteArray &line, qsizetype first)
{
    if (first >= line.size() || line.at(first) != '"')
        return -1;
    for (qsizetype i = line.size() - 1; i > first; --i) {
        // A quote after an odd number of backslashes is escaped; after an even one, the
        // backslashes are.
        qsizetype backslashes = 0;
        while (i - 1 - backslashes > first && line.at(i - 1 - backslashes) == '\\')
            ++backslashes;
        if (line.at(i) != '"' || backslashes % 2 != 0)
            continue;
        qsizetype after = i + 1;
        while (after < line.size() && isBlank(line.at(after)))
            ++after;
        if (after == line.size() || line.at(after) == ';')
            return i;
    }
    return -1;
}

// A value not in quotes with a comma in it is read by QSettings as a list, which would come back
// with a blank after each comma, and a semicolon in it starts a comment. A team or file name may
// have either: the value is put in quotes. A semicolon after a blank still starts a comment, as in
// "PeriodColor=49152 ; green", the way such notes are written.
QByteArray wrappedIfListed(const QByteArray &line, qsizetype from)
{
    qsizetype end = from;
    while (end < line.size() && !(line.at(end) == ';' && end > from && isBlank(line.at(end - 1))))
        ++end;
    qsizetype first = from;
    while (first < end && isBlank(line.at(first)))
        ++first;
    qsizetype stop = end;
    while (stop > first && isBlank(line.at(stop - 1)))
        --stop;
    const QByteArrayView value = QByteArrayView(line).sliced(first, stop - first);
    if (!value.contains(',') && !value.contains(';'))
        return line;
    return line.left(first) + '"' + value.toByteArray() + '"' + line.mid(stop);
}

QByteArray readAsTyped(const QByteArray &line, qsizetype from)
{
    qsizetype first = from;
    while (first < line.size() && isBlank(line.at(first)))
        ++first;
    const qsizetype last = wrapEnd(line, first);

    QByteArray out = line.left(from);
    for (qsizetype i = from; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '\\') {
            if (i + 1 < line.size() && startsEscape(line.at(i + 1))) {
                out += c;
                out += line.at(++i);
            } else {
                out += "\\\\";
            }
            continue;
        }
        if (c == '"' && i != last && !(last >= 0 && i == first))
            out += '\\';
        out += c;
    }
    return last >= 0 ? out : wrappedIfListed(out, from);
}

} // namespace

QByteArray HandTyped::escaped(const QByteArray &fileText)
{
    if (!fileText.contains('"') && !fileText.contains('\\') && !fileText.contains(',')
        && !fileText.contains(';'))
        return fileText;
    QList<QByteArray> lines = fileText.split('\n');
    bool changed = false;
    for (QByteArray &line : lines) {
        const qsizetype from = valueStart(line);
        if (from < 0)
            continue;
        const bool crlf = line.endsWith('\r');
        const QByteArray text = crlf ? line.chopped(1) : line;
        const QByteArray typed = readAsTyped(text, from);
        if (typed != text) {
            line = crlf ? typed + '\r' : typed;
            changed = true;
        }
    }
    return changed ? lines.join('\n') : fileText;
}
