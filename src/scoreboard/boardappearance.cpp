#include "boardappearance.h"

#include "colorapply.h"
#include "label.h"
#include "layoutscaling.h"
#include "numberled.h"
#include "picturebox.h"
#include "picturefit.h"
#include "platformcolor.h"
#include "scoreboarddesign.h"
#include "settingsmodel.h"
#include "shape.h"
#include "timeled.h"

void ApplyBoardLabels(QWidget *window, const ScoreboardUi &ui, const SettingsModel &settings)
{
    window->setWindowTitle(QStringLiteral("Corvanta"));
    ui.lblTitle->setCaption(settings.TitleText);
    ui.lblHomeTeam->setCaption(settings.HomeText);
    ui.lblVisitorTeam->setCaption(settings.VisitorText);
    FitPicture(ui.imgHomePic, ui.picHomePicContainer, settings.HomePic);
    FitPicture(ui.imgVisitorPic, ui.picVisitorPicContainer, settings.VisitorPic);
    FitPicture(ui.imgBoardPic, ui.picBoardPicContainer, settings.BoardPic);
    SetLEDType(window, settings.LEDType);
}

void ApplyBoardColors(QWidget *window, const ScoreboardUi &ui, const SettingsModel &settings)
{
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, PlatformColor::toQColor(settings.FormBack));
    window->setPalette(palette);

    ColorLED(ui.tledPeriod, settings.TimeColor, settings.LEDBack);
    ColorLED(ui.nledHomeScore, settings.ScoreColor, settings.LEDBack);
    ColorLED(ui.nledVisitorScore, settings.ScoreColor, settings.LEDBack);
    ColorLED(ui.nledPeriod, settings.PeriodColor, settings.LEDBack);
    ColorLED(ui.tledJam, settings.TimeColor, settings.LEDBack);
    for (TimeLED *penalty : ui.penalties()) {
        if (penalty)
            ColorLED(penalty, settings.ScoreColor, settings.LEDBack);
    }
    if (ui.nledJamNumber) {
        ColorLED(ui.nledJamNumber, settings.TimeColor, settings.LEDBack);
        for (NumberLED *count : {ui.nledHomeTimeouts, ui.nledHomeReviews, ui.nledVisitorTimeouts,
                                 ui.nledVisitorReviews})
            ColorLED(count, settings.PeriodColor, settings.LEDBack);
        for (SegmentDisplay *display : ui.flowDisplays())
            display->setBorderColor(settings.BorderColor);
    }

    // The team names and picture frames take colours of their own, not the generic ones.
    const QList<PictureBox *> containers {ui.picHomePicContainer, ui.picVisitorPicContainer,
                                          ui.picBoardPicContainer};
    ColorFormControls(
            window,
            {ui.lblHomeTeam, ui.lblVisitorTeam, containers[0], containers[1], containers[2]},
            settings.BorderColor, settings.LEDBack);
    ui.lblHomeTeam->setForeColor(settings.HomeColor);
    ui.lblVisitorTeam->setForeColor(settings.VisitorColor);
    for (PictureBox *container : containers)
        container->setBackColor(settings.FormBack);
    ui.shpObjectSelected->setFillColor(settings.LEDSelected);
    // Every display's frame, the scores' and the period number's as well as the clocks'.
    for (SegmentDisplay *display : ui.displays())
        display->setBorderColor(settings.BorderColor);
}
