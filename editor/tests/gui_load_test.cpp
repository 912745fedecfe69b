// Load in the real window against a scripted card: what the user sees while
// it runs and once the list is rebuilt.
#include "controls/color_label.h"
#include "controls/color_list_ctrl.h"
#include "core/card_information.h"
#include "core/catalogue.h"
#include "core/language.h"
#include "core/main_frame.h"
#include "core/messages.h"
#include "scripted_card_library.h"
#include "shown_window.h"
#include "ui/main_dialog.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace brisken;
using namespace brisken::ctl;
using brisken::testing::PhoneItem;
using brisken::testing::ScriptedCard;
using brisken::testing::ScriptedCardLibrary;

namespace {

class LoadWindowTest : public brisken::testing::ShownWindowTest {
protected:
    MessageAnswer OnMessage(const MessageRequest& request) override {
        requests.push_back(request.text);
        return MessageAnswer::Ok;
    }
    ScriptedCardLibrary& UseCard(ScriptedCard card) {
        std::strcpy(card.info.iccid, "8949000000000000001");
        auto library = std::make_unique<ScriptedCardLibrary>(std::move(card));
        ScriptedCardLibrary& kept = *library;
        window.SetCardLibrary(std::move(library));
        return kept;
    }
    template <typename T> T* W(int id) const {
        return window.findChild<T*>(QStringLiteral("id%1").arg(id));
    }
    void Click(int id) { QTest::mouseClick(W<QWidget>(id), Qt::LeftButton, {}, QPoint(5, 5)); }
    void ClickRow(CColorListCtrl* list, int row) {
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void Retype(int id, const QString& text) {
        QLineEdit* field = W<QLineEdit>(id);
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }

    QStringList requests;
};

TEST_F(LoadWindowTest, BusyWhileReadingThenTheRebuiltList) {
    ScriptedCard card;
    card.readDelayMs = 30;
    card.adnFiles = {
        {PhoneItem("Alice", "123"), {}, PhoneItem("Bob", "456"), PhoneItem("Carol", "789")}};
    card.failingReads = {{0, 4}};
    UseCard(card);
    Click(kLoad);
    EXPECT_TRUE(window.IsBusy());
    EXPECT_FALSE(W<QWidget>(kLoad)->isVisible());
    EXPECT_TRUE(W<QProgressBar>(kProgress)->isVisible());
    EXPECT_TRUE(W<QLineEdit>(kNameField)->isReadOnly());
    // Closing is refused while the worker fills the store.
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(requests.value(0), Text(kMsgBusyWait));

    QTRY_VERIFY_WITH_TIMEOUT(!window.LoadRunning(), 10000);
    EXPECT_FALSE(window.IsBusy());
    EXPECT_TRUE(W<QWidget>(kLoad)->isVisible());
    EXPECT_FALSE(W<QProgressBar>(kProgress)->isVisible());
    EXPECT_TRUE(W<QWidget>(kNew)->isEnabled());
    auto* list = W<CColorListCtrl>(kPhoneList);
    ASSERT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->CellText(1, 0), "2");
    EXPECT_EQ(list->CellText(1, 1), "Bob");
    EXPECT_EQ(list->RowData(1), 2);
    EXPECT_EQ(list->SelectedRow(), 0);
    EXPECT_EQ(W<QLineEdit>(kPhoneCounters)->text(), "4 / 2 / 2");
    auto* type = W<CColorLabel>(kCardType);
    EXPECT_EQ(type->text(), "GSM/USIM");
    EXPECT_EQ(type->TextColor(), QColor(255, 0, 255));
    EXPECT_EQ(W<CColorLabel>(kIdentity)->text(), "ICCID : 8949000000000000001");
    // The record that could not be read is reported once the list is there.
    EXPECT_EQ(requests.value(1), Text(kMsgRecordsNotRead).arg(1));
}

TEST_F(LoadWindowTest, FailedOpenLeavesTheWindowIdle) {
    ScriptedCard card;
    card.cdma = true;
    card.openFails = true;
    ScriptedCardLibrary& library = UseCard(card);
    Click(kRadioSms);
    Click(kLoad);
    EXPECT_FALSE(window.LoadRunning());
    EXPECT_FALSE(window.IsBusy());
    EXPECT_EQ(requests, QStringList{Text(kMsgReadSmsBookFailed)});
    EXPECT_EQ(W<CColorLabel>(kCardType)->text(), "CDMA/R-UIM");
    EXPECT_EQ(library.OpenConnections(), 0);
}

TEST_F(LoadWindowTest, SaveDrawsWrittenRowsBlackAndLeavesUnwrittenOnesRed) {
    ScriptedCard card;
    card.adnFiles = {
        {PhoneItem("Alice", "123"), PhoneItem("Bob", "456"), PhoneItem("Carol", "789")}};
    card.failingWrites = {3};
    card.writeDelayMs = 30;
    ScriptedCardLibrary& library = UseCard(card);
    Click(kLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!window.LoadRunning(), 10000);
    auto* list = W<CColorListCtrl>(kPhoneList);
    ClickRow(list, 1);
    Retype(kNameField, QStringLiteral("Bobby"));
    ClickRow(list, 2);
    Retype(kNumberField, QStringLiteral("999"));
    ASSERT_EQ(list->TextColor(1, 1), QColor(255, 0, 0));
    library.TakeLog();

    Click(kSave);
    EXPECT_TRUE(window.SaveRunning());
    EXPECT_TRUE(window.IsBusy());
    EXPECT_TRUE(W<QProgressBar>(kProgress)->isVisible());
    EXPECT_TRUE(W<QLineEdit>(kNameField)->isReadOnly());
    window.close();
    EXPECT_TRUE(window.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!window.SaveRunning(), 10000);
    EXPECT_FALSE(window.IsBusy());
    EXPECT_FALSE(W<QProgressBar>(kProgress)->isVisible());

    const auto log = library.TakeLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "WritePhoneBook 2 name=Bobby number=456"),
              log.end());
    EXPECT_EQ(list->TextColor(0, 1), QColor(0, 0, 0));
    EXPECT_EQ(list->TextColor(1, 1), QColor(0, 0, 0));
    EXPECT_EQ(list->TextColor(2, 1), QColor(255, 0, 0));
    EXPECT_EQ(W<QLineEdit>(kPhoneCounters)->text(), "3 / 3 / 0");
    EXPECT_EQ(requests.back(), Text(kMsgRecordsNotWritten).arg(1));
    EXPECT_TRUE(window.BookStore().phone.values.changed);
    EXPECT_EQ(library.OpenConnections(), 0);
}

TEST_F(LoadWindowTest, CardInformationShowsTheSizesOnceTheWalkIsDone) {
    ScriptedCard card;
    card.usim = true;
    card.fileMapSize = 51200;
    card.fileMapDelayMs = 100;
    card.info.phoneBookSize = 14000;
    card.info.smsSize = 0; // no SMS file
    ScriptedCardLibrary& library = UseCard(card);
    W<QWidget>(kNew)->setEnabled(false);
    Click(kCardInfo);
    EXPECT_TRUE(window.InfoRunning());
    EXPECT_TRUE(window.IsBusy());
    EXPECT_TRUE(W<QProgressBar>(kProgress)->isVisible());
    auto* type = W<CColorLabel>(kCardType);
    EXPECT_EQ(type->text(), "GSM/USIM");
    EXPECT_EQ(type->TextColor(), QColor(255, 0, 255));
    QTRY_VERIFY_WITH_TIMEOUT(!window.InfoRunning(), 15000);
    EXPECT_FALSE(window.IsBusy());
    EXPECT_FALSE(W<QProgressBar>(kProgress)->isVisible());
    EXPECT_TRUE(W<QWidget>(kNew)->isEnabled());
    EXPECT_EQ(requests, QStringList{CardSizesText(51200, 14000, 0)});
    EXPECT_TRUE(requests.value(0).startsWith("Total size : 51200 Bytes (50 KB)"));
    EXPECT_EQ(library.OpenConnections(), 0);
}

} // namespace
