#pragma once

#include <QString>
#include <QtGlobal>

// What the scoreboard does to NumLock; stored as its number. A number a hand edit left outside
// these is kept as it is: the Options window then offers none of the three and keeps it.
enum class NumLockMode : qint32 {
    Normal = 0, // left to the operator
    KeepOn = 1,
    KeepOff = 2,
};

// The operator's configuration. One field per key of the settings store, named after its key.
// Colours are platform colours in 0x00BBGGRR order; key codes are virtual-key codes.
struct SettingsModel
{
    // ColorSettings
    qint32 TimeColor = 0;
    qint32 LEDBack = 0;
    qint32 ScoreColor = 0;
    qint32 PeriodColor = 0;
    qint32 FormBack = 0;
    qint32 LEDSelected = 0;
    qint32 BorderColor = 0;
    qint32 HomeColor = 0;
    qint32 VisitorColor = 0;
    qint16 LEDSelectedWidth = 0;

    // KeySettings
    qint16 StartStopJamClockKey = 0;
    qint16 ResetJamClockKey = 0;
    qint16 StartStopPeriodClockKey = 0;
    qint16 ResetPeriodClockKey = 0;
    qint16 ClockSwitchKey = 0;
    qint16 SepTimeKey = 0;
    qint16 ClearKey = 0;
    qint16 BuzzerKey = 0;
    qint16 PeriodEndSoundKey = 0;
    qint16 PenaltyIncrementSecKey = 0;
    QString BuzzerFile;
    QString PeriodEndSoundFile;
    qint16 PenaltyIncrementSec = 0;
    // The two check boxes, stored as "1" or "0"; on only when the stored number is 1.
    bool SuppressPeriodSound = false;
    bool JoinJamPenalty = false;
    NumLockMode NumLockForce = NumLockMode::Normal;
    QString IsKeyCode;

    // TextSettings
    QString TitleText;
    QString HomeText;
    QString VisitorText;

    // PicSettings
    QString HomePic;
    QString VisitorPic;
    QString BoardPic;
    qint16 LEDType = 0; // 0 lines, 1 dots

    // BoutSettings: added after the first four sections, which older files and readers know.
    qint16 NewBoutKey = 0; // 0 when no key is assigned

    // ScreenSettings
    QString AudienceScreen; // the audience board's screen by the name Qt gives it; empty: none
    qint16 AudienceBoardKey = 0; // shows and hides the audience board; 0: no key

    // FeedSettings: the live feed for browsers on this PC or the venue's network.
    quint16 FeedPort = 0; // 0: off
    QString FeedListen; // "network": every interface; anything else the loopback address only

    // GameSettings: the game flow of a sanctioned bout and its keys (0: no key).
    qint16 HomeTimeoutKey = 0;
    qint16 VisitorTimeoutKey = 0;
    qint16 OfficialTimeoutKey = 0;
    qint16 HomeReviewKey = 0;
    qint16 VisitorReviewKey = 0;
    qint16 UndoKey = 0;
    bool GameFlow = false;
    qint16 LineupSeconds = 0;
    qint16 TeamTimeoutSeconds = 0;
    qint16 TeamTimeouts = 0; // per team per game
    qint16 OfficialReviews = 0; // per team per period
    qint16 HalftimeSeconds = 0;
    qint16 Periods = 0;

    bool operator==(const SettingsModel &) const = default;
};

// The program-wide settings as they stand: Settings::instance().value().
const SettingsModel &settings();
