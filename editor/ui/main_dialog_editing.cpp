// The main window's editing: list selection, entry update from the fields,
// New, Delete, and the PIN actions. The book logic lives in core/editing.
#include "controls/color_list_ctrl.h"
#include "controls/picture_button.h"
#include "core/catalogue.h"
#include "core/editing.h"
#include "core/language.h"
#include "core/messages.h"
#include "ui/main_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace brisken {
namespace {

using namespace ctl;

const QColor kChangedRow(255, 0, 0);

// The row that shows `slot`; rows move when the list is sorted, slots do not.
int RowOfSlot(const CColorListCtrl* list, int slot) {
    for (int row = 0; row < list->RowCount(); ++row) {
        if (list->RowData(row) == slot) {
            return row;
        }
    }
    return -1;
}

} // namespace

void MainDialog::ConnectEditing() {
    for (CColorListCtrl* list : {phoneList_, lastDialList_, smsList_}) {
        connect(list, &QTreeWidget::itemClicked, this, [this, list] { OnListSelection(list); });
        // Moving through the list with the keyboard selects as a click does.
        connect(list, &QTreeWidget::currentItemChanged, this, [this, list] {
            if (list->hasFocus()) {
                OnListSelection(list);
            }
        });
    }
    for (int id : {kNameField, kNumberField, kSmsNumberField}) {
        connect(static_cast<QLineEdit*>(Control(id)), &QLineEdit::textChanged, this,
                [this, id] { OnFieldEdited(id); });
    }
    connect(static_cast<QPlainTextEdit*>(Control(kSmsMessageField)), &QPlainTextEdit::textChanged,
            this, [this] { OnFieldEdited(kSmsMessageField); });
    connect(static_cast<CPictureButton*>(Control(kNew)), &QPushButton::clicked, this,
            &MainDialog::OnNew);
    connect(static_cast<CPictureButton*>(Control(kDelete)), &QPushButton::clicked, this,
            &MainDialog::OnDelete);
    connect(static_cast<CPictureButton*>(Control(kUnblock)), &QPushButton::clicked, this,
            [this] { OnPinAction(PinAction::Unblock); });
}

CColorListCtrl* MainDialog::ListOf(ViewState view) const {
    if (view.view == View::Sms) {
        return smsList_;
    }
    return view.lastDialled ? lastDialList_ : phoneList_;
}

void MainDialog::OnListSelection(CColorListCtrl* list) {
    const int row = list->SelectedRow();
    if (row < 0 || busy_) {
        return;
    }
    const int slot = list->RowData(row);
    if (slot < 0 || slot >= kStoreSlots) {
        return;
    }
    const auto index = static_cast<std::size_t>(slot);
    if (list == smsList_) {
        books_->sms.selection = {row, slot};
        FillSmsFields(books_->sms.store[index], false);
    } else {
        Book<PhoneEntry>& book = list == lastDialList_ ? books_->lastDialled : books_->phone;
        book.selection = {row, slot};
        // Last-dialled entries are read-only unless created here.
        const bool writable =
            list != lastDialList_ || (book.store[index].state & ENTRY_CHANGED) != 0;
        FillPhoneFields(book.store[index], writable);
    }
    Control(kNew)->setEnabled(true);
    Control(kDelete)->setEnabled(true);
}

void MainDialog::SetLineText(int fieldId, const QString& text, int typingLimit) {
    auto* field = static_cast<QLineEdit*>(Control(fieldId));
    // A stored value longer than what may be typed (a card's 20-digit number)
    // is shown whole, so that showing it never cuts it.
    filling_ = true;
    field->setMaxLength(FieldLimitFor(typingLimit, text));
    filling_ = false;
    field->setText(text); // through the entry update; equal text changes nothing
}

void MainDialog::SetMessageText(const QString& text) {
    filling_ = true;
    static_cast<QPlainTextEdit*>(Control(kSmsMessageField))->setPlainText(text);
    filling_ = false;
}

void MainDialog::FillPhoneFields(const PhoneEntry& entry, bool writable) {
    SetLineText(kNameField, EntryName(entry), kNameFieldLimit);
    SetLineText(kNumberField, EntryNumber(entry), kNumberFieldLimit);
    for (int id : {kNameField, kNumberField}) {
        static_cast<QLineEdit*>(Control(id))->setReadOnly(busy_ || !writable);
    }
}

void MainDialog::FillSmsFields(const SmsEntry& entry, bool rawForms) {
    smsSelector_->setCurrentIndex(SelectorItemForStatus(entry.smsStatus));
    static_cast<QLineEdit*>(Control(kSmsStatusField))->setText(SmsStatusText(entry.smsStatus));
    SetLineText(kSmsNumberField, EntryNumber(entry), kSmsNumberFieldLimit);
    static_cast<QLineEdit*>(Control(kSmsTimeField))
        ->setText(rawForms ? QString::fromLatin1(entry.timeStamp, qstrnlen(entry.timeStamp, 16))
                           : TimeStampDisplay(entry.timeStamp, sizeof(entry.timeStamp)));
    SetMessageText(rawForms ? EntryMessage(entry) : MessageDisplay(entry));
}

void MainDialog::ClearFields() {
    if (view_.view == View::Sms) {
        static_cast<QLineEdit*>(Control(kSmsStatusField))->clear();
        SetLineText(kSmsNumberField, QString(), kSmsNumberFieldLimit);
        static_cast<QLineEdit*>(Control(kSmsTimeField))->clear();
        SetMessageText(QString());
    } else {
        SetLineText(kNameField, QString(), kNameFieldLimit);
        SetLineText(kNumberField, QString(), kNumberFieldLimit);
    }
}

void MainDialog::OnFieldEdited(int fieldId) {
    if (filling_ || busy_) {
        return; // the worker owns the stores while it runs
    }
    const bool sms = fieldId == kSmsNumberField || fieldId == kSmsMessageField;
    ViewState view = view_;
    view.view = sms ? View::Sms : View::PhoneBook;
    if (sms) {
        view.lastDialled = false;
    }
    CColorListCtrl* list = ListOf(view);
    int slot = 0;
    int column = 0;
    bool changed = false;
    if (sms) {
        slot = books_->sms.selection.slot;
        const bool number = fieldId == kSmsNumberField;
        const QString text = number ? static_cast<QLineEdit*>(Control(fieldId))->text()
                                    : static_cast<QPlainTextEdit*>(Control(fieldId))->toPlainText();
        changed =
            UpdateSmsEntry(books_->sms, slot, number ? SmsField::Number : SmsField::Message, text);
        column = number ? 2 : 4;
    } else {
        Book<PhoneEntry>& book = view.lastDialled ? books_->lastDialled : books_->phone;
        slot = book.selection.slot;
        const bool name = fieldId == kNameField;
        changed = UpdatePhoneEntry(book, slot, name ? PhoneField::Name : PhoneField::Number,
                                   static_cast<QLineEdit*>(Control(fieldId))->text());
        column = name ? 1 : 2;
    }
    const int row = RowOfSlot(list, slot);
    if (!changed || row < 0) {
        return;
    }
    const QString shown = fieldId == kSmsMessageField
                              ? static_cast<QPlainTextEdit*>(Control(fieldId))->toPlainText()
                              : static_cast<QLineEdit*>(Control(fieldId))->text();
    list->SetCellText(row, column, shown);
    list->SetTextColor(row, -1, kChangedRow);
}

void MainDialog::OnNew() {
    if (busy_) {
        return;
    }
    CColorListCtrl* list = ListOf(view_);
    const bool sms = view_.view == View::Sms;
    NewContext context;
    context.rowCount = list->RowCount();
    context.lastDialled = !sms && view_.lastDialled;
    NewEntry added;
    if (sms) {
        context.capacity = books_->sms.values.cardRecordCount;
        added = AddSmsEntry(books_->sms, context);
    } else if (context.lastDialled) {
        context.capacity = books_->lastDialled.values.cardRecordCount;
        added = AddPhoneEntry(books_->lastDialled, context);
    } else {
        context.capacity = BookCapacity(books_->phone.values, books_->phoneBookTotal);
        added = AddPhoneEntry(books_->phone, context);
    }
    if (added.result == NewResult::CardFull) {
        ShowCatalogueMessage(sms ? kMsgSmsBookFull : kMsgPhoneBookFull);
        return;
    }
    if (added.result == NewResult::StoreFull) {
        ShowCatalogueMessage(kMsgBookFullImportStopped);
        return;
    }

    const int row = list->InsertRow(added.row, QString::number(added.number));
    list->SetRowData(row, added.slot);
    list->SetTextColor(row, -1, kChangedRow);
    if (context.lastDialled) {
        // The cyclic file holds no more than its records: number the rows
        // that follow on and drop the one pushed past the end.
        const int records = books_->lastDialled.values.cardRecordCount;
        int number = added.number;
        for (int next = row + 1; next < list->RowCount(); ++next) {
            number = number % std::max(records, 1) + 1;
            list->SetCellNumber(next, 0, number);
        }
        while (records > 0 && list->RowCount() > records) {
            list->DeleteRow(list->RowCount() - 1);
        }
    }
    list->SelectRow(row);

    if (sms) {
        books_->sms.selection = {row, added.slot};
        const SmsEntry& entry = books_->sms.store[static_cast<std::size_t>(added.slot)];
        list->SetCellText(row, 1, SmsStatusText(entry.smsStatus));
        FillSmsFields(entry, false);
    } else {
        FillPhoneFields(context.lastDialled
                            ? books_->lastDialled.store[static_cast<std::size_t>(added.slot)]
                            : books_->phone.store[static_cast<std::size_t>(added.slot)],
                        true);
    }
}

void MainDialog::OnDelete() {
    if (busy_ || view_.lastDialled) {
        return;
    }
    const bool sms = view_.view == View::Sms;
    CColorListCtrl* list = ListOf(view_);
    if (list->RowCount() == 0) {
        return;
    }
    Selection& selection = sms ? books_->sms.selection : books_->phone.selection;
    int row = RowOfSlot(list, selection.slot);
    if (row < 0) {
        row = list->SelectedRow();
    }
    if (row < 0) {
        return; // nothing selected, nothing to delete
    }
    const int slot = list->RowData(row);
    list->DeleteRow(row);
    const int next = sms ? DeleteEntry(books_->sms, slot, row, list->RowCount())
                         : DeleteEntry(books_->phone, slot, row, list->RowCount());
    if (next < 0) {
        ClearFields();
        return;
    }
    list->SelectRow(next);
    const int nextSlot = list->RowData(next);
    selection = {next, nextSlot};
    const auto index = static_cast<std::size_t>(std::clamp(nextSlot, 0, kStoreSlots - 1));
    if (sms) {
        FillSmsFields(books_->sms.store[index], true);
    } else {
        FillPhoneFields(books_->phone.store[index], true);
    }
    list->setFocus();
}

void MainDialog::OnPinAction(PinAction action) {
    if (busy_ || pinPrompt_ == nullptr) {
        return;
    }
    // A missing library or function is reported before anything touches the card.
    if (!cardLibrary_->Require({NimbrelFunction::Connect, NimbrelFunction::ConnectAssignReader,
                                NimbrelFunction::DisConnect, NimbrelFunction::GetUSIMCardInfo,
                                NimbrelFunction::GetSIMCardInfo, NimbrelFunction::IsCDMA_RUIM,
                                NimbrelFunction::VerifySIMCHV, NimbrelFunction::ChangeSIMCHV,
                                NimbrelFunction::EnableSIMCHV, NimbrelFunction::DisableSIMCHV,
                                NimbrelFunction::UnBlockSIMCHV})) {
        return;
    }
    RunPinAction(action, *cardLibrary_, pinRunner_, *pinPrompt_,
                 [](int id) { ShowCatalogueMessage(id); });
}

} // namespace brisken
