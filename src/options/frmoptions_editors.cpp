// What the Options window's buttons do to the working copy: keys, colours, pictures, sounds.

#include "frmoptions.h"

#include "clockreadout.h"
#include "colorswatch.h"
#include "colortable.h"
#include "facetra.h"
#include "frmchoosekey.h"
#include "image.h"
#include "mmcontrol.h"
#include "picturefit.h"
#include "soundfile.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <tuple>

namespace {

const QString kPictureFilter = QStringLiteral("Pictures (*.bmp *.gif *.jpg *.jpeg *.png)");
const QString kSoundFilter = QStringLiteral("Sounds (*.wav)");

} // namespace

// Every key the working copy assigns, the new-bout key included when there is one.
QList<int> frmOptions::heldKeys() const
{
    QList<int> held;
    for (const KeyCommand &each : m_keys)
        held.append(*each.variable);
    if (m_working.NewBoutKey != 0)
        held.append(m_working.NewBoutKey);
    return held;
}

void frmOptions::chooseNewBoutKey()
{
    frmChooseKey dialog(QStringLiteral("start a new bout"), m_working.NewBoutKey, heldKeys(), this);
    runChooseKey(dialog);
    if (dialog.chosenKey() != 0) {
        m_working.NewBoutKey = qint16(dialog.chosenKey());
        m_lblNewBoutKey->setText(KeyCodeToStr(m_working.NewBoutKey));
    }
    Form_Activate();
}

QString frmOptions::newBoutQuestion()
{
    return QStringLiteral("Start a new bout? The scores, the period and jam numbers, the clocks, "
                          "the penalties and the timeouts and reviews on the board go back to "
                          "their start.");
}

void frmOptions::cmdNewBout_Click()
{
    if (askYesNo(this, QStringLiteral("New Bout"), newBoutQuestion()))
        emit newBoutConfirmed();
}

void frmOptions::chooseKeyFor(Command which)
{
    frmChooseKey dialog(QLatin1String(commandKey(which).purpose), *keyCommand(which).variable,
                        heldKeys(), this);
    runChooseKey(dialog);
    if (dialog.chosenKey() != 0)
        setKey(which, qint16(dialog.chosenKey()));
    Form_Activate();
}

void frmOptions::setKey(Command which, qint16 keyCode)
{
    const KeyCommand &command = keyCommand(which);
    *command.variable = keyCode;
    command.label->setText(KeyCodeToStr(keyCode));
}

bool frmOptions::keyHeldByAnother(qint16 keyCode, Command which) const
{
    for (const CommandKey &row : commandTable()) {
        if (row.command != which && *keyCommand(row.command).variable == keyCode)
            return true;
    }
    return false;
}

void frmOptions::separateSharedKeys()
{
    // A command that shares its key with another and is away from its own key goes back to it.
    // That may take the key from a third command, which then goes back in turn; as the default
    // keys all differ, this ends at the latest with every command on its own key.
    for (bool moved = true; moved;) {
        moved = false;
        for (const CommandKey &row : commandTable()) {
            const qint16 key = *keyCommand(row.command).variable;
            // Two commands without a key (0, or Space for a sound) share nothing.
            if (key != 0 && key != SoundWithoutKey && key != row.defaultKey
                && keyHeldByAnother(key, row.command)) {
                setKey(row.command, row.defaultKey);
                moved = true;
            }
        }
    }
    // The new-bout key has no default of its own: taken by a command, it goes back to none.
    for (const CommandKey &row : commandTable()) {
        if (m_working.NewBoutKey != 0
            && *keyCommand(row.command).variable == m_working.NewBoutKey) {
            m_working.NewBoutKey = 0;
            m_lblNewBoutKey->setText(KeyCodeToStr(0));
        }
    }
}

void frmOptions::cmdResetKeys_Click()
{
    if (!askYesNo(this, QStringLiteral("Reset Keys"),
                  QStringLiteral("Are you sure you want to reset the keys?")))
        return;
    // The three keys of the additional settings keep theirs, unless one of the seven takes it.
    const qint16 newBoutKey = m_working.NewBoutKey;
    const qint16 audienceBoardKey = m_working.AudienceBoardKey;
    for (const CommandKey &row : commandTable()) {
        if (row.resetByResetKeys)
            setKey(row.command, row.defaultKey);
    }
    separateSharedKeys();
    m_optNormal->setChecked(true);
    // The keys that have no key of their own to go back to are gone: said, as Change Sound says
    // it of a sound.
    for (const auto &[before, after, what, button] :
         {std::tuple(newBoutKey, m_working.NewBoutKey, "starting a new bout", "Select Key"),
          std::tuple(audienceBoardKey, m_working.AudienceBoardKey,
                     "showing and hiding the audience board", "Select Show / Hide Key")}) {
        if (before != 0 && after == 0)
            tell(this, windowTitle(),
                 QStringLiteral("The key %1 went back to the command it first had, so %2 has no "
                                "key now. Choose one with \"%3\".")
                         .arg(KeyCodeToStr(before), QLatin1String(what), QLatin1String(button)));
    }
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
    preview.checking = false;
    FitPicture(preview.image, preview.container, this->*preview.path);
}

void frmOptions::changePicture(PicturePreview &preview)
{
    const QString chosen = chooseFile(this, kPictureFilter);
    if (chosen.isEmpty() || !QFileInfo::exists(chosen))
        return;
    const QString refused
            = QStringLiteral("The file %1 could not be read as a picture.").arg(chosen);
    // A pipe or a folder is not opened at all: a pipe would wait for a writer.
    if (!QFileInfo(chosen).isFile()) {
        tell(this, windowTitle(), refused);
        return;
    }
    // Taken at once; a file that turns out not to be a picture gives the one before back, and
    // Ok pressed meanwhile waits to know.
    const QString previous = this->*preview.path;
    this->*preview.path = chosen;
    preview.checking = true;
    FitPicture(preview.image, preview.container, chosen,
               [this, &preview, chosen, previous, refused](bool shown) {
                   preview.checking = false;
                   if (!shown) {
                       if (this->*preview.path == chosen)
                           this->*preview.path = previous;
                       showPicture(preview);
                   }
                   pictureChecked(shown);
                   if (!shown)
                       tell(this, windowTitle(), refused);
               });
}

bool frmOptions::picturesBeingChecked() const
{
    return std::any_of(m_pictures.begin(), m_pictures.end(),
                       [](const PicturePreview &preview) { return preview.checking; });
}

void frmOptions::pictureChecked(bool shown)
{
    if (!m_okWaitsForPictures)
        return;
    if (shown && picturesBeingChecked())
        return;
    m_okWaitsForPictures = false;
    m_cmdOk->setEnabled(true);
    if (shown)
        cmdOk_Click();
}

void frmOptions::clearPicture(PicturePreview &preview)
{
    // Also drops a picture still being decoded for the preview.
    FitPicture(preview.image, preview.container, QString());
    this->*preview.path = QString();
    preview.checking = false;
    pictureChecked(true);
}

void frmOptions::changeSound(SoundGroup &group)
{
    const QString chosen = chooseFile(this, kSoundFilter);
    if (chosen.isEmpty() || !QFileInfo::exists(chosen))
        return;
    // Said now, while the operator can still choose another, not at the end of a jam.
    const SoundFile sound = SoundFile::inspect(chosen);
    if (const QString refusal = sound.refusal(); !refusal.isEmpty()) {
        tell(this, windowTitle(),
             QStringLiteral("The file %1 cannot be played: %2.").arg(chosen, refusal));
        return;
    }
    const qint64 seconds = sound.nanoseconds() / 1000000000;
    if (sound.nanoseconds() > MMControl::LongestPlayNanoseconds)
        tell(this, windowTitle(),
             QStringLiteral("The file %1 plays for %2; the scoreboard stops every sound after "
                            "%3 seconds.")
                     .arg(chosen, ClockReadout::minutesText(seconds))
                     .arg(MMControl::LongestPlayNanoseconds / 1000000000));
    this->*group.path = chosen;
    updateSoundCaption(group);
    // A sound that had no key gets its usual one back, if no other command has taken it since.
    // Without a key is Space, or 0 for a key the settings gave to another command.
    const qint16 key = *keyCommand(group.command).variable;
    if (key != SoundWithoutKey && key != 0)
        return;
    const qint16 usual = commandKey(group.command).defaultKey;
    if (heldKeys().contains(usual)) {
        tell(this, windowTitle(),
             QStringLiteral("The key %1 is used by another command, so this sound has no key. "
                            "Choose one with \"Select Sound Key\".")
                     .arg(KeyCodeToStr(usual)));
        return;
    }
    setKey(group.command, usual);
}

void frmOptions::noSound(SoundGroup &group)
{
    this->*group.path = QString();
    updateSoundCaption(group);
    setKey(group.command, SoundWithoutKey);
}

void frmOptions::fillAudienceScreens(const QString &chosen)
{
    m_cmbAudienceScreen->clear();
    m_cmbAudienceScreen->addItem(QStringLiteral("none"), QString());
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        // A projector is known by its pixels, whatever scale the desktop gives it.
        const QSize size = screen->geometry().size() * screen->devicePixelRatio();
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
