// What the Options window's buttons do to the working copy: keys, colours, pictures, sounds.

#include "frmoptions.h"

#include "colorswatch.h"
#include "colortable.h"
#include "facetra.h"
#include "frmchoosekey.h"
#include "image.h"
#include "picturefit.h"
#include "virtualkeycodes.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>

namespace {

// A sound without a key holds Space, which no command can be given.
constexpr qint16 kNoKey = VirtualKeys::kSpace;

const QString kPictureFilter = QStringLiteral("Pictures (*.bmp *.gif *.jpg)");
const QString kSoundFilter = QStringLiteral("Sounds (*.wav)");

} // namespace

void frmOptions::chooseKeyFor(Command which)
{
    QList<int> held;
    for (const KeyCommand &each : m_keys)
        held.append(this->*each.variable);
    const KeyCommand &command = keyCommand(which);
    frmChooseKey dialog(QLatin1String(commandKey(which).purpose), this->*command.variable, held,
                        this);
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
    for (const CommandKey &row : commandTable()) {
        if (!row.resetByResetKeys)
            continue;
        const KeyCommand &command = keyCommand(row.command);
        command.label->setText(KeyCodeToStr(row.defaultKey));
        this->*command.variable = row.defaultKey;
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
    for (std::size_t i = 0; i < m_swatches.size(); ++i)
        m_swatches[i]->setColor(colorTable()[i].defaultColor);
    m_scrLEDSelectedWidth->setValue(0);
    scrLEDSelectedWidth_Change(0);
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
    KeyCommand &command = keyCommand(group.command);
    // A sound that had no key gets its usual one back, even if another command holds it now.
    if (this->*command.variable == kNoKey) {
        const qint16 usual = commandKey(group.command).defaultKey;
        this->*command.variable = usual;
        command.label->setText(KeyCodeToStr(usual));
    }
}

void frmOptions::noSound(SoundGroup &group)
{
    this->*group.path = QString();
    updateSoundCaption(group);
    KeyCommand &command = keyCommand(group.command);
    this->*command.variable = kNoKey;
    command.label->setText(QString());
}

void frmOptions::fillAudienceScreens(const QString &chosen)
{
    m_cmbAudienceScreen->clear();
    m_cmbAudienceScreen->addItem(QStringLiteral("none"), QString());
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        const QSize size = screen->geometry().size();
        m_cmbAudienceScreen->addItem(QStringLiteral("%1 (%2 x %3)")
                                             .arg(screen->name())
                                             .arg(size.width())
                                             .arg(size.height()),
                                     screen->name());
    }
    // A chosen screen that is unplugged now stays chosen unless the operator picks another.
    int index = m_cmbAudienceScreen->findData(chosen);
    if (index < 0) {
        m_cmbAudienceScreen->addItem(QStringLiteral("%1 (not connected)").arg(chosen), chosen);
        index = m_cmbAudienceScreen->count() - 1;
    }
    m_cmbAudienceScreen->setCurrentIndex(index);
}
