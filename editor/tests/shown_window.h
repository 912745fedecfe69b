// The main window as the GUI tests start it: English texts, settings in a
// temporary home, initialised and shown on screen, and every message box
// handed to the test instead of opened.
#pragma once

#include "core/language.h"
#include "core/messages.h"
#include "ui/main_dialog.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace brisken::testing {

class ShownWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUserDefaultLanguageIdForTesting(1033);
        previous_ =
            SetMessageHandler([this](const MessageRequest& request) { return OnMessage(request); });
        window.SetSettingsPath(Ini());
        ASSERT_TRUE(window.OnInitDialog());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override {
        SetMessageHandler(previous_);
        SetUserDefaultLanguageIdForTesting(0);
        SetInterfaceLanguage(0);
    }

    // Records a message box the window raised and gives the user's answer.
    virtual MessageAnswer OnMessage(const MessageRequest& request) = 0;

    QString Ini() const { return dir.filePath(QStringLiteral("Brisken.ini")); }

    QTemporaryDir dir;
    MainDialog window;

private:
    MessageHandler previous_;
};

} // namespace brisken::testing
