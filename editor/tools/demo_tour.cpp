#include "demo_tour.h"

#include "controls/color_list_ctrl.h"
#include "core/catalogue.h"
#include "core/language.h"
#include "core/main_frame.h"
#include "demo_driver.h"
#include "ui/main_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <string_view>
#include <vector>

namespace brisken {
namespace {

using namespace ctl;

const QColor kChangedRow(255, 0, 0);

class Tour {
public:
    Tour(MainDialog& window, ModalHandler& modals, QString out, int timeoutMs)
        : window_(window), modals_(modals), out_(std::move(out)), timeoutMs_(timeoutMs) {}

    bool Run();

private:
    void Step(const char* name) {
        ++step_;
        name_ = QStringLiteral("tour-%1-%2").arg(step_, 2, 10, QLatin1Char('0')).arg(name);
        modals_.BeginStep(name_);
        Say(QStringLiteral("== %1").arg(name_));
    }
    void Picture() {
        const QString path = SavePicture(window_, out_, name_ + QStringLiteral(".png"));
        if (!path.isEmpty()) {
            Say(QStringLiteral("screenshot: %1").arg(path));
        }
    }
    void Check(bool ok, const QString& what) {
        if (!ok) {
            Say(QStringLiteral("tour: %1: %2 FAILED").arg(name_, what));
            failures_ = true;
        }
    }
    static QStringList Texts(const std::vector<int>& ids) {
        QStringList texts;
        for (int id : ids) {
            texts.append(Text(id).simplified());
        }
        return texts;
    }
    // The dialogs and messages the step showed, by catalogue id, in order.
    void Saw(const std::vector<int>& ids) {
        const QStringList seen = modals_.TakeSeen();
        const QStringList expected = Texts(ids);
        Check(seen == expected,
              QStringLiteral("showed [%1], not [%2]")
                  .arg(seen.join(QStringLiteral(" | ")), expected.join(QStringLiteral(" | "))));
    }
    // Waits until the window's thread has run the posted action to its end.
    void Settle() {
        QElapsedTimer clock;
        clock.start();
        do {
            QTest::qWait(100);
        } while ((window_.IsBusy() || QApplication::activeModalWidget() != nullptr ||
                  QApplication::activePopupWidget() != nullptr || clock.elapsed() < 300) &&
                 clock.elapsed() < timeoutMs_);
    }
    template <typename Widget = QWidget> Widget* Find(int id) {
        return window_.findChild<Widget*>(QStringLiteral("id%1").arg(id));
    }
    void Click(int id) {
        if (auto* button = Find<QAbstractButton>(id)) {
            button->click();
        } else {
            Check(false, QStringLiteral("no control %1").arg(id));
        }
        Settle();
    }
    void PinMenu(int command) {
        modals_.ChooseMenuCommand(command);
        Click(kPin);
    }
    LoadOutcome Load(const char* listName, const char* book) {
        return PressLoad(window_, *Find<QAbstractButton>(kLoad), timeoutMs_, listName, book,
                         modals_);
    }
    void TypeInto(int fieldId, const QString& text) {
        if (auto* field = Find<QLineEdit>(fieldId)) {
            field->setFocus();
            field->end(false);
            QTest::keyClicks(field, text);
        } else if (auto* message = Find<QPlainTextEdit>(fieldId)) {
            message->setFocus();
            message->moveCursor(QTextCursor::End);
            QTest::keyClicks(message, text);
        }
        QTest::qWait(100);
    }

    void PhoneBook();
    void SmsBook();
    void PinActions();

    MainDialog& window_;
    ModalHandler& modals_;
    QString out_;
    int timeoutMs_;
    int step_ = 0;
    QString name_;
    bool failures_ = false;
};

void Tour::PhoneBook() {
    auto* list = Find<CColorListCtrl>(kPhoneList);
    Step("load-wrong-pin");
    modals_.SetCode(QStringLiteral("0000"));
    Check(Load("id1000", "phone-book") == LoadOutcome::NoCardOperation, "Load was refused");
    Saw({kMsgInputPinCaption, kMsgVerifyPinFailed});
    Picture();

    Step("load-phone-book");
    modals_.SetCode(QStringLiteral("1234"));
    Check(Load("id1000", "phone-book") == LoadOutcome::Ended, "Load ended");
    Saw({kMsgInputPinCaption});
    const int rows = list->RowCount();
    Check(rows > 6, QStringLiteral("%1 rows").arg(rows));
    Picture();
    if (rows <= 6) {
        return;
    }

    Step("select");
    ClickRow(window_, "id1000", 2);
    Check(Find<QLineEdit>(kNameField)->text() == list->CellText(2, 1),
          "the name field shows row 3");
    Check(Find<QLineEdit>(kNumberField)->text() == list->CellText(2, 2),
          "the number field shows row 3");
    Check(list->TextColor(2, 1) != kChangedRow, "a selected row stays black");
    Picture();

    Step("edit-name");
    const QString before = list->CellText(2, 1);
    TypeInto(kNameField, QStringLiteral(" (work)"));
    Check(list->CellText(2, 1) == before + QStringLiteral(" (work)"), "the row took the new name");
    Check(list->TextColor(2, 1) == kChangedRow, "the edited row is red");
    Picture();

    Step("new-entry");
    Click(kNew);
    Check(list->RowCount() == rows + 1, "New added a row");
    TypeInto(kNameField, QStringLiteral("Anna Berg"));
    TypeInto(kNumberField, QStringLiteral("+4930123456"));
    const int added = list->SelectedRow();
    Check(added >= 0 && list->CellText(added, 1) == QStringLiteral("Anna Berg") &&
              list->CellText(added, 2) == QStringLiteral("+4930123456") &&
              list->TextColor(added, 1) == kChangedRow,
          "the new row holds what was typed, in red");
    Picture();

    // A row below the edited one, so that the picture shows that one red.
    Step("delete-entry");
    list->scrollToTop();
    ClickRow(window_, "id1000", 5);
    const QString removed = list->CellText(5, 1);
    Click(kDelete);
    Check(list->RowCount() == rows, "Delete removed a row");
    Check(list->CellText(5, 1) != removed, "the deleted row is gone");
    Check(Find<QLineEdit>(kNameField)->text() == list->CellText(5, 1),
          "the fields show the row that moved up");
    Saw({});
    Picture();
}

void Tour::SmsBook() {
    auto* list = Find<CColorListCtrl>(kSmsList);
    Step("sms-load");
    Click(kRadioSms);
    const LoadOutcome outcome = Load("id1012", "SMS");
    const bool loaded = outcome == LoadOutcome::Ended;
    // A card whose SMS book the editor cannot open (PHS) says so.
    if (loaded) {
        Saw({});
    } else {
        Saw({kMsgReadSmsBookFailed});
        Say(QStringLiteral("tour: the SMS book could not be opened on this card"));
    }
    const int rows = list->RowCount();
    if (rows > 0) {
        ClickRow(window_, "id1012", 0);
        Check(!Find<QLineEdit>(kSmsStatusField)->text().isEmpty(), "a message is shown");
    }
    Picture();

    Step("sms-new");
    Click(kNew);
    Check(list->RowCount() == rows + 1, "New added a message");
    TypeInto(kSmsNumberField, QStringLiteral("0301234567"));
    TypeInto(kSmsMessageField, QStringLiteral("See you at eight"));
    const int added = list->SelectedRow();
    Check(added >= 0 && list->CellText(added, 1) == Text(kMsgSmsToBeSent) &&
              list->CellText(added, 2) == QStringLiteral("0301234567") &&
              list->TextColor(added, 1) == kChangedRow,
          "the new message is to be sent, in red");
    Picture();

    if (rows > 0) {
        Step("sms-delete");
        ClickRow(window_, "id1012", 0);
        Click(kDelete);
        Check(list->RowCount() == rows, "Delete removed a message");
        Picture();
    }
    Click(kRadioPhone);
}

void Tour::PinActions() {
    struct PinStep {
        const char* name;
        int command; // a PIN menu command, or the Unblock button
        const char* code;
        const char* newPin;
        std::vector<int> shown;
    };
    // The PIN was verified by the Load before: enable and disable use it.
    const std::vector<PinStep> steps = {
        {"enable-when-enabled", kCmdEnablePin, nullptr, nullptr, {kMsgPinEnabled}},
        {"disable", kCmdDisablePin, nullptr, nullptr, {kMsgDisablePinDone}},
        {"disable-when-disabled", kCmdDisablePin, nullptr, nullptr, {kMsgPinDisabled}},
        {"enable", kCmdEnablePin, nullptr, nullptr, {kMsgEnablePinDone}},
        {"change-mismatch",
         kCmdChangePin,
         nullptr,
         "1111|2222",
         {kMsgChangePinCaption, kMsgPinsDiffer}},
        {"change", kCmdChangePin, nullptr, "4321", {kMsgChangePinCaption, kMsgChangePinDone}},
        {"change-back",
         kCmdChangePin,
         "4321",
         "1234",
         {kMsgInputPinCaption, kMsgChangePinCaption, kMsgChangePinDone}},
        {"unblock-when-not-blocked", kUnblock, nullptr, nullptr, {kMsgCardNotBlocked}},
        {"disable-wrong-pin-1",
         kCmdDisablePin,
         "0000",
         nullptr,
         {kMsgInputPinCaption, kMsgDisablePinFailed}},
        {"disable-wrong-pin-2",
         kCmdDisablePin,
         "0000",
         nullptr,
         {kMsgInputPinCaption, kMsgDisablePinFailed}},
        {"disable-wrong-pin-3",
         kCmdDisablePin,
         "0000",
         nullptr,
         {kMsgInputPinCaption, kMsgDisablePinFailed}},
        {"disable-when-blocked", kCmdDisablePin, nullptr, nullptr, {kMsgCardBlocked}},
        {"unblock-wrong-puk",
         kUnblock,
         "00000000",
         "1234",
         {kMsgUnblockCaption, kMsgInputNewPinCaption, kMsgUnblockFailed}},
        {"unblock",
         kUnblock,
         "12345678",
         "1234",
         {kMsgUnblockCaption, kMsgInputNewPinCaption, kMsgUnblockDone}},
    };
    for (const PinStep& step : steps) {
        Step(step.name);
        if (step.code != nullptr) {
            modals_.SetCode(QString::fromLatin1(step.code));
        }
        if (step.newPin != nullptr) {
            modals_.SetNewPin(QString::fromLatin1(step.newPin));
        }
        if (step.command == kUnblock) {
            Click(kUnblock);
        } else {
            PinMenu(step.command);
        }
        Saw(step.shown);
        if (std::string_view(step.name) == "disable-when-blocked") {
            // Load on a blocked card says so instead of asking for a PIN.
            Step("load-when-blocked");
            Check(Load("id1000", "phone-book") == LoadOutcome::NoCardOperation, "Load was refused");
            Saw({kMsgCardBlocked});
        }
    }
    Step("load-after-unblock");
    modals_.SetCode(QStringLiteral("1234"));
    Check(Load("id1000", "phone-book") == LoadOutcome::Ended, "Load ended");
    Saw({kMsgInputPinCaption});
    Picture();
}

bool Tour::Run() {
    // The tour needs the PIN enabled: a card that has it so already says so.
    Step("enable-first");
    modals_.SetCode(QStringLiteral("1234"));
    PinMenu(kCmdEnablePin);
    const QStringList seen = modals_.TakeSeen();
    Check(seen == Texts({kMsgPinEnabled}) ||
              seen == Texts({kMsgInputPinCaption, kMsgEnablePinDone}),
          QStringLiteral("showed [%1]").arg(seen.join(QStringLiteral(" | "))));
    PhoneBook();
    SmsBook();
    PinActions();
    Say(failures_ ? QStringLiteral("tour: some steps failed")
                  : QStringLiteral("tour: every step showed what it should"));
    return !failures_;
}

} // namespace

bool RunTour(MainDialog& window, ModalHandler& modals, const QString& out, int timeoutMs) {
    return Tour(window, modals, out, timeoutMs).Run();
}

} // namespace brisken
