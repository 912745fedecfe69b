// The two small dialogs that ask for codes: the code dialog (PIN or PUK, with
// the attempts left) and the new-PIN dialog (new PIN and its confirmation).
// Input is hidden and at most eight characters long.
#pragma once

#include "core/pin_runner.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace brisken {

inline constexpr int kPinFieldLimit = 8;

// Template 103: prompt 1026, code field 1027, retry label 1028, count 1029.
class PinCodeDialog : public QDialog {
    Q_OBJECT
public:
    // A negative `retries` (unknown) leaves the count empty.
    PinCodeDialog(bool unblock, int retries, QWidget* parent = nullptr);

    // Moves the typed code into `code` and empties the field.
    void TakeCode(SecretText& code);

private:
    QLineEdit* code_;
};

// Template 149: new PIN 1033, confirmation 1034, their labels 1035 and 1036.
class NewPinDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewPinDialog(bool unblock, QWidget* parent = nullptr);

    void TakePins(SecretText& newPin, SecretText& confirmed);

private:
    QLineEdit* newPin_;
    QLineEdit* confirmed_;
};

// The prompts of the PIN runner, shown as modal dialogs over `parent`.
class PinDialogs : public PinPrompt {
public:
    explicit PinDialogs(QWidget* parent) : parent_(parent) {}
    bool AskCode(bool unblock, int retries, SecretText& code) override;
    bool AskNewPin(bool unblock, SecretText& newPin, SecretText& confirmed) override;

private:
    QWidget* parent_;
};

} // namespace brisken
