#pragma once

#include <QDialog>
#include <QList>

#include <functional>

class QLabel;

// Waits for one key press and hands back its virtual-key code. Keys without a name, keys that
// another command holds in the Options window's working copy, F1, F2 and the keys that typing a
// time or a score uses (digits, "." and Enter among them) are refused with a red message and a
// beep, and the dialog keeps waiting. Every key is a candidate, Esc included; only
// the close box leaves without a key.
class frmChooseKey final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmChooseKey)

public:
    // purpose completes the prompt "Press the key you would like to ..."; current is the key the
    // command holds now (always accepted); held are the keys of all ten commands.
    frmChooseKey(const QString &purpose, int current, const QList<int> &held,
                 QWidget *parent = nullptr);

    // The accepted key, or 0 while none has been accepted.
    int chosenKey() const { return m_chosenKey; }

    // The handler for one key going down, by virtual-key code.
    void Form_KeyDown(int keyCode);

    // Sounded when a key is refused; tests replace it to count.
    std::function<void()> beep;

protected:
    bool event(QEvent *event) override;

private:
    bool refuses(int keyCode) const;

    QLabel *m_lblChoose = nullptr;
    QLabel *m_lblUsed = nullptr;
    int m_current = 0;
    QList<int> m_held;
    int m_chosenKey = 0;
};
