#include "strayquotes.h"

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

// Whether the value from `from` on leaves a quote open at the line's end, as QSettings reads it: a
// backslash escapes the character after it, and a ';' outside quotes begins a comment.
bool leavesQuoteOpen(const QByteArray &line, qsizetype from)
{
    bool inQuotes = false;
    for (qsizetype i = from; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '\\')
            ++i;
        else if (c == '"')
            inQuotes = !inQuotes;
        else if (c == ';' && !inQuotes)
            return false;
    }
    return inQuotes;
}

QByteArray withQuotesEscaped(const QByteArray &line, qsizetype from)
{
    // The outer pair of a value wrapped whole in quotes stays, with the text between them read
    // as typed.
    qsizetype first = from;
    while (first < line.size() && (line.at(first) == ' ' || line.at(first) == '\t'))
        ++first;
    qsizetype last = line.size() - 1;
    while (last > first && (line.at(last) == ' ' || line.at(last) == '\t' || line.at(last) == '\r'))
        --last;
    const bool wrapped = last > first && line.at(first) == '"' && line.at(last) == '"';

    QByteArray out = line.left(from);
    for (qsizetype i = from; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '\\' && i + 1 < line.size()) {
            out += c;
            out += line.at(++i);
            continue;
        }
        if (c == '"' && !(wrapped && (i == first || i == last)))
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

QByteArray StrayQuotes::escaped(const QByteArray &fileText)
{
    if (!fileText.contains('"'))
        return fileText;
    QList<QByteArray> lines = fileText.split('\n');
    bool changed = false;
    for (QByteArray &line : lines) {
        const qsizetype from = valueStart(line);
        if (from < 0 || !leavesQuoteOpen(line, from))
            continue;
        line = withQuotesEscaped(line, from);
        changed = true;
    }
    return changed ? lines.join('\n') : fileText;
}
