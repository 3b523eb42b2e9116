#pragma once

#include <QList>
#include <QtGlobal>

class QObject;
class QWidget;

// Gives an LED display its background and lit colour (0x00BBGGRR; the window passes the settings'
// LEDBack as the background). A group of displays (an object with a "Count" member, whose members
// are reached through its invokable "Item(int)") has every member coloured alike.
void ColorLED(QObject *widget, qint32 litColor, qint32 backColor);

// Colours the window's plain widgets by type: label text and shape outlines take borderColor,
// picture frames backColor (the window passes the settings' BorderColor and LEDBack). The widgets
// named in exclusions are left to the caller; names are compared whole and case-sensitively.
void ColorFormControls(QWidget *window, const QList<QWidget *> &exclusions, qint32 borderColor,
                       qint32 backColor);
