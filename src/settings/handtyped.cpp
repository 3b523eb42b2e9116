#include "handtyped.h"

#include "settingsconversion.h"

#include <QList>

#include <limits>

namespace {

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

// The quote that closes a value wrapped whole in quotes: the first one with nothing but blanks
// or a comment after it (a comment may hold quotes of its own). -1 where the value does not begin
// with a quote.
qsizetype wrapEnd(const QByteArray &line, qsizetype first)
{
    if (first >= line.size() || line.at(first) != '"')
        return -1;
    qsizetype backslashes = 0;
    for (qsizetype i = first + 1; i < line.size(); ++i) {
        // A quote after an odd number of backslashes is escaped; after an even one, the
        // backslashes are.
        const bool escaped = backslashes % 2 != 0;
        backslashes = line.at(i) == '\\' ? backslashes + 1 : 0;
        if (line.at(i) != '"' || escaped)
            continue;
        qsizetype after = i + 1;
        while (after < line.size() && isBlank(line.at(after)))
            ++after;
        if (after == line.size() || line.at(after) == ';')
            return i;
    }
    return -1;
}

// A number as the settings' numbers are read.
bool isNumber(QByteArrayView text)
{
    return SettingsConversion::strictInteger(QString::fromLatin1(text),
                                             std::numeric_limits<qint64>::min(),
                                             std::numeric_limits<qint64>::max())
            .has_value();
}

// A value not in quotes with a comma in it is read by QSettings as a list, which would come back
// with a blank after each comma, and a semicolon in it starts a comment. A team or file name may
// have either: the value is put in quotes. A semicolon after a blank, or after a number's value,
// still starts a comment, as in "PeriodColor=49152 ; green" or "LEDType=1;dots", the way such notes
// are written.
QByteArray wrappedIfListed(const QByteArray &line, qsizetype from, bool text)
{
    const auto startsNote = [&line, from, text](qsizetype at) {
        return line.at(at) == ';'
                && ((at > from && isBlank(line.at(at - 1)))
                    || (!text && isNumber(QByteArrayView(line).sliced(from, at - from).trimmed())));
    };
    qsizetype end = from;
    while (end < line.size() && !startsNote(end))
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

QByteArray readAsTyped(const QByteArray &line, qsizetype from, bool text)
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
    return last >= 0 ? out : wrappedIfListed(out, from, text);
}

} // namespace

QByteArray HandTyped::escaped(
        const QByteArray &fileText,
        const std::function<bool(const QByteArray &section, const QByteArray &key)> &holdsText)
{
    if (!fileText.contains('"') && !fileText.contains('\\') && !fileText.contains(',')
        && !fileText.contains(';'))
        return fileText;
    QByteArray text = fileText;
    // QSettings leaves out a byte order mark only at the start of the file it reads.
    bool changed = text.startsWith("\xef\xbb\xbf");
    if (changed)
        text.remove(0, 3);
    // QSettings ends a line at a carriage return alone too.
    text.replace("\r\n", "\n").replace('\r', '\n');
    QList<QByteArray> lines = text.split('\n');
    QByteArray section;
    for (QByteArray &line : lines) {
        const QByteArray head = line.trimmed();
        if (head.startsWith('[') && head.contains(']'))
            section = head.mid(1, head.indexOf(']') - 1).trimmed();
        if (head.isEmpty() || head.startsWith(';') || head.startsWith('['))
            continue;
        // A note begun with '#', or a line with no '=': QSettings reads no setting from it, but
        // a quote or a backslash in it would run on into the lines after. It is made a comment.
        const qsizetype equals = line.indexOf('=');
        if (head.startsWith('#') || equals < 0) {
            line.prepend(';');
            changed = true;
            continue;
        }
        const QByteArray typed
                = readAsTyped(line, equals + 1, holdsText(section, line.left(equals).trimmed()));
        if (typed != line) {
            line = typed;
            changed = true;
        }
    }
    return changed ? lines.join('\n') : fileText;
}
