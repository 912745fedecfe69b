// Pictures of the main window in a few languages, for a human to look at:
//   brisken_screenshots OUTDIR INDEX...   (INDEX: the language choice, 0..13)
#include "controls/color_label.h"
#include "controls/color_list_ctrl.h"
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
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

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
