// Import and Export in the main window as a user does them: through the
// menu commands and the file dialogs, with the rows and messages they leave.
#include "controls/color_list_ctrl.h"
#include "core/catalogue.h"
#include "core/data_files.h"
#include "core/language.h"
#include "core/messages.h"
#include "ui/main_dialog.h"

#include "shown_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
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

// Runs `act` on the file dialog once it is open.
void WithFileDialog(const char* name, std::function<void(QFileDialog*)> act) {
    QTimer::singleShot(50, [name, act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), QString::fromLatin1(name));
        act(dialog);
    });
}

// Types a path into the dialog's name field and presses Enter.
void Choose(QFileDialog* dialog, const QString& path) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(path);
    QTest::keyClick(edit, Qt::Key_Return);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

class FilesTest : public brisken::testing::ShownWindowTest {
protected:
    MessageAnswer OnMessage(const MessageRequest& request) override {
        requests.push_back(request.text);
        return MessageAnswer::Ok;
    }

    CColorListCtrl* List(int id) const {
        return window.findChild<CColorListCtrl*>(QStringLiteral("id%1").arg(id));
    }
    QString FieldText(int id) const {
        return window.findChild<QLineEdit*>(QStringLiteral("id%1").arg(id))->text();
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // A phone book as Load leaves it, names in slots 0.. .
    void LoadPhoneBook(const std::vector<const char*>& names, int records) {
        Book<PhoneEntry>& book = window.BookStore().phone;
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::strcpy(book.store[i].narrowName, names[i]);
            std::snprintf(book.store[i].number, sizeof book.store[i].number, "030%zu", i);
            book.store[i].state = ENTRY_OCCUPIED;
        }
        book.values.notLoaded = false;
        book.values.cardRecordCount = records;
        book.values.nextRowNumber = static_cast<int>(names.size()) + 1;
        MainDialog::FillList(List(kPhoneList), BuildRows(book));
    }

    // Answers the next file dialog with `path` (empty: Cancel) without showing it.
    void AnswerFileDialog(const QString& path, int filter = 0) {
        window.SetFileChooser([path, filter](const MainDialog::FileDialogRequest&) {
            return MainDialog::FileChoice{path, filter};
        });
    }

    std::vector<QString> requests;
};

TEST_F(FilesTest, ExportWritesTheBookInSlotOrderThroughTheSaveDialog) {
    LoadPhoneBook({"Anna", "Ben", "Cleo"}, 10);
    List(kPhoneList)->SortByColumn(1, false); // the list order does not matter for a card's book
    window.BookStore().phone.store[1].state |= ENTRY_DELETED;

    WithFileDialog("exportFileDialog", [this](QFileDialog* dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->nameFilters(),
                  (QStringList{QStringLiteral("USIM Style Values(*.usv)"),
                               QStringLiteral("vCard (*.vcf)"),
                               QStringLiteral("Comma Separated Values (*.csv)")}));
        EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
                  QStringLiteral("phone.usv"));
        Choose(dialog, Path("backup.usv"));
    });
    window.OnCommand(kCmdExport);

    const PhoneFileEntries read = ReadPhoneUsv(ReadFile(Path("backup.usv")));
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.cells[0][0], QStringLiteral("Anna"));
    EXPECT_EQ(read.cells[1][0], QStringLiteral("Cleo"));
    EXPECT_TRUE(requests.empty());
    EXPECT_FALSE(window.BookStore().phone.values.changed);
}

TEST_F(FilesTest, ExportFormatFollowsTheFilterOrTheExtension) {
    LoadPhoneBook({"Anna"}, 10);
    WithFileDialog("exportFileDialog", [this](QFileDialog* dialog) {
        dialog->selectNameFilter(QStringLiteral("vCard (*.vcf)"));
        Choose(dialog, Path("contacts"));
    });
    window.OnCommand(kCmdExport);
    EXPECT_TRUE(ReadFile(Path("contacts")).startsWith("BEGIN:VCARD\r\n"));

    AnswerFileDialog(Path("contacts.csv"), 0);
    window.OnCommand(kCmdExport);
    EXPECT_EQ(ReadFile(Path("contacts.csv")), QByteArray("Name,Number\r\nAnna,0300\r\n"));

    // Messages have no vCard form: the chosen filter decides.
    window.SwitchView(kRadioSms);
    AnswerFileDialog(Path("sms.vcf"), 1);
    window.OnCommand(kCmdExport);
    EXPECT_EQ(ReadFile(Path("sms.vcf")), QByteArray("Status,Number,Time,Message\r\n"));
}

TEST_F(FilesTest, OverwritingAsksFirstAndAFailedExportKeepsTheOldFile) {
    LoadPhoneBook({"Anna"}, 10);
    WriteFile(Path("phone.usv"), "keep me");
    WithFileDialog("exportFileDialog", [this](QFileDialog* dialog) {
        QTimer::singleShot(50, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->button(QMessageBox::No)->click();
        });
        Choose(dialog, Path("phone.usv"));
        QTimer::singleShot(150, dialog, &QDialog::reject);
    });
    window.OnCommand(kCmdExport);
    EXPECT_EQ(ReadFile(Path("phone.usv")), QByteArray("keep me"));

    AnswerFileDialog(Path("no/such/folder/phone.usv"));
    window.OnCommand(kCmdExport);
    EXPECT_EQ(requests, std::vector<QString>{Text(kMsgOpenFileFailed)});
}

TEST_F(FilesTest, ImportedTextEntriesFollowTheBookInRed) {
    LoadPhoneBook({"Anna", "Ben"}, 10);
    WriteFile(Path("list.txt"), "Cleo,0401\r\nD\xC3\xA9sir\xC3\xA9,0402,x\r\n");
    WithFileDialog("importFileDialog", [this](QFileDialog* dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->nameFilters().size(), 4);
        EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
                  QStringLiteral("phone.usv"));
        Choose(dialog, Path("list.txt"));
    });
    window.OnCommand(kCmdImport);

    CColorListCtrl* list = List(kPhoneList);
    ASSERT_EQ(list->RowCount(), 4);
    EXPECT_EQ(list->CellText(2, 0), QStringLiteral("3"));
    EXPECT_EQ(list->CellText(3, 0), QStringLiteral("4"));
    EXPECT_EQ(list->CellText(3, 1), QString::fromUtf8("Désiré"));
    EXPECT_EQ(list->CellText(3, 2), QStringLiteral("0402"));
    EXPECT_EQ(list->TextColor(2, 2), kRed);
    EXPECT_NE(list->TextColor(1, 1), kRed);
    // The last entry is selected and shown.
    EXPECT_EQ(list->SelectedRow(), 3);
    EXPECT_EQ(FieldText(kNameField), QString::fromUtf8("Désiré"));
    const Book<PhoneEntry>& book = window.BookStore().phone;
    EXPECT_EQ(book.store[static_cast<std::size_t>(list->RowData(2))].state,
              ENTRY_OCCUPIED | ENTRY_CHANGED);
    EXPECT_TRUE(book.values.changed);
    EXPECT_TRUE(requests.empty());
}

TEST_F(FilesTest, ImportStopsAtTheCardAndSaysWhatWasLeftOut) {
    LoadPhoneBook({"Anna"}, 3);
    WriteFile(Path("many.txt"), "B,1\n"
                                "C,2\n" +
                                    QByteArray(300, 'x') + ",3\n" + "D,4\n");
    AnswerFileDialog(Path("many.txt"));
    window.OnCommand(kCmdImport);
    EXPECT_EQ(List(kPhoneList)->RowCount(), 3);
    // Full before the long line, so nothing was cut.
    EXPECT_EQ(requests, std::vector<QString>{Text(kMsgPhoneBookFull)});
    EXPECT_TRUE(window.BookStore().phone.values.changed);
}

TEST_F(FilesTest, SmsUsvImportSkipsBrokenRecordsAndSaysHowMany) {
    window.SwitchView(kRadioSms);
    QByteArray file(3 * 536, '\0');
    file[0] = 1;
    std::memcpy(file.data() + 47, "hello", 5);
    std::memset(file.data() + 536 + 1, '9', 30); // number without its terminator
    file[2 * 536] = 5;
    std::memcpy(file.data() + 2 * 536 + 31, "2402291200", 10);
    WriteFile(Path("SMS.USV"), file);
    WithFileDialog("importFileDialog", [this](QFileDialog* dialog) {
        EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
                  QStringLiteral("sms.usv"));
        EXPECT_EQ(dialog->nameFilters().size(), 3);
        Choose(dialog, Path("SMS.USV"));
    });
    window.OnCommand(kCmdImport);

    CColorListCtrl* list = List(kSmsList);
    ASSERT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->CellText(0, 1), Text(kMsgSmsRead));
    EXPECT_EQ(list->CellText(0, 4), QStringLiteral("hello"));
    EXPECT_EQ(list->CellText(1, 3), QStringLiteral("2402291200"));
    EXPECT_EQ(list->TextColor(1, 4), kRed);
    EXPECT_EQ(requests, std::vector<QString>{Text(kMsgFileInvalid).arg(1)});
}

TEST_F(FilesTest, VCardImportSaysHowManyNamesWereShortened) {
    WriteFile(Path("cards.VCF"), "BEGIN:VCARD\r\nFN:" + QByteArray(300, 'n') +
                                     "\r\nTEL:+1 555 0100\r\nEND:VCARD\r\n"
                                     "BEGIN:VCARD\r\nN:Doe;Jane\r\nEND:VCARD\r\n");
    AnswerFileDialog(Path("cards.VCF"));
    window.OnCommand(kCmdImport);
    CColorListCtrl* list = List(kPhoneList);
    ASSERT_EQ(list->RowCount(), 2);
    EXPECT_EQ(list->CellText(0, 1), QString(kFileNameWidth, QLatin1Char('n')));
    EXPECT_EQ(list->CellText(0, 2), QStringLiteral("+15550100"));
    EXPECT_EQ(list->CellText(1, 1), QStringLiteral("Jane Doe"));
    EXPECT_EQ(requests, std::vector<QString>{Text(kMsgEntriesCut).arg(1)});
}

TEST_F(FilesTest, CancelledOrUnreadableImportChangesNothing) {
    LoadPhoneBook({"Anna"}, 10);
    WithFileDialog("importFileDialog", [](QFileDialog* dialog) { dialog->reject(); });
    window.OnCommand(kCmdImport);
    AnswerFileDialog(Path("missing.usv"));
    window.OnCommand(kCmdImport);
    EXPECT_EQ(requests, std::vector<QString>{Text(kMsgOpenFileFailed)});
    EXPECT_EQ(List(kPhoneList)->RowCount(), 1);
    EXPECT_FALSE(window.BookStore().phone.values.changed);
}

} // namespace
