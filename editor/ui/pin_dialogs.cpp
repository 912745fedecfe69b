#include "ui/pin_dialogs.h"

#include "core/catalogue.h"
#include "core/language.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace brisken {
namespace {

QLineEdit* SecretField(QWidget* parent, int id) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QStringLiteral("id%1").arg(id));
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(kPinFieldLimit);
    field->setMinimumWidth(120);
    return field;
}

QLabel* Label(QWidget* parent, int id, int text) {
    auto* label = new QLabel(Text(text), parent);
    label->setObjectName(QStringLiteral("id%1").arg(id));
    return label;
}

// OK and Cancel at the bottom right, in the interface language.
QHBoxLayout* Buttons(QDialog* dialog) {
    auto* ok = new QPushButton(Text(kMsgOk), dialog);
    ok->setObjectName(QStringLiteral("idOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(Text(kMsgCancel), dialog);
    cancel->setObjectName(QStringLiteral("idCancel"));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

// The field's text goes into the secret and out of the field; the copy the
// field handed out is overwritten before it is released.
void TakeField(QLineEdit* field, SecretText& secret) {
    QString text = field->text();
    field->clear();
    secret.Set(reinterpret_cast<const char16_t*>(text.utf16()),
               static_cast<std::size_t>(text.size()));
    text.fill(QChar(0));
}

} // namespace

PinCodeDialog::PinCodeDialog(bool unblock, int retries, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog103"));
    setWindowTitle(Text(unblock ? kMsgUnblockCaption : kMsgInputPinCaption));

    auto* prompt = Label(this, 1026, unblock ? kMsgInputPukLabel : kMsgInputPinLabel);
    code_ = SecretField(this, 1027);
    auto* retryLabel = Label(this, 1028, unblock ? kMsgPukRetriesLabel : kMsgPinRetriesLabel);
    auto* count = new QLineEdit(this);
    count->setObjectName(QStringLiteral("id1029"));
    count->setReadOnly(true);
    count->setFocusPolicy(Qt::NoFocus);
    count->setMaximumWidth(60);
    count->setText(retries < 0 ? QString() : QString::number(retries));

    auto* grid = new QGridLayout(this);
    grid->addWidget(prompt, 0, 0);
    grid->addWidget(code_, 0, 1);
    grid->addWidget(retryLabel, 1, 0);
    grid->addWidget(count, 1, 1, Qt::AlignLeft);
    grid->addLayout(Buttons(this), 2, 0, 1, 2);
    setFixedSize(sizeHint());
    code_->setFocus();
}

void PinCodeDialog::TakeCode(SecretText& code) {
    TakeField(code_, code);
}

NewPinDialog::NewPinDialog(bool unblock, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog149"));
    setWindowTitle(Text(unblock ? kMsgInputNewPinCaption : kMsgChangePinCaption));

    newPin_ = SecretField(this, 1033);
    confirmed_ = SecretField(this, 1034);
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label(this, 1035, kMsgNewPinLabel), 0, 0);
    grid->addWidget(newPin_, 0, 1);
    grid->addWidget(Label(this, 1036, kMsgConfirmPinLabel), 1, 0);
    grid->addWidget(confirmed_, 1, 1);
    grid->addLayout(Buttons(this), 2, 0, 1, 2);
    setFixedSize(sizeHint());
    newPin_->setFocus();
}

void NewPinDialog::TakePins(SecretText& newPin, SecretText& confirmed) {
    TakeField(newPin_, newPin);
    TakeField(confirmed_, confirmed);
}

bool PinDialogs::AskCode(bool unblock, int retries, SecretText& code) {
    PinCodeDialog dialog(unblock, retries, parent_);
    const bool ok = dialog.exec() == QDialog::Accepted;
    SecretText discarded;
    dialog.TakeCode(ok ? code : discarded); // the field is emptied either way
    return ok;
}

bool PinDialogs::AskNewPin(bool unblock, SecretText& newPin, SecretText& confirmed) {
    NewPinDialog dialog(unblock, parent_);
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (ok) {
        dialog.TakePins(newPin, confirmed);
    } else {
        SecretText a;
        SecretText b;
        dialog.TakePins(a, b);
    }
    return ok;
}

} // namespace brisken
