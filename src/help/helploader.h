#pragma once

#include <QString>

#include <functional>
#include <memory>

class QObject;
class QTextDocument;

// Reads the help file into a document away from the board's thread: parsing a large or damaged
// file takes long, and the board's clocks must keep refreshing meanwhile.
class HelpLoader final
{
public:
    // A help file larger than this is refused unread; the manual is tens of kilobytes.
    static constexpr qint64 MaxFileBytes = 8 * 1024 * 1024;
    // Longest paragraph kept whole. Qt lays out a paragraph in one piece on the board's thread;
    // a longer run of text (only a damaged file has one) is cut into paragraphs of this length.
    static constexpr int MaxParagraphLength = 4096;

    // Shown in place of a help file too large to show, naming its size.
    static QString tooLargeText(qint64 bytes);
    // Shown in place of a help file that holds no text: emptied, or cut off before its first
    // words.
    static const QString EmptyFileText;

    // Reads the file into a new document, on any thread: rich text with its formatting, anything
    // else as plain text, and tooLargeText for a file over MaxFileBytes (it may have grown since
    // it was looked at), and EmptyFileText for a file with no text. A file that cannot be read
    // gives an empty document, and the system's reason in *error.
    static std::unique_ptr<QTextDocument> read(const QString &path, QString *error = nullptr);

    // Reads the file on a worker thread and hands the document, moved to the receiver's thread, to
    // done there, with its layout paced by a HelpLayoutPacer, and the reason the file could not
    // be read (empty when it could). The document then belongs to done. Nothing is handed to a
    // receiver that is gone.
    static void start(const QString &path, QObject *receiver,
                      std::function<void(QTextDocument *, const QString &error)> done);

private:
    HelpLoader() = delete;
};
