#pragma once

#include "settingsmodel.h"

#include <QObject>

// The operator's settings for the run: one value, replaced whole, that says when it changes.
// LoadSettings() fills it at start and the Options window hands it its edited copy on OK; the bout,
// the boards and the journal follow changed() instead of reading it again at every tick.
class Settings final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Settings)

public:
    // The one the program runs on.
    static Settings &instance();

    const SettingsModel &value() const { return m_value; }
    // Emits changed() once, when the new value differs from the one held.
    void setValue(const SettingsModel &value);
    // Sets the value with the change applied to a copy.
    template<typename Change>
    void edit(Change &&change)
    {
        SettingsModel copy = m_value;
        change(copy);
        setValue(copy);
    }

signals:
    void changed(const SettingsModel &value);

private:
    Settings() = default;

    SettingsModel m_value;
};
