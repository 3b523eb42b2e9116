#pragma once

#include <QString>
#include <QStringList>

// Moves a journal that cannot be used out of the way, under a new name beside it that no file
// has yet: bout-journal.unusable-20261207-182312.sqlite, numbered after the first of a second.
// The log of its write-ahead logging holds changes not yet in the file, so the two move together
// or not at all; the log's index is rebuilt from the log and need not survive. Returns where the
// journal went, or an empty string when it stays where it is.
QString setJournalAside(const QString &path);

// Clears the place of a journal's companion (its log, ending -wal, or the log's index, -shm):
// anything but a file or link there, a folder say, keeps SQLite from opening the journal and is
// moved aside under a name as above with the same ending, given in aside. A file or link is the
// journal's own and stays, unless the journal was lost and is written afresh. False when the
// place cannot be cleared.
// Does so for both, and gives the names of what was moved aside; cleared, if given, tells whether
// both places are clear.
QStringList clearCompanions(const QString &path, bool lost, bool *cleared = nullptr);

// Whether what stands at the path can be opened as a journal: nothing, an empty file, or a file
// that SQLite wrote. A folder, a device, a pipe or a file of another kind cannot.
bool canHoldJournal(const QString &path);
