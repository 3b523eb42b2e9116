// Typed scores and period numbers: character codes typed on a number display, and whole entries
// applied at once. Whatever is typed, the display shows a number within its limits or blank.

#include "digitentry.h"
#include "fuzzcheck.h"

#include <QObject>
#include <QString>
#include <QVariant>

namespace {

// Character codes the entry knows, and two it must ignore; the byte picks one.
constexpr int kCodes[]
        = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '+', '-', 13, 32, 0, -1, '.'};

// The caption is the number shown ("-1" blank): it holds within [min, max] and is not below
// zero, or is what it was; it goes blank only when the clear key was typed.
void checkCaption(const QObject &display, const QString &before, qint16 min, qint16 max,
                  bool cleared)
{
    const QString caption = display.property("Caption").toString();
    if (caption == before)
        return;
    bool ok = false;
    const int shown = caption.toInt(&ok);
    FUZZ_CHECK(ok);
    FUZZ_CHECK(QString::number(shown) == caption);
    if (shown == -1)
        FUZZ_CHECK(cleared);
    else
        FUZZ_CHECK(shown >= min && shown >= 0 && shown <= max);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    // The board's limits: scores to 999, the period number to 9, both blank at -1; and others.
    const uint8_t limits = input.byte();
    const qint16 min = limits & 1 ? -1 : qint16(input.integer<int16_t>() % 1000);
    const qint16 max = limits & 2 ? (limits & 4 ? 9 : 999) : input.integer<int16_t>();
    QObject home;
    home.setObjectName(QStringLiteral("nledHomeScore"));
    home.setProperty("Caption", QStringLiteral("0"));
    QObject period;
    period.setObjectName(QStringLiteral("nledPeriod"));
    period.setProperty("Caption", QStringLiteral("-1"));
    DigitEntry::NumberEntryBuffer() = {};

    if (limits & 8) {
        // One entry applied whole: the rest of the input is its text.
        const QString text = QString::fromUtf8(input.rest(), qsizetype(input.remaining()));
        const QString before = home.property("Caption").toString();
        ApplyNumberEntry(&home, text, min, max);
        checkCaption(home, before, min, max, text.startsWith(QChar(0)));
        return 0;
    }

    while (!input.atEnd()) {
        const uint8_t key = input.byte();
        QObject &display = key & 0x80 ? period : home;
        const int c = kCodes[(key & 0x7f) % std::size(kCodes)];
        const QString before = display.property("Caption").toString();
        NumberKeyEntry(&display, c, min, max);
        checkCaption(display, before, min, max, c == 0);
    }
    return 0;
}
