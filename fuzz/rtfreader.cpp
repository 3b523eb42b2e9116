// Rich text of any shape read into a document: the reader never crashes, never hangs, and
// leaves the document empty when it refuses the data.

#include "rtfreader.h"
#include "fuzzcheck.h"

#include <QGuiApplication>
#include <QTextDocument>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Fonts need a GUI application; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray rtf(reinterpret_cast<const char *>(data), qsizetype(size));
    // Most inputs are given the header, so that the fuzzer spends its time past it.
    if (!rtf.isEmpty() && (rtf.front() & 1) == 0)
        rtf = QByteArrayLiteral("{\\rtf1 ") + rtf.mid(1);
    QTextDocument document;
    document.setPlainText(QStringLiteral("left from before"));
    const bool read = RtfReader::read(rtf, &document);
    if (!read)
        FUZZ_CHECK(document.isEmpty());
    FUZZ_CHECK(read || !rtf.startsWith("{\\rtf"));
    (void)document.toPlainText();
    return 0;
}
