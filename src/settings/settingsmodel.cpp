#include "settingsmodel.h"

#include "settings.h"

const SettingsModel &settings()
{
    return Settings::instance().value();
}
