#pragma once

#include <QByteArray>

// QSettings lets a quoted text run on over line ends, so one '"' typed by hand into a value (an
// inch mark, a Hebrew abbreviation) takes every line after it into that value, and the settings on
// those lines fall back to their defaults without a word. The program never writes a quote that
// is left open at its line's end.
namespace StrayQuotes {

// The file's text with the quotes of every value left open at its line's end escaped, so that
// each reads as the character typed; a value wrapped whole in quotes keeps the outer pair. Lines
// whose quotes close are left as they are. Returns the text itself when no line needs this.
QByteArray escaped(const QByteArray &fileText);

} // namespace StrayQuotes
