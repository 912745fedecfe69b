// The setup password that unlocks the settings controls.
#pragma once

#include <QDialog>

class QLineEdit;

namespace orrick::ui {

class PasswordDialog : public QDialog {
public:
    static constexpr const char* kPassword = "7351";
    static constexpr int kMaxLength = 10;

    explicit PasswordDialog(QWidget* parent = nullptr);

    // OK: the right password ends the dialog accepted; anything else says so
    // and ends it as cancelled.
    void accept() override;

private:
    QLineEdit* edit_;
};

} // namespace orrick::ui
