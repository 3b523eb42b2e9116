#include "scalartable.h"

namespace {

using M = SettingsModel;

const ScalarTable kScalars {{
        {"ColorSettings", "LEDSelectedWidth", &M::LEDSelectedWidth, "0"},
        {"KeySettings", "BuzzerFile", &M::BuzzerFile, "buzzer.wav", true},
        {"KeySettings", "PenaltyIncrementSec", &M::PenaltyIncrementSec, "90"},
        {"KeySettings", "PeriodEndSoundFile", &M::PeriodEndSoundFile, "periodendsound.wav", true},
        {"KeySettings", "SuppressPeriodSound", &M::SuppressPeriodSound, "0"},
        {"KeySettings", "JoinJamPenalty", &M::JoinJamPenalty, "1"},
        {"KeySettings", "NumLockForce", &M::NumLockForce, "0"},
        {"KeySettings", "IsKeyCode", &M::IsKeyCode, "No", false, "Yes"},
        {"TextSettings", "TitleText", &M::TitleText, "Home"},
        {"TextSettings", "HomeText", &M::HomeText, "Home"},
        {"TextSettings", "VisitorText", &M::VisitorText, "Visitor"},
        {"PicSettings", "HomePic", &M::HomePic, ""},
        {"PicSettings", "VisitorPic", &M::VisitorPic, ""},
        {"PicSettings", "BoardPic", &M::BoardPic, ""},
        {"PicSettings", "LEDType", &M::LEDType, "0"}, // 0 lines, 1 dots
        // Added after the first four sections, which older files and readers know.
        {"BoutSettings", "NewBoutKey", &M::NewBoutKey, "0"}, // 0: no key
        // The audience board's screen by the name Qt gives it; none by default.
        {"ScreenSettings", "AudienceScreen", &M::AudienceScreen, ""},
        // The live feed: off by default, and on this PC alone until set to "network".
        {"FeedSettings", "FeedPort", &M::FeedPort, "0"},
        {"FeedSettings", "FeedListen", &M::FeedListen, "local"},
        // The game flow: off by default; times in seconds, counts per team.
        {"GameSettings", "GameFlow", &M::GameFlow, "0"},
        {"GameSettings", "LineupSeconds", &M::LineupSeconds, "30", false, nullptr, 1, 5999},
        {"GameSettings", "TeamTimeoutSeconds", &M::TeamTimeoutSeconds, "60", false, nullptr, 1,
         5999},
        {"GameSettings", "TeamTimeouts", &M::TeamTimeouts, "3", false, nullptr, 0, 9},
        {"GameSettings", "OfficialReviews", &M::OfficialReviews, "1", false, nullptr, 0, 9},
        {"GameSettings", "HalftimeSeconds", &M::HalftimeSeconds, "900", false, nullptr, 1, 5999},
        {"GameSettings", "Periods", &M::Periods, "2", false, nullptr, 1, 9},
}};

const std::array<const char *, 8> kSections {"ColorSettings", "KeySettings",  "TextSettings",
                                             "PicSettings",   "BoutSettings", "ScreenSettings",
                                             "FeedSettings",  "GameSettings"};

} // namespace

const ScalarTable &scalarTable()
{
    return kScalars;
}

const std::array<const char *, 8> &settingsSections()
{
    return kSections;
}
