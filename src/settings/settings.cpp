#include "settings.h"

Settings &Settings::instance()
{
    static Settings settings;
    return settings;
}

void Settings::setValue(const SettingsModel &value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit changed(m_value);
}
