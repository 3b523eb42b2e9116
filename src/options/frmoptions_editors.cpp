// What the Options window's buttons do to the working copy: keys, colours, pictures, sounds.

#include "frmoptions.h"

#include "colorswatch.h"
#include "facetra.h"
#include "frmchoosekey.h"
#include "image.h"
#include "picturefit.h"

#include <QFileInfo>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

namespace {

constexpr qint16 kNoKey = 32;
// Each command's own key, in the order of m_keys: J R S T C I Delete B P A. No two are the same.
constexpr qint16 kDefaultKeys[] = {74, 82, 83, 84, 67, 73, 46, 66, 80, 65};

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
    if (dialog.chosenKey() != 0)
        setKey(command, qint16(dialog.chosenKey()));
    Form_Activate();
}

void frmOptions::setKey(const KeyCommand &command, qint16 keyCode)
{
    this->*command.variable = keyCode;
    command.label->setText(KeyCodeToStr(keyCode));
}

bool frmOptions::keyHeldByAnother(qint16 keyCode, const KeyCommand &command) const
{
    for (const KeyCommand &each : m_keys) {
        if (&each != &command && this->*each.variable == keyCode)
            return true;
    }
    return false;
}

void frmOptions::separateSharedKeys()
{
    // A command that shares its key with another and is away from its own key goes back to it.
    // That may take the key from a third command, which then goes back in turn; as the own keys
    // all differ, this ends at the latest with every command on its own key.
    for (bool moved = true; moved;) {
        moved = false;
        for (int i = 0; i < int(m_keys.size()); ++i) {
            const qint16 key = this->*m_keys[i].variable;
            if (key != kNoKey && key != kDefaultKeys[i] && keyHeldByAnother(key, m_keys[i])) {
                setKey(m_keys[i], kDefaultKeys[i]);
                moved = true;
            }
        }
    }
}

void frmOptions::cmdResetKeys_Click()
{
    if (!askYesNo(this, QStringLiteral("Reset Keys"),
                  QStringLiteral("Are you sure you want to reset the keys?")))
        return;
    // The three keys of the additional settings keep theirs, unless one of the seven takes it.
    for (int i = StartStopJamClock; i <= Clear; ++i)
        setKey(m_keys[i], kDefaultKeys[i]);
    separateSharedKeys();
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
    this->*group.path = chosen;
    updateSoundCaption(group);
    KeyCommand &command = m_keys[group.command];
    // A sound that had no key gets its usual one back, if no other command has taken it since.
    if (this->*command.variable != kNoKey)
        return;
    if (keyHeldByAnother(group.keyGivenBack, command)) {
        tell(this, windowTitle(),
             QStringLiteral("The key %1 is used by another command, so this sound has no key. "
                            "Choose one with \"Select Sound Key\".")
                     .arg(KeyCodeToStr(group.keyGivenBack)));
        return;
    }
    setKey(command, group.keyGivenBack);
}

void frmOptions::noSound(SoundGroup &group)
{
    this->*group.path = QString();
    updateSoundCaption(group);
    setKey(m_keys[group.command], kNoKey);
}
