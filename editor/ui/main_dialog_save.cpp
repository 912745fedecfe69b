// Save and card information in the main window: the card flows run in the
// core; this file only shows what they report and drives their timers.
#include "controls/color_label.h"
#include "controls/color_list_ctrl.h"
#include "core/card_information.h"
#include "core/card_save.h"
#include "core/catalogue.h"
#include "core/language.h"
#include "core/main_frame.h"
#include "core/messages.h"
#include "ui/main_dialog.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QThread>
#include <QTimer>

namespace brisken {

using namespace ctl;

namespace {

constexpr int kWriteTimerMs = 50;
constexpr int kInfoTimerMs = 1000;
const QColor kWrittenRow(0, 0, 0);
const QColor kUnwrittenRow(255, 0, 0);

void ShowMessageOf(int id, const QString& argument) {
    if (argument.isEmpty()) {
        ShowCatalogueMessage(id);
    } else {
        ShowCatalogueMessage(id, argument);
    }
}

int CountersOf(BookKind kind) {
    return kind == BookKind::Phone         ? kPhoneCounters
           : kind == BookKind::LastDialled ? kLastDialCounters
                                           : kSmsCounters;
}

} // namespace

class MainDialog::SaveWindow final : public SaveView {
public:
    explicit SaveWindow(MainDialog& window) : window_(window) {}

    void Message(int id, const QString& argument) override { ShowMessageOf(id, argument); }
    void BeginWrite() override {
        window_.progress_->setValue(0);
        window_.progress_->setVisible(true);
        window_.EnterBusyState();
        window_.writeTimer_->start(kWriteTimerMs);
        if (DontRemoveNotice* notice = window_.Notice()) {
            notice->Show();
        }
    }
    void SetProgress(int percent) override { window_.progress_->setValue(percent); }
    void StopTimer() override { window_.writeTimer_->stop(); }
    void ShowWritten(BookKind kind, const std::bitset<kStoreSlots>& failed) override {
        CColorListCtrl* list = window_.ListOf(kind);
        for (int row = 0; row < list->RowCount(); ++row) {
            const qint32 slot = list->RowData(row);
            const bool unwritten =
                slot >= 0 && slot < kStoreSlots && failed.test(static_cast<std::size_t>(slot));
            list->SetTextColor(row, -1, unwritten ? kUnwrittenRow : kWrittenRow, false);
        }
        list->viewport()->update();
    }
    void ShowStatus(BookKind kind, const QString& line) override {
        static_cast<QLineEdit*>(window_.Control(CountersOf(kind)))->setText(line);
    }
    void EndWrite() override {
        window_.progress_->setValue(0);
        window_.progress_->setVisible(false);
        window_.EnterIdleState();
        if (DontRemoveNotice* notice = window_.Notice()) {
            notice->Hide();
        }
    }

private:
    MainDialog& window_;
};

class MainDialog::InfoWindow final : public CardInfoView {
public:
    explicit InfoWindow(MainDialog& window) : window_(window) {}

    void Message(int id, const QString& argument) override { ShowMessageOf(id, argument); }
    void SetProgress(int percent) override { window_.progress_->setValue(percent); }
    void StopTimer() override { window_.infoTimer_->stop(); }
    // Here both GSM families share one colour, unlike after a Load.
    void ShowCardType(CardFamily family) override {
        auto* line = static_cast<CColorLabel*>(window_.Control(kCardType));
        const bool ruim = family == CardFamily::Ruim;
        line->setText(ruim ? QStringLiteral("CDMA/R-UIM") : QStringLiteral("GSM/USIM"));
        line->SetTextColor(ruim ? QColor(255, 0, 0) : QColor(255, 0, 255));
    }
    void Repaint() override { window_.repaint(); }
    void Pause(int milliseconds) override {
        window_.progress_->repaint();
        QThread::msleep(static_cast<unsigned long>(milliseconds));
    }
    void BeginMeasure() override {
        window_.progress_->setValue(0);
        window_.progress_->setVisible(true);
        window_.EnterBusyState();
        window_.infoTimer_->start(kInfoTimerMs);
        if (DontRemoveNotice* notice = window_.Notice()) {
            notice->Show();
        }
    }
    void EndMeasure(bool succeeded) override {
        if (DontRemoveNotice* notice = window_.Notice()) {
            notice->Hide();
        }
        window_.progress_->setValue(0);
        window_.progress_->setVisible(false);
        window_.EnterIdleState();
        if (succeeded) {
            window_.Control(kNew)->setEnabled(true);
        }
    }
    void ShowText(const QString& text) override {
        ShowMessage({Text(kMsgTitle), text, MessageButtons::Ok, MessageKind::Exclamation});
    }

private:
    MainDialog& window_;
};

void MainDialog::OnButtonSave() {
    if (!saver_) {
        saveWindow_ = std::make_unique<SaveWindow>(*this);
        saver_ = std::make_unique<BookSaver>(*cardLibrary_, *books_);
        writeTimer_ = new QTimer(this);
        connect(writeTimer_, &QTimer::timeout, this, [this] { saver_->Tick(*saveWindow_); });
    }
    saver_->Start(CurrentBookKind(), pinRunner_, PromptOrDecline(), *saveWindow_);
}

void MainDialog::OnButtonSiminfo() {
    if (!cardInfo_) {
        infoWindow_ = std::make_unique<InfoWindow>(*this);
        cardInfo_ = std::make_unique<CardInformation>(*cardLibrary_);
        infoTimer_ = new QTimer(this);
        connect(infoTimer_, &QTimer::timeout, this, [this] { cardInfo_->Tick(*infoWindow_); });
    }
    cardInfo_->Start(*infoWindow_);
}

bool MainDialog::SaveRunning() const {
    return saver_ && saver_->Running();
}

bool MainDialog::InfoRunning() const {
    return cardInfo_ && cardInfo_->Running();
}

} // namespace brisken
