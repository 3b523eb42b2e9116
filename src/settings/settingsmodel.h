#pragma once

#include <QString>
#include <QtGlobal>

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
    qint16 SuppressPeriodSound = 0; // on only when 1
    qint16 JoinJamPenalty = 0; // on only when 1
    qint32 NumLockForce = 0; // 0 normal, 1 keep on, 2 keep off
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

    bool operator==(const SettingsModel &) const = default;
};

// The program-wide model that every window reads. Filled once by LoadSettings() at start and
// changed only when the Options window commits.
SettingsModel &settings();
