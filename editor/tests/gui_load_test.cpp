// Load in the real window against a scripted card: what the user sees while
// it runs and once the list is rebuilt.
#include "controls/color_label.h"
#include "controls/color_list_ctrl.h"
#include "core/catalogue.h"
#include "core/language.h"
#include "core/main_frame.h"
#include "core/messages.h"
#include "scripted_card_library.h"
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

class LoadWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUserDefaultLanguageIdForTesting(1033);
        previous = SetMessageHandler([this](const MessageRequest& request) {
            requests.push_back(request.text);
            return MessageAnswer::Ok;
        });
        window.SetSettingsPath(dir.filePath(QStringLiteral("Brisken.ini")));
        ASSERT_TRUE(window.OnInitDialog());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override {
        SetMessageHandler(previous);
        SetUserDefaultLanguageIdForTesting(0);
        SetInterfaceLanguage(0);
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

    QTemporaryDir dir;
    MessageHandler previous;
    QStringList requests;
    MainDialog window;
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

} // namespace
