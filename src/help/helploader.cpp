#include "helploader.h"

#include "backgroundwork.h"
#include "helplayoutpacer.h"
#include "rtfreader.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QThread>

#include <cmath>

namespace {

void cutLongParagraphs(QTextDocument *document)
{
    QTextCursor cursor(document);
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // Each break starts a new block, which the loop then comes to and cuts in turn.
        if (block.length() - 1 > HelpLoader::MaxParagraphLength) {
            cursor.setPosition(block.position() + HelpLoader::MaxParagraphLength);
            cursor.insertBlock();
        }
    }
}

// Text in many scripts (a damaged file decodes to any character) sends the first layout looking
// for fonts that have its characters, which takes long. The fonts found are remembered for the
// whole program, so laying out the document's opening here spares the board's thread the search.
void findFallbackFonts(const QTextDocument &document)
{
    QTextLayout opening(document.toPlainText().left(20000), document.defaultFont());
    opening.beginLayout();
    while (opening.createLine().isValid()) { }
    opening.endLayout();
}

bool holdsText(const QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!block.text().trimmed().isEmpty())
            return true;
    }
    return false;
}

} // namespace

const QString HelpLoader::EmptyFileText
        = QStringLiteral("Help file is empty.  Please reinstall the program.");

QString HelpLoader::tooLargeText(qint64 bytes)
{
    // Rounded up, so that a file a byte over the limit does not read as the limit itself.
    const auto megabytes = [](double n) {
        return QString::number(std::ceil(n * 10 / (1024 * 1024)) / 10, 'f', 1);
    };
    return QStringLiteral("Help file is too large to show (%1 MB; the largest shown is %2 MB).  "
                          "Please reinstall the program.")
            .arg(megabytes(double(bytes)), megabytes(double(MaxFileBytes)));
}

std::unique_ptr<QTextDocument> HelpLoader::read(const QString &path, QString *error)
{
    auto document = std::make_unique<QTextDocument>();
    QFile file(path);
    const QByteArray data
            = file.open(QIODevice::ReadOnly) ? file.read(MaxFileBytes + 1) : QByteArray();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return document;
    }
    if (data.size() > MaxFileBytes) {
        document->setPlainText(tooLargeText(file.size()));
        return document;
    }
    // Nobody undoes the manual. Inside one edit block the cursors that write it keep no
    // paragraph layouts, which the box would otherwise clear one by one at each new width.
    document->setUndoRedoEnabled(false);
    QTextCursor edit(document.get());
    edit.beginEditBlock();
    // Not rich text after all: show what the file says rather than nothing.
    if (!RtfReader::read(data, document.get()))
        document->setPlainText(QString::fromUtf8(data));
    cutLongParagraphs(document.get());
    edit.endEditBlock();
    // An empty window would look as if help were still coming.
    if (!holdsText(*document))
        document->setPlainText(EmptyFileText);
    return document;
}

void HelpLoader::start(const QString &path, QObject *receiver,
                       std::function<void(QTextDocument *, const QString &error)> done)
{
    QPointer<QObject> target(receiver);
    QThread *targetThread = receiver->thread();
    BackgroundWork::start([path, target, targetThread, done = std::move(done)] {
        QString error;
        QTextDocument *document = read(path, &error).release();
        // Made here, the layout and its pacer move with the document: the board's thread is
        // spared building them.
        document->documentLayout();
        new HelpLayoutPacer(document);
        findFallbackFonts(*document);
        document->moveToThread(targetThread);
        // The receiver may go while the file is read; the application outlives the reading
        // thread, so the hand-over is queued there and looks for the receiver on arrival.
        QCoreApplication *application = QCoreApplication::instance();
        if (!application) { // the program is ending
            delete document;
            return;
        }
        QMetaObject::invokeMethod(
                application,
                [target, document, done, error] {
                    if (target)
                        done(document, error);
                    else
                        delete document;
                },
                Qt::QueuedConnection);
    });
}
