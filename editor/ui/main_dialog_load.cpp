// Load in the main window: the card flow runs in the core; this file only
// shows what it reports and drives it with the 50 ms timer.
#include "controls/color_label.h"
#include "controls/color_list_ctrl.h"
#include "core/card_information.h"
#include "core/card_load.h"
#include "core/card_save.h"
#include "core/catalogue.h"
#include "core/main_frame.h"
#include "core/messages.h"
#include "ui/main_dialog.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

namespace brisken {

using namespace ctl;

namespace {

constexpr int kReadTimerMs = 50;

// Until the window has its PIN dialogs, a card asking for its PIN cannot be
// read: the request is declined as a Cancel would be.
class DecliningPrompt final : public PinPrompt {
public:
    bool AskCode(bool, int, SecretText&) override { return false; }
    bool AskNewPin(bool, SecretText&, SecretText&) override { return false; }
};

} // namespace

class MainDialog::LoadWindow final : public LoadView {
public:
    explicit LoadWindow(MainDialog& window) : window_(window) {}

    void Message(int id, const QString& argument) override {
        if (argument.isEmpty()) {
            ShowCatalogueMessage(id);
        } else {
            ShowCatalogueMessage(id, argument);
        }
    }
    void ShowCardType(CardFamily family) override {
        auto* line = static_cast<CColorLabel*>(window_.Control(kCardType));
        const bool ruim = family == CardFamily::Ruim;
        line->setText(ruim ? QStringLiteral("CDMA/R-UIM") : QStringLiteral("GSM/USIM"));
        line->SetTextColor(family == CardFamily::GsmSim ? QColor(255, 0, 255) : QColor(255, 0, 0));
    }
    void Repaint() override { window_.repaint(); }
    void ShowIdentity(const QString& iccid) override {
        auto* line = static_cast<CColorLabel*>(window_.Control(kIdentity));
        line->setText(QStringLiteral("ICCID : %1").arg(iccid));
        line->SetTextColor(QColor(0, 0, 255));
    }
    void BeginRead() override {
        window_.progress_->setValue(0);
        window_.progress_->setVisible(true);
        window_.EnterBusyState();
        window_.readTimer_->start(kReadTimerMs);
        if (DontRemoveNotice* notice = window_.Notice()) {
            notice->Show();
        }
    }
    void SetProgress(int percent) override { window_.progress_->setValue(percent); }
    void StopTimer() override { window_.readTimer_->stop(); }
    void ShowRows(BookKind kind, const std::vector<BookRow>& rows, int selectedRow) override {
        CColorListCtrl* list = window_.ListOf(kind);
        window_.FillList(list, rows);
        if (selectedRow >= 0) {
            list->SortByColumn(0, true);
            list->SelectRow(selectedRow);
        }
    }
    void ShowStatus(BookKind kind, const QString& line) override {
        const int id = kind == BookKind::Phone         ? kPhoneCounters
                       : kind == BookKind::LastDialled ? kLastDialCounters
                                                       : kSmsCounters;
        static_cast<QLineEdit*>(window_.Control(id))->setText(line);
    }
    void EndRead() override {
        if (DontRemoveNotice* notice = window_.Notice()) {
            notice->Hide();
        }
        window_.progress_->setValue(0);
        window_.progress_->setVisible(false);
        window_.EnterIdleState();
        window_.Control(kNew)->setEnabled(true);
    }

private:
    MainDialog& window_;
};

CColorListCtrl* MainDialog::ListOf(BookKind kind) const {
    switch (kind) {
    case BookKind::Phone:
        return phoneList_;
    case BookKind::LastDialled:
        return lastDialList_;
    case BookKind::Sms:
        break;
    }
    return smsList_;
}

void MainDialog::FillList(CColorListCtrl* list, const std::vector<BookRow>& rows) {
    list->setUpdatesEnabled(false);
    list->DeleteAllRows();
    for (const BookRow& row : rows) {
        const int index = list->InsertRow(list->RowCount(), row.cells.value(0));
        for (int column = 1; column < row.cells.size(); ++column) {
            list->SetCellText(index, column, row.cells[column]);
        }
        list->SetRowData(index, row.slot);
        if (row.changed) {
            list->SetTextColor(index, -1, QColor(255, 0, 0), false);
        }
    }
    list->setUpdatesEnabled(true);
}

void MainDialog::OnButtonReadsim() {
    if (!loader_) {
        loadWindow_ = std::make_unique<LoadWindow>(*this);
        loader_ = std::make_unique<BookLoader>(*cardLibrary_, *books_);
        readTimer_ = new QTimer(this);
        connect(readTimer_, &QTimer::timeout, this, [this] { loader_->Tick(*loadWindow_); });
    }
    const BookKind kind = CurrentBookKind();
    loader_->Start(kind, pinRunner_, PromptOrDecline(), *loadWindow_);
}

PinPrompt& MainDialog::PromptOrDecline() {
    static DecliningPrompt declining;
    return pinPrompt_ ? *pinPrompt_ : declining;
}

BookKind MainDialog::CurrentBookKind() const {
    return view_.view == View::Sms ? BookKind::Sms
           : view_.lastDialled     ? BookKind::LastDialled
                                   : BookKind::Phone;
}

bool MainDialog::SetCardLibrary(std::unique_ptr<CardLibrary> library) {
    if (LoadRunning() || SaveRunning() || InfoRunning()) {
        return false;
    }
    // The card flows hold the library they were made with.
    loader_.reset();
    saver_.reset();
    cardInfo_.reset();
    cardLibrary_ = std::move(library);
    return true;
}

bool MainDialog::LoadRunning() const {
    return loader_ && loader_->Running();
}

} // namespace brisken
