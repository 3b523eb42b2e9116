#pragma once

#include <QList>
#include <QtGlobal>

class QWidget;
class SegmentDisplay;

// Gives an LED display its background and lit colour (0x00BBGGRR; the window passes the settings'
// LEDBack as the background).
void ColorLED(SegmentDisplay *display, qint32 litColor, qint32 backColor);

// Colours the window's plain widgets by type: label text and shape outlines take borderColor,
// picture frames backColor (the window passes the settings' BorderColor and LEDBack). The widgets
// in exclusions are left to the caller, and so are widgets without a name, which are no part of
// the design.
void ColorFormControls(QWidget *window, const QList<QWidget *> &exclusions, qint32 borderColor,
                       qint32 backColor);
