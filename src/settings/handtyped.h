#pragma once

#include <QByteArray>

#include <functional>

// Values typed into the settings file by hand, read as they were typed.
//
// QSettings takes a '"' for the start or end of a quoted text, which may run on over line ends,
// and a '\' for an escape, which at a line's end joins the next line on. So one quote mark typed
// into a name (an inch mark, a Hebrew abbreviation) took every line after it into that name, a
// pair of them vanished, and "AC\DC" lost its letters; the settings on the lines taken fell back
// to their defaults without a word. A comma made a list of a value, read back with a blank after
// each comma, and a semicolon cut a name short. The program itself writes quotes only around a
// whole value, and no backslash but a known escape.
namespace HandTyped {

// The file's text with every quote mark of a value escaped but a pair around the whole value,
// every backslash doubled that starts no escape QSettings knows or ends its line, and a value
// with a comma or a semicolon put in quotes (a semicolon after a blank still starts a comment).
// A line begun with '#', or with no '=', is made a comment; every line ends in a line feed, and a
// UTF-8 byte order mark before the first line is left out.
// Comments, section lines and lines that need none of this are left as they are.
// holdsText(section, key) tells the keys whose value is a text: there a semicolon right after a
// number is part of the text ("2024;25 Season"), where after a number's value it starts a note.
QByteArray
escaped(const QByteArray &fileText,
        const std::function<bool(const QByteArray &section, const QByteArray &key)> &holdsText);

} // namespace HandTyped
