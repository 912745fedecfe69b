// What the demo programs do in place of a person at the keyboard: answer the
// modal windows that come up, choose from pop-up menus, click rows and press
// Load, saving a picture of everything they see on the way.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QAbstractButton;
class QWidget;

namespace brisken {

class MainDialog;

void Say(const QString& line);

// Takes care of one modal window or pop-up menu at a time, from a timer that
// keeps running inside every nested event loop. A code dialog gets the code
// set for the step (the PIN given on the command line when none is), a new-PIN
// dialog gets the new PIN in both fields, a pop-up menu the chosen command;
// anything else is photographed, remembered and dismissed.
class ModalHandler {
public:
    ModalHandler(QString out, QString pin) : out_(std::move(out)), pin_(std::move(pin)) {}

    // Pictures from now on are named after the step.
    void BeginStep(const QString& name);
    void SetCode(std::optional<QString> code) { code_ = std::move(code); }
    // "NEW|OTHER" types differing texts into the two fields.
    void SetNewPin(std::optional<QString> pin) { newPin_ = std::move(pin); }
    void ChooseMenuCommand(int command) { menuCommand_ = command; }

    // Texts of the message boxes and titles of the dialogs since the last call.
    QStringList TakeSeen();

    void Poll();
    // A picture of the "don't remove" window while it is up.
    void PictureOfNotice() const;
    int Count() const { return count_; }

private:
    void HandleModal(QWidget* modal);
    QString NextPicture(const QString& kind);

    QString out_;
    QString pin_;
    QString step_;
    std::optional<QString> code_;
    std::optional<QString> newPin_;
    int menuCommand_ = 0;
    QStringList seen_;
    int count_ = 0;
};

QString SavePicture(QWidget& window, const QString& out, const QString& name);
int RowsOf(const QWidget& window, const char* listName);
// Clicks a row of a list as a user would, so that its fields show it.
void ClickRow(QWidget& window, const char* listName, int row);

enum class LoadOutcome { Ended, NoCardOperation, StillBusy };

// Presses Load and waits until the window is idle again.
LoadOutcome PressLoad(MainDialog& window, QAbstractButton& load, int timeoutMs,
                      const char* listName, const char* book, const ModalHandler& modals);

} // namespace brisken
