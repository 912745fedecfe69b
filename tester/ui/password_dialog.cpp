#include "password_dialog.h"

#include "messages.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orrick::ui {

PasswordDialog::PasswordDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("passwordDialog");
    setWindowTitle("Password");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Password", this));
    edit_ = new QLineEdit(this);
    edit_->setObjectName("passwordEdit");
    edit_->setMaxLength(kMaxLength);
    edit_->setEchoMode(QLineEdit::Password);
    layout->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("id1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("id2");
    connect(buttons, &QDialogButtonBox::accepted, this, &PasswordDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PasswordDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(260);
}

void PasswordDialog::accept() {
    if (edit_->text() == QLatin1String(kPassword)) {
        QDialog::accept();
        return;
    }
    ShowMessage(this, {windowTitle(), "Password Error  !!", MessageButtons::Ok});
    reject();
}

} // namespace orrick::ui
