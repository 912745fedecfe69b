// Pictures of the main window in a few languages, for a human to look at:
//   brisken_screenshots OUTDIR INDEX...   (INDEX: the language choice, 0..13)
#include "controls/color_label.h"
#include "controls/color_list_ctrl.h"
#include "core/book_transfer.h"
#include "core/catalogue.h"
#include "resources/bitmaps.h"

#include "core/language.h"
#include "core/main_frame.h"
#include "core/settings.h"
#include "ui/dont_remove_window.h"
#include "ui/main_dialog.h"
#include "ui/message_box.h"
#include "ui/pin_dialogs.h"
#include "ui/select_language_dialog.h"
#include <QPainter>

#include <QTimer>

#include <QApplication>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

using namespace brisken;

namespace {

void FillSamples(MainDialog& window) {
    auto* phones = static_cast<CColorListCtrl*>(window.Control(ctl::kPhoneList));
    const char* names[][2] = {
        {"Anna Berg", "+4930123456"}, {"Dr. Okafor", "0123456789"}, {"Taxi", "*100#"}};
    for (int i = 0; i < 3; ++i) {
        const int row = phones->InsertRow(i, QString::number(i + 1));
        phones->SetCellText(row, 1, QString::fromLatin1(names[i][0]));
        phones->SetCellText(row, 2, QString::fromLatin1(names[i][1]));
        phones->SetRowData(row, i);
    }
    phones->SetTextColor(1, -1, QColor(255, 0, 0));
    auto* type = static_cast<CColorLabel*>(window.Control(ctl::kCardType));
    type->setText(QStringLiteral("GSM/USIM"));
    type->SetTextColor(QColor(255, 0, 255));
    auto* identity = static_cast<CColorLabel*>(window.Control(ctl::kIdentity));
    identity->setText(QStringLiteral("ICCID : 89490200001234567890"));
    identity->SetTextColor(QColor(0, 0, 255));
}

// Books as a card read leaves them, one entry edited by typing and one SMS
// selected, so that the pictures show fields, red rows and display forms.
void EditSamples(MainDialog& window) {
    Books& books = window.BookStore();
    const char* phones[][2] = {{"Anna Berg", "+4930123456"},
                               {"M\xFCller \xC5sa", "12345678901234567890"},
                               {"Taxi", "*100#"}};
    for (std::size_t i = 0; i < 3; ++i) {
        PhoneEntry& entry = books.phone.store[i * 2];
        std::strcpy(entry.narrowName, phones[i][0]);
        std::strcpy(entry.number, phones[i][1]);
        entry.state = ENTRY_OCCUPIED;
    }
    SmsEntry& received = books.sms.store[0];
    received.smsStatus = 1;
    std::strcpy(received.number, "+4930123456");
    std::strcpy(received.timeStamp, "2403151742");
    std::strcpy(received.narrowText, "See you at the station at six.");
    received.state = ENTRY_OCCUPIED;
    SmsEntry& draft = books.sms.store[1];
    draft.smsStatus = 7;
    std::strcpy(draft.number, "*100#");
    std::strcpy(draft.narrowText, "Balance?");
    draft.state = ENTRY_OCCUPIED;
    books.phone.values.notLoaded = false;
    books.phone.values.cardRecordCount = 250;
    books.phone.values.nextRowNumber = 4;
    books.sms.values.notLoaded = false;
    books.sms.values.cardRecordCount = 20;
    books.sms.values.nextRowNumber = 3;
    auto* phoneList = static_cast<CColorListCtrl*>(window.Control(ctl::kPhoneList));
    auto* smsList = static_cast<CColorListCtrl*>(window.Control(ctl::kSmsList));
    MainDialog::FillList(phoneList, BuildRows(books.phone));
    MainDialog::FillList(smsList, BuildRows(books.sms));
}

void ClickRow(CColorListCtrl* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(row)).center());
}

void SaveGrab(QWidget& widget, const QString& path) {
    widget.show();
    QTest::qWait(150);
    widget.grab().save(path);
    widget.hide();
}

// The PIN dialogs in both variants, a few characters typed, and the notice of
// a running card operation over the main window (the whole screen, to show
// where it sits).
void CardOperationPictures(const QString& out, int index, const QString& ini) {
    const QString prefix = QStringLiteral("%1/%2-%3").arg(out);
    for (bool unblock : {false, true}) {
        PinCodeDialog code(unblock, unblock ? 10 : 3);
        code.findChild<QLineEdit*>(QStringLiteral("id1027"))->setText(QStringLiteral("1234"));
        SaveGrab(code, prefix.arg(unblock ? "puk" : "pin").arg(index) + QStringLiteral(".png"));
        NewPinDialog pins(unblock);
        SaveGrab(pins, prefix.arg(unblock ? "newpin-unblock" : "newpin").arg(index) +
                           QStringLiteral(".png"));
    }
    {
        MainDialog editing;
        editing.SetSettingsPath(ini);
        editing.OnInitDialog();
        EditSamples(editing);
        editing.show();
        QTest::qWait(150);
        ClickRow(static_cast<CColorListCtrl*>(editing.Control(ctl::kPhoneList)), 2);
        auto* name = static_cast<QLineEdit*>(editing.Control(ctl::kNameField));
        name->selectAll();
        name->insert(QStringLiteral("Taxi Nord"));
        ClickRow(static_cast<CColorListCtrl*>(editing.Control(ctl::kPhoneList)), 1);
        QTest::qWait(100);
        editing.grab().save(prefix.arg("edit-phone").arg(index) + QStringLiteral(".png"));
        editing.SwitchView(ctl::kRadioSms);
        ClickRow(static_cast<CColorListCtrl*>(editing.Control(ctl::kSmsList)), 0);
        QTest::qWait(100);
        editing.grab().save(prefix.arg("edit-sms").arg(index) + QStringLiteral(".png"));
        editing.BookStore().phone.values.changed = false; // closes without asking
    }
    MainDialog window;
    window.SetSettingsPath(ini);
    window.OnInitDialog();
    FillSamples(window);
    window.move(40, 40);
    window.show();
    QTest::qWait(150);
    window.Notice()->Show();
    QTest::qWait(DontRemoveWindow::kColourPeriodMs * 8 + 100); // the ring at its bright red
    QApplication::primaryScreen()->grabWindow(0).save(prefix.arg("notice").arg(index) +
                                                      QStringLiteral(".png"));
    window.Notice()->Hide();
}

// Import and Export: the file dialogs, then the books after importing a
// text file, a vCard file and an SMS text file (imported rows in red).
void FilePictures(const QString& out, int index, const QString& ini) {
    const QString prefix = QStringLiteral("%1/%2-%3").arg(out);
    QTemporaryDir files;
    const auto write = [&](const char* name, const QByteArray& data) {
        QFile file(files.filePath(QString::fromLatin1(name)));
        file.open(QIODevice::WriteOnly);
        file.write(data);
        return file.fileName();
    };
    const QString text = write("friends.txt", "Zo\xC3\xAB Lef\xC3\xA8vre,+33612345678\r\n"
                                              "\xE7\x8E\x8B\xE8\x8A\xB3,13800138000\r\n");
    const QString cards = write("contacts.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\n"
                                                "FN:Smith\\, John\r\nTEL:+44 20 7946 0000\r\n"
                                                "END:VCARD\r\n");
    const QString sms = write("sms.txt", "Meeting moved,\r\nto 10:30,+4930123,2403151030,Read\r\n");
    const auto grabDialog = [&](const char* name) {
        QTimer::singleShot(300, [&, name] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog != nullptr) {
                dialog->grab().save(prefix.arg(name).arg(index) + QStringLiteral(".png"));
                QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
            }
        });
    };
    MainDialog window;
    window.SetSettingsPath(ini);
    window.OnInitDialog();
    EditSamples(window);
    window.show();
    QTest::qWait(150);
    grabDialog("export-dialog");
    window.OnCommand(kCmdExport);
    grabDialog("import-dialog");
    window.OnCommand(kCmdImport);
    for (const QString& path : {text, cards}) {
        window.SetFileChooser([path](const MainDialog::FileDialogRequest&) {
            return MainDialog::FileChoice{path, 0};
        });
        window.OnCommand(kCmdImport);
    }
    QTest::qWait(100);
    window.grab().save(prefix.arg("import-phone").arg(index) + QStringLiteral(".png"));
    window.SwitchView(ctl::kRadioSms);
    window.SetFileChooser([sms](const MainDialog::FileDialogRequest&) {
        return MainDialog::FileChoice{sms, 0};
    });
    window.OnCommand(kCmdImport);
    QTest::qWait(100);
    window.grab().save(prefix.arg("import-sms").arg(index) + QStringLiteral(".png"));
    Books& books = window.BookStore();
    books.phone.values.changed = books.sms.values.changed = false; // closes without asking
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 3) {
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir settings;
    for (int i = 2; i < argc; ++i) {
        const int index = QString::fromLocal8Bit(argv[i]).toInt();
        const QString ini = settings.filePath(QStringLiteral("Brisken.ini"));
        WriteLanguageIndex(ini, index);
        for (int view : {ctl::kRadioPhone, ctl::kRadioSms}) {
            MainDialog window;
            window.SetSettingsPath(ini);
            window.OnInitDialog();
            FillSamples(window);
            window.show();
            window.SwitchView(view);
            QTest::qWait(200);
            window.grab().save(QStringLiteral("%1/main-%2-%3.png")
                                   .arg(out)
                                   .arg(index)
                                   .arg(view == ctl::kRadioSms ? "sms" : "phone"));
        }
        CardOperationPictures(out, index, ini);
        FilePictures(out, index, ini);
    }
    // Every button picture, the hover image above the one at rest, enlarged.
    const int ids[][2] = {{130, 131}, {132, 133}, {148, 149}, {155, 154}, {142, 143},
                          {144, 145}, {134, 135}, {136, 137}, {152, 153}, {138, 139}};
    QImage sheet(10 * 40 * 3, 2 * 40 * 3, QImage::Format_RGB32);
    sheet.fill(QColor(142, 189, 250));
    {
        QPainter p(&sheet);
        p.scale(3, 3);
        for (int i = 0; i < 10; ++i) {
            for (int j = 0; j < 2; ++j) {
                QImage image = LoadBitmap(ids[i][j]).convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < image.height(); ++y) {
                    for (int x = 0; x < image.width(); ++x) {
                        if ((image.pixel(x, y) & 0xFFFFFF) == kTransparentColor) {
                            image.setPixel(x, y, 0);
                        }
                    }
                }
                p.drawImage(i * 40 + 2, j * 40 + 2, image);
            }
        }
    }
    sheet.save(QStringLiteral("%1/buttons.png").arg(out));

    // The Select Language dialog and a message box, in the last language.
    SelectLanguageDialog dialog;
    dialog.show();
    QTest::qWait(200);
    dialog.grab().save(QStringLiteral("%1/select-language.png").arg(out));
    dialog.hide();
    QTimer::singleShot(300, [out] {
        QWidget* box = QApplication::activeModalWidget();
        if (box != nullptr) {
            box->grab().save(QStringLiteral("%1/message.png").arg(out));
            box->close();
        }
    });
    ShowMessageBox(
        {Text(kMsgTitle), Text(kMsgConfirmExit), MessageButtons::YesNo, MessageKind::Exclamation});
    return 0;
}
