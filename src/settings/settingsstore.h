#pragma once

#include "settingsmodel.h"

#include <QByteArray>
#include <QString>

#include <stdexcept>

class QSettings;

// A stored value that does not convert to its field. Start-up cannot go on with it.
class SettingsConversionError : public std::runtime_error
{
public:
    SettingsConversionError(const QString &section, const QString &key, const QString &text,
                            const QString &fileName);

    QString section;
    QString key;
    QString text;
    QString fileName;

    // One line for the operator: which key of which file holds what.
    QString message() const;
};

// The per-user store: QSettings in its native format, organisation and application "Corvanta".
QString settingsFileName();

// Reads the store into the program's settings (Settings::instance()), which announce the change.
// Throws SettingsConversionError when a number does not convert; the settings are then left as
// they were. Command keys the board keeps or that two commands share are taken from their
// commands (untangleCommandKeys), in the settings only: the file stays as it is.
void LoadSettings();
// Why the last LoadSettings could not read the settings file that is there (a folder in its
// place, its permissions), which left every setting at its default, or found it damaged (not
// text), which left what it could not read at its default; empty when it read the file or found
// none.
QString SettingsReadProblem();

// Writes every field of the program's settings to the store, replacing the whole file: nothing else
// it held is kept. Returns false, with the reason in *error, when the store could not be written.
bool SaveSettings(QString *error = nullptr);

// The same, on a given store and model. A model partly filled by a failed load must not be used.
void loadSettingsFrom(QSettings &store, SettingsModel &model);
bool saveSettingsTo(const QString &fileName, const SettingsModel &model, QString *error = nullptr);
// The text of a settings file that holds the model and nothing else.
QByteArray settingsFileText(const SettingsModel &model);
