// What the Options window's buttons do to the working copy: keys, colours, pictures, sounds.

#include "frmoptions.h"

#include "colorswatch.h"
#include "facetra.h"
#include "frmchoosekey.h"
#include "image.h"
#include "mmcontrol.h"
#include "picturefit.h"
#include "soundfile.h"

#include <QFileInfo>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

namespace {

constexpr qint16 kNoKey = 32;

const QString kPictureFilter = QStringLiteral("Pictures (*.bmp *.gif *.jpg)");
const QString kSoundFilter = QStringLiteral("Sounds (*.wav)");

} // namespace

void frmOptions::chooseKeyFor(const KeyCommand &command)
{
    QList<int> held;
    for (const KeyCommand &each : m_keys)
        held.append(this->*each.variable);
    frmChooseKey dialog(QLatin1String(command.purpose), this->*command.variable, held, this);
    runChooseKey(dialog);
    if (dialog.chosenKey() != 0) {
        this->*command.variable = qint16(dialog.chosenKey());
        command.label->setText(KeyCodeToStr(dialog.chosenKey()));
    }
    Form_Activate();
}

void frmOptions::cmdResetKeys_Click()
{
    if (!askYesNo(this, QStringLiteral("Reset Keys"),
                  QStringLiteral("Are you sure you want to reset the keys?")))
        return;
    // The three keys of the additional settings keep theirs.
    static constexpr qint16 defaults[] = {74, 82, 83, 84, 67, 73, 46};
    for (int i = 0; i < int(std::size(defaults)); ++i) {
        m_keys[i].label->setText(KeyCodeToStr(defaults[i]));
        this->*m_keys[i].variable = defaults[i];
    }
    m_optNormal->setChecked(true);
}

void frmOptions::changeColor(ColorSwatch *swatch)
{
    // A cancelled pick leaves the swatch as it was.
    if (const std::optional<qint32> color = chooseColor(this))
        swatch->setColor(*color);
}

void frmOptions::cmdResetColors_Click()
{
    if (!askYesNo(this, QStringLiteral("Reset Colors"),
                  QStringLiteral("Are you sure you want to reset the colors?")))
        return;
    m_swatches[LedSelected]->setColor(0x00404040);
    m_scrLEDSelectedWidth->setValue(0);
    scrLEDSelectedWidth_Change(0);
    m_swatches[TimeC]->setColor(0x000080FF);
    m_swatches[LEDB]->setColor(0);
    m_swatches[ScoreC]->setColor(0x000000FF);
    m_swatches[PeriodC]->setColor(0x0000C000);
    m_swatches[BackC]->setColor(0x00404040);
    m_swatches[BorderC]->setColor(0x00FFFFFF);
    m_swatches[HomeC]->setColor(0x00FFFFFF);
    m_swatches[VisitorC]->setColor(0x00FFFFFF);
}

void frmOptions::scrLEDSelectedWidth_Change(int value)
{
    m_lblLEDSelectedWidthValue->setText(QString::number(value));
}

void frmOptions::vsPenaltyIncrement_Change(int value)
{
    m_lblPenaltyIncrement->setText(QString::number(value));
}

void frmOptions::cmbLedType_Click(int index)
{
    m_pledPreview->setLedType(index);
}

void frmOptions::showPicture(PicturePreview &preview)
{
    FitPicture(preview.image, preview.container, this->*preview.path);
}

void frmOptions::changePicture(PicturePreview &preview)
{
    const QString chosen = chooseFile(this, kPictureFilter);
    if (chosen.isEmpty() || !QFileInfo::exists(chosen))
        return;
    if (!FitPicture(preview.image, preview.container, chosen)) {
        // The preview goes back to the picture the path still names.
        showPicture(preview);
        tell(this, windowTitle(),
             QStringLiteral("The file %1 could not be read as a picture.").arg(chosen));
        return;
    }
    this->*preview.path = chosen;
}

void frmOptions::clearPicture(PicturePreview &preview)
{
    preview.image->setPicture(QPixmap());
    this->*preview.path = QString();
}

void frmOptions::changeSound(SoundGroup &group)
{
    const QString chosen = chooseFile(this, kSoundFilter);
    if (chosen.isEmpty() || !QFileInfo::exists(chosen))
        return;
    // Said now, while the operator can still choose another, not at the end of a jam.
    const SoundFile sound = SoundFile::inspect(chosen);
    if (!sound.canPlay()) {
        tell(this, windowTitle(),
             QStringLiteral("The file %1 cannot be played: %2.").arg(chosen, sound.problem()));
        return;
    }
    const qint64 seconds = sound.nanoseconds() / 1000000000;
    if (sound.nanoseconds() > MMControl::LongestPlayNanoseconds)
        tell(this, windowTitle(),
             QStringLiteral("The file %1 plays for %2:%3; the scoreboard stops every sound after "
                            "%4 seconds.")
                     .arg(chosen)
                     .arg(seconds / 60)
                     .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                     .arg(MMControl::LongestPlayNanoseconds / 1000000000));
    this->*group.path = chosen;
    updateSoundCaption(group);
    KeyCommand &command = m_keys[group.command];
    // A sound that had no key gets its usual one back, even if another command holds it now.
    if (this->*command.variable == kNoKey) {
        this->*command.variable = group.keyGivenBack;
        command.label->setText(KeyCodeToStr(group.keyGivenBack));
    }
}

void frmOptions::noSound(SoundGroup &group)
{
    this->*group.path = QString();
    updateSoundCaption(group);
    KeyCommand &command = m_keys[group.command];
    this->*command.variable = kNoKey;
    command.label->setText(QString());
}
