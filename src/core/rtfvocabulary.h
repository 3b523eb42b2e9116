#pragma once

#include <QByteArrayView>
#include <QString>
#include <QTextListFormat>

#include <optional>

// The words and code pages of rich text that the reader looks up: what writers put in their
// control words, and how their bytes decode.
namespace RtfVocabulary {

// Bytes in Windows-1252, the code page of most documents and the default.
QString decodeCp1252(QByteArrayView bytes);

// The code page of a font's \fcharsetN; 0 for the document's own.
int codePageOfCharset(int charset);

// The list style a spelled-out marker ("1.", "a)", a bullet) stands for.
QTextListFormat::Style styleOfMarker(const QString &marker);

// Destinations whose text is never part of the body (style sheets, headers, pictures, ...).
bool isSkippedDestination(QByteArrayView word);

// Control words naming a character (\emdash), an alignment (\qc), the document's character set
// (\ansi) or a paragraph numbering style (\pndec).
std::optional<QChar> symbol(QByteArrayView word);
std::optional<Qt::Alignment> alignment(QByteArrayView word);
std::optional<int> characterSetCodePage(QByteArrayView word);
std::optional<QTextListFormat::Style> numberingStyle(QByteArrayView word);

} // namespace RtfVocabulary
