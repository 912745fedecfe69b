// The main window over the real card library, pcscd and a virtual card of
// this process: what the user sees when the card goes away in the middle of a
// Load, and that the window goes on working with the next card.
#include "card_in_slot.h"
#include "controls/color_list_ctrl.h"
#include "core/card_library.h"
#include "core/catalogue.h"
#include "core/language.h"
#include "core/main_frame.h"
#include "core/messages.h"
#include "core/nimbrel_binding.h"
#include "ui/main_dialog.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace brisken {
namespace {

using namespace ctl;

std::string Profile(const char* name) {
    return std::string(SIM_PROFILE_DIR) + "/" + name;
}

class WindowThroughPcscd : public ::testing::Test {
protected:
    void SetUp() override {
        SetUserDefaultLanguageIdForTesting(1033);
        previous_ = SetMessageHandler([this](const MessageRequest& request) {
            messages_.push_back(request.text);
            return MessageAnswer::Ok;
        });
        window_.SetSettingsPath(dir_.filePath(QStringLiteral("Brisken.ini")));
        ASSERT_TRUE(window_.OnInitDialog());
        ASSERT_TRUE(window_.SetCardLibrary(std::make_unique<NimbrelCardLibrary>(binding_)));
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }
    void TearDown() override {
        SetMessageHandler(previous_);
        SetUserDefaultLanguageIdForTesting(0);
        SetInterfaceLanguage(0);
    }
    template <typename T> T* W(int id) const {
        return window_.findChild<T*>(QStringLiteral("id%1").arg(id));
    }
    bool WaitForLoad() {
        return QTest::qWaitFor([this] { return !window_.LoadRunning() && !window_.IsBusy(); },
                               60000);
    }

    NimbrelBinding binding_{QStringLiteral(NIMBREL_LIBRARY)};
    QTemporaryDir dir_;
    MessageHandler previous_;
    QStringList messages_;
    MainDialog window_;
};

TEST_F(WindowThroughPcscd, CardPulledOutDuringLoadIsReportedAndTheWindowGoesOn) {
    auto card = std::make_unique<CardInSlot>(Profile("book_gsm_sim.json"));
    W<QAbstractButton>(kLoad)->click();
    ASSERT_TRUE(window_.IsBusy()) << messages_.join(QLatin1Char('\n')).toStdString();
    card->Remove();
    ASSERT_TRUE(WaitForLoad());

    ASSERT_EQ(messages_.size(), 1) << messages_.join(QLatin1Char('\n')).toStdString();
    const QString pattern = Text(kMsgRecordsNotRead);
    const QString prefix = pattern.left(pattern.indexOf(QStringLiteral("%1")));
    const QString suffix = pattern.mid(pattern.indexOf(QStringLiteral("%1")) + 2);
    EXPECT_TRUE(messages_[0].startsWith(prefix) && messages_[0].endsWith(suffix))
        << messages_[0].toStdString();
    const int unread = messages_[0].mid(prefix.size()).section(QLatin1Char(' '), 0, 0).toInt();
    EXPECT_GT(unread, 0);
    EXPECT_EQ(static_cast<int>(window_.BookStore().phone.unreadable.count()), unread);
    // Idle again: the card actions are back and the fields can be typed in.
    EXPECT_TRUE(W<QAbstractButton>(kLoad)->isVisible());
    EXPECT_TRUE(W<QAbstractButton>(kNew)->isVisible());
    EXPECT_FALSE(W<QLineEdit>(kNameField)->isReadOnly());

    // The next card loads whole.
    messages_.clear();
    card = std::make_unique<CardInSlot>(Profile("book_gsm_sim.json"));
    W<QAbstractButton>(kLoad)->click();
    ASSERT_TRUE(WaitForLoad());
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(window_.BookStore().phone.unreadable.count(), 0u);
    EXPECT_EQ(W<QLineEdit>(kPhoneCounters)->text(), QStringLiteral("250 / 5 / 245"));
}

} // namespace
} // namespace brisken
