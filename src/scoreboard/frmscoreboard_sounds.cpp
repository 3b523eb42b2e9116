// The buzzer and the end-of-period sound: one sound at a time through mmcBuzzer; a request that
// arrives while a sound plays is dropped, not queued.

#include "frmscoreboard.h"

#include "mmcontrol.h"

#include <QFileInfo>

void frmScoreboard::Buzzer(const QString &fileName)
{
    // An empty name is how a sound is switched off; a missing file plays nothing, silently. A
    // folder or pipe by that name goes to the device, which tells the board it cannot play it.
    if (fileName.isEmpty() || m_buzzerPlaying)
        return;
    const QFileInfo file(fileName);
    if (!file.exists() || file.isHidden())
        return;
    if (m_mmcBuzzer->property("FileName").toString() != fileName) {
        m_mmcBuzzer->setProperty("Command", QStringLiteral("Close"));
        m_mmcBuzzer->setProperty("FileName", fileName);
        m_mmcBuzzer->setProperty("Command", QStringLiteral("Open"));
    }
    m_buzzerPlaying = true;
    m_mmcBuzzer->setProperty("Command", QStringLiteral("Play"));
}

void frmScoreboard::mmcBuzzer_Done()
{
    // Rewound, so that the next play of the same file starts from the beginning.
    m_mmcBuzzer->setProperty("Command", QStringLiteral("Stop"));
    m_mmcBuzzer->setProperty("Command", QStringLiteral("Prev"));
    m_buzzerPlaying = false;
}
