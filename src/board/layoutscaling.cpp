#include "layoutscaling.h"

#include "latebinding.h"
#include "twips.h"

#include <QHash>
#include <QLoggingCategory>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcLayout, "corvanta.layout")

namespace {

// One recorded widget. Every dimension is a whole number in the window's units (twips; points for
// the font; pixels for a border); 0 means the member is not recorded for this type and is never
// set. LightSpacing is stored 15 above the widget's value so that a spacing of 0 is recorded.
struct ControlLayout
{
    QPointer<QObject> control;
    qint16 Left = 0;
    qint16 Top = 0;
    qint16 Height = 0;
    qint16 Width = 0;
    qint16 FontSize = 0;
    qint16 BorderWidth = 0;
    qint16 LightDiameter = 0;
    qint16 LightSpacing = 0;
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

double readNumber(const QObject *control, const char *member)
{
    const QVariant value = LateBinding::get(control, member);
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (value.isValid() && !ok)
        qCWarning(lcLayout, "%s of \"%s\" is not a number", member,
                  qPrintable(control->objectName()));
    return ok ? number : 0;
}

bool inWindowItself(const QObject *control, const QWidget *window)
{
    return LateBinding::get(control, "Container").value<QWidget *>() == window;
}

// Fills a record from the widget's members. A widget that turns up after the window has been
// scaled is taken back through that scaling, so that its record is in design units like the rest.
bool recordControl(QObject *control, const QWidget *window, const Placement &placement,
                   ControlLayout &record)
{
    const QByteArray type = control->metaObject()->className();
    const double scale = placement.scale > 0 ? placement.scale : 1;
    const auto design = [&](const char *member) {
        return toInt16(readNumber(control, member) / scale, control, member);
    };

    if (type == "LEDDisplay") {
        record.LightDiameter = design("LightDiameter");
        record.LightSpacing = toInt16(readNumber(control, "LightSpacing") / scale + 15, control,
                                      "LightSpacing");
    } else if (type == "Facetra") {
        record.Size = design("Size");
    } else if (type == "NumberLED" || type == "TimeLED") {
        record.Size = design("Size");
        record.PaddingH = design("PaddingH");
        record.PaddingV = design("PaddingV");
        record.PaddingI = design("PaddingI");
        if (type == "TimeLED")
            record.PaddingD = design("PaddingD");
    } else if (type == "PictureBox" || type == "Image" || type == "Label" || type == "Shape") {
        record.Height = design("Height");
        record.Width = design("Width");
        if (type == "Label")
            record.FontSize = design("FontSize");
        else if (type == "Shape")
            record.BorderWidth = design("BorderWidth");
    } else {
        return false;
    }

    const bool offset = inWindowItself(control, window);
    record.control = control;
    record.Left = toInt16((readNumber(control, "Left") - (offset ? placement.offsetX : 0)) / scale,
                          control, "Left");
    record.Top = toInt16((readNumber(control, "Top") - (offset ? placement.offsetY : 0)) / scale,
                         control, "Top");
    return true;
}

void recordNewControls(QWidget *window, WindowLayout &layout)
{
    QSet<const QObject *> known;
    for (const ControlLayout &record : std::as_const(layout.saved))
        known.insert(record.control.data());
    for (QObject *control : LateBinding::controls(window)) {
        if (known.contains(control))
            continue;
        ControlLayout record;
        if (recordControl(control, window, layout.placement, record))
            layout.saved.append(record);
    }
}

void applyRecord(const ControlLayout &record, const QWidget *window, const Placement &placement)
{
    QObject *control = record.control.data();
    if (!control)
        return;
    const double scale = placement.scale;
    const bool offset = inWindowItself(control, window);
    LateBinding::set(control, "Left", record.Left * scale + (offset ? placement.offsetX : 0));
    LateBinding::set(control, "Top", record.Top * scale + (offset ? placement.offsetY : 0));

    const auto scaled = [&](const char *member, qint16 value) {
        if (value != 0)
            LateBinding::set(control, member, AtLeastOne(value * scale));
    };
    scaled("Width", record.Width);
    scaled("Height", record.Height);
    scaled("FontSize", record.FontSize);
    scaled("BorderWidth", record.BorderWidth);
    scaled("LightDiameter", record.LightDiameter);
    // The spacing alone is clamped before it is scaled: a spacing of 0 becomes one unit of scale.
    if (record.LightSpacing != 0)
        LateBinding::set(control, "LightSpacing", AtLeastOne(record.LightSpacing - 15) * scale);
    scaled("Size", record.Size);
    scaled("PaddingH", record.PaddingH);
    scaled("PaddingV", record.PaddingV);
    scaled("PaddingI", record.PaddingI);
    scaled("PaddingD", record.PaddingD);
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
    for (QObject *control : LateBinding::controls(window)) {
        const QByteArray type = control->metaObject()->className();
        if (type == "TimeLED" || type == "NumberLED" || type == "Facetra")
            LateBinding::set(control, "LedType", ledType);
    }
}

double AtLeastOne(double x)
{
    return x >= 1 ? x : 1;
}
