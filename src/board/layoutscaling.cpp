#include "layoutscaling.h"

#include "boardwidget.h"
#include "facetra.h"
#include "label.h"
#include "shape.h"
#include "timeled.h"
#include "twips.h"

#include <QHash>
#include <QLoggingCategory>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcLayout, "corvanta.layout")

namespace {

// One recorded widget. Every dimension is a whole number in the window's units (twips; points for
// the font; pixels for a border and a digit); 0 means the member is not recorded for this type and
// is never set.
struct ControlLayout
{
    QPointer<BoardWidget> control;
    qint16 Left = 0;
    qint16 Top = 0;
    qint16 Height = 0;
    qint16 Width = 0;
    qint16 FontSize = 0;
    qint16 BorderWidth = 0;
    qint16 Size = 0;
    qint16 PaddingD = 0;
    qint16 PaddingI = 0;
    qint16 PaddingH = 0;
    qint16 PaddingV = 0;
};

// How the last StretchLayout placed the design in the window.
struct Placement
{
    double scale = 1;
    double offsetX = 0;
    double offsetY = 0;
};

struct WindowLayout
{
    QList<ControlLayout> saved;
    qint16 baseScaleHeight = 0;
    qint16 baseScaleWidth = 0;
    Placement placement;
};

QHash<const QWidget *, WindowLayout> &windowLayouts()
{
    static QHash<const QWidget *, WindowLayout> layouts;
    return layouts;
}

// Rounds to the nearest whole number, ties to even, into 16 bits.
qint16 toInt16(double value, const QObject *control, const char *member)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<qint16>::min()
          && rounded <= std::numeric_limits<qint16>::max())) {
        qCWarning(lcLayout, "%s of \"%s\" is out of range: %g", member,
                  qPrintable(control->objectName()), value);
        if (std::isnan(rounded))
            return 0;
        return rounded > 0 ? std::numeric_limits<qint16>::max()
                           : std::numeric_limits<qint16>::min();
    }
    return qint16(rounded);
}

bool inWindowItself(const BoardWidget *control, const QWidget *window)
{
    return control->Container() == window;
}

// An integer member set from a scaled measure, rounded half away from zero.
int toInt(double value)
{
    return qRound(std::clamp(value, double(std::numeric_limits<int>::min()),
                             double(std::numeric_limits<int>::max())));
}

// Fills a record from the widget's members. A widget that turns up after the window has been
// scaled is taken back through that scaling, so that its record is in design units like the rest.
void recordControl(BoardWidget *control, const QWidget *window, const Placement &placement,
                   ControlLayout &record)
{
    const double scale = placement.scale > 0 ? placement.scale : 1;
    const auto design = [&](double value, const char *member) {
        return toInt16(value / scale, control, member);
    };

    if (auto *preview = qobject_cast<Facetra *>(control)) {
        record.Size = design(preview->Size(), "Size");
    } else if (auto *display = qobject_cast<SegmentDisplay *>(control)) {
        record.Size = design(display->Size(), "Size");
        record.PaddingH = design(display->PaddingH(), "PaddingH");
        record.PaddingV = design(display->PaddingV(), "PaddingV");
        record.PaddingI = design(display->PaddingI(), "PaddingI");
        if (auto *clock = qobject_cast<TimeLED *>(control))
            record.PaddingD = design(clock->PaddingD(), "PaddingD");
    } else {
        // Labels, shapes, picture frames and images.
        record.Height = design(control->Height(), "Height");
        record.Width = design(control->Width(), "Width");
        if (auto *label = qobject_cast<Label *>(control))
            record.FontSize = design(label->FontSize(), "FontSize");
        else if (auto *shape = qobject_cast<Shape *>(control))
            record.BorderWidth = design(shape->BorderWidth(), "BorderWidth");
    }

    const bool offset = inWindowItself(control, window);
    record.control = control;
    record.Left = toInt16((control->Left() - (offset ? placement.offsetX : 0)) / scale, control,
                          "Left");
    record.Top
            = toInt16((control->Top() - (offset ? placement.offsetY : 0)) / scale, control, "Top");
}

void recordNewControls(QWidget *window, WindowLayout &layout)
{
    QSet<const QObject *> known;
    for (const ControlLayout &record : std::as_const(layout.saved))
        known.insert(record.control.data());
    for (BoardWidget *control : BoardWidget::laidOutIn(window)) {
        if (known.contains(control))
            continue;
        ControlLayout record;
        recordControl(control, window, layout.placement, record);
        layout.saved.append(record);
    }
}

void applyRecord(const ControlLayout &record, const QWidget *window, const Placement &placement)
{
    BoardWidget *control = record.control.data();
    if (!control)
        return;
    const double scale = placement.scale;
    const bool offset = inWindowItself(control, window);
    control->holdGeometry(true);
    control->setLeft(record.Left * scale + (offset ? placement.offsetX : 0));
    control->setTop(record.Top * scale + (offset ? placement.offsetY : 0));

    // A recorded member is scaled and kept at least one unit; one not recorded is left alone.
    const auto scaled = [scale](qint16 value, auto set) {
        if (value != 0)
            set(AtLeastOne(value * scale));
    };
    scaled(record.Width, [control](double value) { control->setWidth(value); });
    scaled(record.Height, [control](double value) { control->setHeight(value); });
    if (auto *label = qobject_cast<Label *>(control))
        scaled(record.FontSize, [label](double value) { label->setFontSize(value); });
    if (auto *shape = qobject_cast<Shape *>(control))
        scaled(record.BorderWidth, [shape](double value) { shape->setBorderWidth(value); });
    if (auto *preview = qobject_cast<Facetra *>(control))
        scaled(record.Size, [preview](double value) { preview->setSize(toInt(value)); });
    if (auto *display = qobject_cast<SegmentDisplay *>(control)) {
        scaled(record.Size, [display](double value) { display->setSize(toInt(value)); });
        scaled(record.PaddingH, [display](double value) { display->setPaddingH(toInt(value)); });
        scaled(record.PaddingV, [display](double value) { display->setPaddingV(toInt(value)); });
        scaled(record.PaddingI, [display](double value) { display->setPaddingI(toInt(value)); });
    }
    if (auto *clock = qobject_cast<TimeLED *>(control))
        scaled(record.PaddingD, [clock](double value) { clock->setPaddingD(toInt(value)); });
    control->holdGeometry(false);
}

} // namespace

void SaveLayout(QWidget *window)
{
    auto &layouts = windowLayouts();
    auto existing = layouts.find(window);
    if (existing != layouts.end()) {
        // Recorded before: re-recording the scaled geometry would bake its centring margins and
        // rounding into the design, and a re-record in a tiny window would collapse it for good.
        WindowLayout &layout = existing.value();
        layout.saved.removeIf([](const ControlLayout &record) { return record.control.isNull(); });
        recordNewControls(window, layout);
        return;
    }

    WindowLayout layout;
    layout.baseScaleHeight = toInt16(window->height() * Twips::perPixel, window, "Height");
    layout.baseScaleWidth = toInt16(window->width() * Twips::perPixel, window, "Width");
    recordNewControls(window, layout);
    layouts.insert(window, layout);
    QObject::connect(window, &QObject::destroyed, [window] { windowLayouts().remove(window); });
}

void SaveDesignedLayout(QWidget *window, int widthTwips, int heightTwips)
{
    auto &layouts = windowLayouts();
    const bool known = layouts.contains(window);
    WindowLayout layout;
    layout.baseScaleHeight = toInt16(heightTwips, window, "Height");
    layout.baseScaleWidth = toInt16(widthTwips, window, "Width");
    recordNewControls(window, layout);
    layouts.insert(window, layout);
    if (!known)
        QObject::connect(window, &QObject::destroyed, [window] { windowLayouts().remove(window); });
}

void StretchLayout(QWidget *window)
{
    if (window->isMinimized())
        return;
    auto found = windowLayouts().find(window);
    if (found == windowLayouts().end() || found->baseScaleHeight <= 0
        || found->baseScaleWidth <= 0) {
        qCWarning(lcLayout, "\"%s\" is scaled before its layout is recorded",
                  qPrintable(window->objectName()));
        return;
    }
    WindowLayout &layout = found.value();

    const bool painting = window->updatesEnabled();
    window->setUpdatesEnabled(false);

    const double innerHeight = window->height() * Twips::perPixel;
    const double innerWidth = window->width() * Twips::perPixel;
    // The ratios are compared in single precision; the scale itself is taken in double.
    const float ratioH = float(innerHeight) / float(layout.baseScaleHeight);
    const float ratioW = float(innerWidth) / float(layout.baseScaleWidth);
    Placement placement;
    if (ratioW >= ratioH) {
        placement.scale = innerHeight / layout.baseScaleHeight;
        placement.offsetX
                = std::nearbyint((innerWidth - layout.baseScaleWidth * placement.scale) / 2);
    } else {
        placement.scale = innerWidth / layout.baseScaleWidth;
        placement.offsetY
                = std::nearbyint((innerHeight - layout.baseScaleHeight * placement.scale) / 2);
    }

    for (const ControlLayout &record : std::as_const(layout.saved))
        applyRecord(record, window, placement);
    layout.placement = placement;

    window->setUpdatesEnabled(painting);
}

void SetLEDType(QWidget *window, int ledType)
{
    for (BoardWidget *control : BoardWidget::laidOutIn(window)) {
        if (auto *display = qobject_cast<SegmentDisplay *>(control))
            display->setLedType(ledType);
        else if (auto *preview = qobject_cast<Facetra *>(control))
            preview->setLedType(ledType);
    }
}

double AtLeastOne(double x)
{
    return x >= 1 ? x : 1;
}
