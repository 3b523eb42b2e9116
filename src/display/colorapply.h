#pragma once

#include <QList>
#include <QtGlobal>

class QObject;
class QWidget;

// Gives an LED display the LED background of the settings and the lit colour (0x00BBGGRR).
// A group of displays (an object with a "Count" member, whose members are reached through its
// invokable "Item(int)") has every member coloured alike.
void ColorLED(QObject *widget, qint32 litColor);

// Colours the window's plain widgets by type from the settings: label text and shape outlines
// take BorderColor, picture frames LEDBack. The widgets named in exclusions are left to the
// caller; names are compared whole and case-sensitively.
void ColorFormControls(QWidget *window, const QList<QWidget *> &exclusions);
