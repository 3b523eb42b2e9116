#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

// Reads rich text (RTF) into a QTextDocument: the subset that word processors and simple editors
// write for a manual (fonts, colours, bold, italic, underline, sizes, alignment, indents, lists,
// code-page and Unicode characters). Anything it does not know is skipped, never shown.
//
// The reader is iterative: groups live on a heap stack with a fixed depth, so a damaged or hostile
// file yields what can be read in time proportional to its size.
class RtfReader final
{
public:
    // Deepest group nesting whose formatting is kept; deeper groups are still matched.
    static constexpr int MaxDepth = 200;

    // Replaces the document's content. Returns false, leaving the document empty, when the data
    // does not start as RTF ("{\rtf").
    static bool read(const QByteArray &rtf, QTextDocument *document);

    // Reads a file; false when it cannot be opened or is not RTF.
    static bool readFile(const QString &path, QTextDocument *document);

private:
    RtfReader() = delete;
};
