#include "colortable.h"

namespace {

using M = SettingsModel;

constexpr qint32 kFormBack = 0x00404040; // dark grey
constexpr qint32 kWhite = 0x00FFFFFF;

constexpr ColorTable kColors {{
        {"TimeColor", &M::TimeColor, 0x000080FF}, // orange
        {"LEDBack", &M::LEDBack, 0x00000000},
        {"LEDSelected", &M::LEDSelected, kFormBack},
        {"ScoreColor", &M::ScoreColor, 0x000000FF}, // red
        {"PeriodColor", &M::PeriodColor, 0x0000C000}, // green
        {"FormBack", &M::FormBack, kFormBack},
        {"BorderColor", &M::BorderColor, kWhite},
        {"HomeColor", &M::HomeColor, kWhite},
        {"VisitorColor", &M::VisitorColor, kWhite},
}};

} // namespace

const ColorTable &colorTable()
{
    return kColors;
}
