// Editing in the main window as a user does it: clicking rows, typing into
// the fields, New and Delete; the PIN dialogs; the "don't remove" notice.
#include "controls/color_list_ctrl.h"
#include "core/catalogue.h"
#include "core/editing.h"
#include "core/language.h"
#include "core/messages.h"
#include "ui/dont_remove_window.h"
#include "ui/main_dialog.h"
#include "ui/pin_dialogs.h"

#include "scripted_card_library.h"
#include "shown_window.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace brisken;
using namespace brisken::ctl;

namespace {

const QColor kRed(255, 0, 0);

// Runs `act` on the modal dialog once it is open.
void WithModalDialog(std::function<void(QWidget*)> act) {
    QTimer::singleShot(50, [act] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
}

template <typename T> T* Child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

class EditingTest : public brisken::testing::ShownWindowTest {
protected:
    MessageAnswer OnMessage(const MessageRequest& request) override {
        requests.push_back(request);
        return answer;
    }

    template <typename T> T* W(int id) const {
        return window.findChild<T*>(QStringLiteral("id%1").arg(id));
    }
    CColorListCtrl* List(int id) const { return W<CColorListCtrl>(id); }
    QLineEdit* Field(int id) const { return W<QLineEdit>(id); }
    void Click(int id) { QTest::mouseClick(W<QWidget>(id), Qt::LeftButton, {}, QPoint(5, 5)); }
    void ClickRow(int listId, int row) {
        CColorListCtrl* list = List(listId);
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // Replaces a field's text as a user does: select all, then type (ASCII)
    // or paste (anything else).
    void Retype(int id, const QString& text) {
        QLineEdit* field = Field(id);
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        bool ascii = true;
        for (QChar c : text) {
            ascii = ascii && c.unicode() < 128;
        }
        if (ascii) {
            QTest::keyClicks(field, text);
        } else {
            field->insert(text);
        }
    }

    static void ShowRows(CColorListCtrl* list, const std::vector<BookRow>& rows) {
        for (const BookRow& shown : rows) {
            const int row = list->InsertRow(list->RowCount(), shown.cells.value(0));
            for (int column = 1; column < shown.cells.size(); ++column) {
                list->SetCellText(row, column, shown.cells[column]);
            }
            list->SetRowData(row, shown.slot);
        }
    }

    // A phone book as a card read leaves it: entries in slots, one row each.
    void LoadPhoneBook(const std::vector<std::pair<const char*, const char*>>& entries,
                       int records) {
        Book<PhoneEntry>& book = window.BookStore().phone;
        CColorListCtrl* list = List(kPhoneList);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            PhoneEntry& entry = book.store[i];
            std::strncpy(entry.narrowName, entries[i].first, sizeof(entry.narrowName) - 1);
            std::memcpy(entry.number, entries[i].second,
                        std::min(std::strlen(entries[i].second), sizeof(entry.number)));
            entry.state = ENTRY_OCCUPIED;
        }
        ShowRows(list, BuildRows(book));
        book.values.notLoaded = false;
        book.values.cardRecordCount = records;
        book.values.nextRowNumber = static_cast<int>(entries.size()) + 1;
    }

    std::vector<MessageRequest> requests;
    MessageAnswer answer = MessageAnswer::Ok;
};

TEST_F(EditingTest, SelectingARowShowsItWithoutTouchingTheEntry) {
    LoadPhoneBook({{"Anna", "0301"}, {"M\xFCller \xC5sa", "12345678901234567890"}}, 10);
    const PhoneEntry before = window.BookStore().phone.store[1];

    ClickRow(kPhoneList, 1);
    EXPECT_EQ(Field(kNameField)->text(), QString::fromUtf8("Müller Åsa"));
    EXPECT_EQ(Field(kNumberField)->text(), QStringLiteral("12345678901234567890"));
    EXPECT_EQ(std::memcmp(&before, &window.BookStore().phone.store[1], sizeof(PhoneEntry)), 0);
    EXPECT_FALSE(window.BookStore().phone.values.changed);
    EXPECT_NE(List(kPhoneList)->TextColor(1, 1), kRed);
    EXPECT_EQ(window.BookStore().phone.selection.slot, 1);

    // Moving up with the keyboard selects as a click does.
    QTest::keyClick(List(kPhoneList), Qt::Key_Up);
    EXPECT_EQ(Field(kNumberField)->text(), QStringLiteral("0301"));
    EXPECT_EQ(window.BookStore().phone.selection.slot, 0);
    // Typing is held to the field's limit again for an ordinary entry.
    Retype(kNumberField, QString(25, QLatin1Char('7')));
    EXPECT_EQ(Field(kNumberField)->text().size(), kNumberFieldLimit);
}

TEST_F(EditingTest, TypingChangesTheEntryItsRowAndAsksBeforeClosing) {
    LoadPhoneBook({{"Anna", "0301"}, {"Ben", "0302"}}, 10);
    ClickRow(kPhoneList, 1);
    Field(kNameField)->selectAll();
    Field(kNameField)->insert(QStringLiteral("Ben"));      // pasted over itself
    EXPECT_FALSE(window.BookStore().phone.values.changed); // the same text again

    Retype(kNameField, QString::fromUtf8("Björn"));
    Retype(kNumberField, QStringLiteral("+49#1a*")); // the letter is dropped
    const PhoneEntry& entry = window.BookStore().phone.store[1];
    EXPECT_STREQ(entry.narrowName, "Bj\xF6rn");
    EXPECT_STREQ(entry.number, "+49#1*");
    EXPECT_EQ(entry.state, ENTRY_OCCUPIED | ENTRY_CHANGED);
    EXPECT_EQ(List(kPhoneList)->CellText(1, 1), QString::fromUtf8("Björn"));
    EXPECT_EQ(List(kPhoneList)->CellText(1, 2), QStringLiteral("+49#1*"));
    EXPECT_EQ(List(kPhoneList)->TextColor(1, 0), kRed);
    EXPECT_NE(List(kPhoneList)->TextColor(0, 0), kRed);

    QTest::keyClick(Field(kNameField), Qt::Key_Return); // Enter does nothing
    EXPECT_TRUE(window.isVisible());
    answer = MessageAnswer::No;
    Click(kClose);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgConfirmExit));
    EXPECT_TRUE(window.isVisible());
}

TEST_F(EditingTest, AfterSortingAnEditLandsOnTheRowOfItsEntry) {
    LoadPhoneBook({{"Anna", "0301"}, {"Ben", "0302"}, {"Cleo", "0303"}}, 10);
    ClickRow(kPhoneList, 0); // Anna
    CColorListCtrl* list = List(kPhoneList);
    list->SortByColumn(1, false); // Cleo, Ben, Anna
    Retype(kNumberField, QStringLiteral("999"));
    EXPECT_EQ(list->CellText(2, 1), QStringLiteral("Anna"));
    EXPECT_EQ(list->CellText(2, 2), QStringLiteral("999"));
    EXPECT_EQ(list->TextColor(2, 0), kRed);
    EXPECT_NE(list->TextColor(0, 0), kRed);
    EXPECT_STREQ(window.BookStore().phone.store[0].number, "999");
    EXPECT_STREQ(window.BookStore().phone.store[2].number, "0303");
}

TEST_F(EditingTest, FieldsStayOutOfTheStoresWhileACardOperationRuns) {
    LoadPhoneBook({{"Anna", "0301"}}, 10);
    ClickRow(kPhoneList, 0);
    window.EnterBusyState();
    EXPECT_TRUE(Field(kNameField)->isReadOnly());
    Field(kNameField)->setText(QStringLiteral("changed behind the worker's back"));
    EXPECT_STREQ(window.BookStore().phone.store[0].narrowName, "Anna");
    EXPECT_FALSE(window.BookStore().phone.values.changed);
    Click(kClose);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgBusyWait));
    window.EnterIdleState();
    EXPECT_FALSE(Field(kNameField)->isReadOnly());
}

TEST_F(EditingTest, NewAndDeleteInALoadedPhoneBook) {
    LoadPhoneBook({{"A", "1"}, {"B", "2"}, {"C", "3"}}, 4);
    CColorListCtrl* list = List(kPhoneList);

    // Delete in the middle: the row below moves up and is shown.
    ClickRow(kPhoneList, 1);
    Click(kDelete);
    ASSERT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->CellText(1, 0), QStringLiteral("3")); // a gap in "No"
    EXPECT_EQ(list->SelectedRow(), 1);
    EXPECT_EQ(Field(kNameField)->text(), QStringLiteral("C"));
    EXPECT_TRUE(window.BookStore().phone.values.changed);
    EXPECT_NE(window.BookStore().phone.store[1].state & ENTRY_DELETED, 0);

    // New reuses the deleted slot, empty, and goes on with the numbering.
    Click(kNew);
    ASSERT_EQ(list->RowCount(), 3);
    const int row = list->SelectedRow();
    EXPECT_EQ(list->CellText(row, 0), QStringLiteral("4"));
    EXPECT_EQ(list->RowData(row), 1);
    EXPECT_EQ(list->TextColor(row, 0), kRed);
    EXPECT_EQ(Field(kNameField)->text(), QString());
    EXPECT_EQ(window.BookStore().phone.store[1].state, ENTRY_OCCUPIED | ENTRY_CHANGED);
    QTest::keyClicks(Field(kNameField), QStringLiteral("Dora"));
    EXPECT_STREQ(window.BookStore().phone.store[1].narrowName, "Dora");
    EXPECT_EQ(list->CellText(row, 1), QStringLiteral("Dora"));

    // One record left on the card, then none.
    Click(kNew);
    EXPECT_TRUE(requests.empty());
    Click(kNew);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgPhoneBookFull));
    EXPECT_EQ(list->RowCount(), 4);

    // Deleting the last row selects the one before; deleting all empties the fields.
    ClickRow(kPhoneList, 3);
    Click(kDelete);
    EXPECT_EQ(list->SelectedRow(), 2);
    while (list->RowCount() > 0) {
        Click(kDelete);
    }
    EXPECT_EQ(Field(kNameField)->text(), QString());
    EXPECT_EQ(Field(kNumberField)->text(), QString());
    Click(kDelete); // nothing left: nothing happens
    QTest::keyClicks(Field(kNameField), QStringLiteral("orphan"));
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_NE(
            window.BookStore().phone.store[static_cast<std::size_t>(slot)].state & ENTRY_DELETED, 0)
            << slot;
    }
}

TEST_F(EditingTest, NewWithEverySlotTakenChangesNothing) {
    Book<PhoneEntry>& book = window.BookStore().phone;
    for (PhoneEntry& entry : book.store) {
        entry.state = ENTRY_OCCUPIED;
    }
    book.values.nextRowNumber = 1025;
    Click(kNew);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgBookFullImportStopped));
    EXPECT_EQ(List(kPhoneList)->RowCount(), 0);
    EXPECT_EQ(book.values.nextRowNumber, 1025);
    EXPECT_FALSE(book.values.changed);
}

TEST_F(EditingTest, SmsSelectionNewAndMessageEditing) {
    Book<SmsEntry>& book = window.BookStore().sms;
    SmsEntry& stored = book.store[4];
    stored.smsStatus = 1;
    std::strcpy(stored.number, "+4930123");
    std::strcpy(stored.timeStamp, "2403151742");
    std::strcpy(stored.narrowText, "See you");
    stored.state = ENTRY_OCCUPIED;
    CColorListCtrl* list = List(kSmsList);
    ShowRows(list, BuildRows(book));
    book.values.notLoaded = false;
    book.values.cardRecordCount = 2;
    book.values.nextRowNumber = 2;

    Click(kRadioSms);
    ClickRow(kSmsList, 0);
    EXPECT_EQ(Field(kSmsStatusField)->text(), Text(kMsgSmsRead));
    EXPECT_EQ(Field(kSmsNumberField)->text(), QStringLiteral("+4930123"));
    EXPECT_EQ(Field(kSmsTimeField)->text(), QStringLiteral("2024/03/15 17:42"));
    auto* message = W<QPlainTextEdit>(kSmsMessageField);
    EXPECT_EQ(message->toPlainText(), QStringLiteral("See you"));
    EXPECT_FALSE(book.values.changed);

    message->setFocus();
    message->moveCursor(QTextCursor::End);
    QTest::keyClicks(message, QStringLiteral(" soon"));
    EXPECT_STREQ(stored.narrowText, "See you soon");
    EXPECT_EQ(list->CellText(0, 4), QStringLiteral("See you soon"));
    EXPECT_EQ(list->TextColor(0, 0), kRed);

    Click(kNew);
    ASSERT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->CellText(1, 1), Text(kMsgSmsToBeSent));
    EXPECT_EQ(Field(kSmsStatusField)->text(), Text(kMsgSmsToBeSent));
    EXPECT_TRUE(message->toPlainText().isEmpty());
    EXPECT_EQ(book.store[0].smsStatus, kSmsStatusToBeSent);
    Click(kNew);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgSmsBookFull));

    // Deleting the new last row shows the one before it again.
    Click(kDelete);
    ASSERT_EQ(list->RowCount(), 1);
    EXPECT_EQ(list->SelectedRow(), 0);
    EXPECT_EQ(Field(kSmsNumberField)->text(), QStringLiteral("+4930123"));
    EXPECT_EQ(message->toPlainText(), QStringLiteral("See you soon"));
    EXPECT_NE(book.store[0].state & ENTRY_DELETED, 0);
}

std::u16string Secret(const SecretText& text) {
    return std::u16string(text.data(), text.size());
}

TEST(PinDialogsTest, CodeDialogHidesInputAndTakesEightCharacters) {
    PinDialogs prompt(nullptr);
    SecretText code;
    QString shownRetries;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    WithModalDialog([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), Text(kMsgInputPinCaption));
        EXPECT_EQ(Child<QLabel>(dialog, "id1026")->text(), Text(kMsgInputPinLabel));
        EXPECT_EQ(Child<QLabel>(dialog, "id1028")->text(), Text(kMsgPinRetriesLabel));
        shownRetries = Child<QLineEdit>(dialog, "id1029")->text();
        QLineEdit* field = Child<QLineEdit>(dialog, "id1027");
        echo = field->echoMode();
        QTest::keyClicks(field, QStringLiteral("123456789"));
        QTest::mouseClick(Child<QPushButton>(dialog, "idOK"), Qt::LeftButton);
    });
    ASSERT_TRUE(prompt.AskCode(false, 3, code));
    EXPECT_EQ(Secret(code), u"12345678");
    EXPECT_EQ(shownRetries, QStringLiteral("3"));
    EXPECT_EQ(echo, QLineEdit::Password);

    // The PUK variant, with an attempt count the card did not give; Cancel.
    WithModalDialog([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), Text(kMsgUnblockCaption));
        EXPECT_EQ(Child<QLabel>(dialog, "id1026")->text(), Text(kMsgInputPukLabel));
        EXPECT_EQ(Child<QLabel>(dialog, "id1028")->text(), Text(kMsgPukRetriesLabel));
        shownRetries = Child<QLineEdit>(dialog, "id1029")->text();
        QTest::keyClicks(Child<QLineEdit>(dialog, "id1027"), QStringLiteral("9999"));
        QTest::mouseClick(Child<QPushButton>(dialog, "idCancel"), Qt::LeftButton);
    });
    SecretText puk;
    EXPECT_FALSE(prompt.AskCode(true, -1, puk));
    EXPECT_EQ(puk.size(), 0u);
    EXPECT_TRUE(shownRetries.isEmpty());
}

TEST(PinDialogsTest, NewPinDialogGivesBothEntriesAsTyped) {
    PinDialogs prompt(nullptr);
    WithModalDialog([](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), Text(kMsgChangePinCaption));
        EXPECT_EQ(Child<QLabel>(dialog, "id1035")->text(), Text(kMsgNewPinLabel));
        EXPECT_EQ(Child<QLabel>(dialog, "id1036")->text(), Text(kMsgConfirmPinLabel));
        for (const char* name : {"id1033", "id1034"}) {
            EXPECT_EQ(Child<QLineEdit>(dialog, name)->echoMode(), QLineEdit::Password);
        }
        QTest::keyClicks(Child<QLineEdit>(dialog, "id1033"), QStringLiteral("4321"));
        QTest::keyClicks(Child<QLineEdit>(dialog, "id1034"), QStringLiteral("43210000X"));
        QTest::mouseClick(Child<QPushButton>(dialog, "idOK"), Qt::LeftButton);
    });
    SecretText newPin;
    SecretText confirmed;
    ASSERT_TRUE(prompt.AskNewPin(false, newPin, confirmed));
    EXPECT_EQ(Secret(newPin), u"4321");
    EXPECT_EQ(Secret(confirmed), u"43210000");

    WithModalDialog([](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), Text(kMsgInputNewPinCaption));
        QTest::mouseClick(Child<QPushButton>(dialog, "idCancel"), Qt::LeftButton);
    });
    EXPECT_FALSE(prompt.AskNewPin(true, newPin, confirmed));
}

TEST_F(EditingTest, PinMenuAndUnblockButtonReachTheCard) {
    brisken::testing::ScriptedCard card;
    card.info.pinEnabled = 0;
    card.info.pinRetries = 3;
    card.info.pukRetries = 10;
    auto owned = std::make_unique<brisken::testing::ScriptedCardLibrary>(card);
    brisken::testing::ScriptedCardLibrary& library = *owned;
    window.SetCardLibrary(std::move(owned));

    QString retriesShown;
    WithModalDialog([&](QWidget* dialog) {
        retriesShown = Child<QLineEdit>(dialog, "id1029")->text();
        QTest::keyClicks(Child<QLineEdit>(dialog, "id1027"), QStringLiteral("1234"));
        QTest::mouseClick(Child<QPushButton>(dialog, "idOK"), Qt::LeftButton);
    });
    window.OnCommand(kCmdEnablePin);
    EXPECT_EQ(retriesShown, QStringLiteral("3"));
    const std::vector<std::string> log = library.TakeLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "EnableSIMCHV 1234"), log.end());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgEnablePinDone));
    EXPECT_EQ(library.OpenConnections(), 0);

    // PIN attempts remain: nothing to unblock, and no dialog is shown.
    requests.clear();
    Click(kUnblock);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgCardNotBlocked));
}

TEST_F(EditingTest, LoadAsksForThePinThenNewPassesOverUnreadableRecords) {
    brisken::testing::ScriptedCard card;
    card.info.pinEnabled = 1;
    card.info.pinRetries = 3;
    card.readDelayMs = 20;
    card.adnFiles = {{brisken::testing::PhoneItem("Alice", "123"),
                      {},
                      brisken::testing::PhoneItem("Bob", "456"),
                      {}}};
    card.failingReads = {{0, 2}};
    window.SetCardLibrary(std::make_unique<brisken::testing::ScriptedCardLibrary>(card));

    WithModalDialog([](QWidget* dialog) {
        QTest::keyClicks(Child<QLineEdit>(dialog, "id1027"), QStringLiteral("1234"));
        QTest::mouseClick(Child<QPushButton>(dialog, "idOK"), Qt::LeftButton);
    });
    Click(kLoad);
    auto* notice = dynamic_cast<DontRemoveWindow*>(window.Notice());
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!window.LoadRunning(), 10000);
    EXPECT_FALSE(notice->isVisible());
    CColorListCtrl* list = List(kPhoneList);
    ASSERT_EQ(list->RowCount(), 2);

    // Record 2 could not be read: New takes record 4, then finds no room.
    requests.clear();
    Click(kNew);
    ASSERT_EQ(list->RowCount(), 3);
    EXPECT_EQ(list->RowData(list->SelectedRow()), 3);
    Click(kNew);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().text, Text(kMsgPhoneBookFull));
    EXPECT_EQ(window.BookStore().phone.store[1].state, 0);
}

// Whether the picture shows any pixel of exactly this colour.
bool Shows(const QImage& image, const QColor& colour) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == (colour.rgb() & 0xFFFFFF)) {
                return true;
            }
        }
    }
    return false;
}

TEST(DontRemoveWindowTest, SitsCentredOverTheWindowAndCyclesItsTextColour) {
    QWidget main;
    main.setGeometry(100, 80, 720, 560);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    DontRemoveWindow notice(&main);
    const QSize size = notice.size();
    notice.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&notice));
    EXPECT_LE((notice.frameGeometry().center() - main.frameGeometry().center()).manhattanLength(),
              2);
    EXPECT_TRUE(main.frameGeometry().contains(notice.frameGeometry()));
    EXPECT_TRUE(Shows(notice.grab().toImage(), DontRemoveWindow::kRing[0]));

    QTest::qWait(DontRemoveWindow::kColourPeriodMs * 2 + 150);
    const int position = notice.RingPosition();
    EXPECT_GE(position, 2);
    EXPECT_TRUE(Shows(notice.grab().toImage(), DontRemoveWindow::kRing[position]));

    // Hidden, it stands still; shown again over a moved and larger window,
    // it goes on with the next colour and keeps its own size.
    notice.Hide();
    QTest::qWait(DontRemoveWindow::kColourPeriodMs + 150);
    EXPECT_EQ(notice.RingPosition(), position);
    main.setGeometry(300, 200, 900, 700);
    notice.Show();
    EXPECT_EQ(notice.size(), size);
    EXPECT_LE((notice.frameGeometry().center() - main.frameGeometry().center()).manhattanLength(),
              2);
    QTest::qWait(DontRemoveWindow::kColourPeriodMs + 150);
    EXPECT_EQ(notice.RingPosition(), position + 1);
    EXPECT_TRUE(QApplication::activeWindow() != &notice);
}

} // namespace
