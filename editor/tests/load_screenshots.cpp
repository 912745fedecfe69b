// Pictures of the main window after a real Load, during and after a Save of
// an edited entry, and of the card-information message, for a human to look
// at.
// Needs a card in the PC/SC sandbox (the library finds it as the program
// would):
//   brisken_load_screenshots OUTDIR LIBRARY INDEX...   (INDEX: language choice)
#include "controls/color_list_ctrl.h"
#include "core/card_library.h"
#include "core/main_frame.h"
#include "core/messages.h"
#include "core/nimbrel_binding.h"
#include "core/settings.h"
#include "ui/main_dialog.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace brisken;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUTDIR LIBRARY INDEX...\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    NimbrelBinding binding(QString::fromLocal8Bit(argv[2]));
    // A message box would wait for a click: say what it was and go on.
    MessageRequest lastMessage;
    SetMessageHandler([&lastMessage](const MessageRequest& request) {
        std::fprintf(stderr, "message: %s\n", qPrintable(request.text));
        lastMessage = request;
        return MessageAnswer::Ok;
    });
    const auto save = [&out](QWidget& widget, const QString& name, int index) {
        const QString file = QStringLiteral("%1/%2-%3.png").arg(out, name).arg(index);
        widget.grab().save(file);
        std::printf("%s\n", qPrintable(file));
    };
    QTemporaryDir settings;
    int failures = 0;
    for (int i = 3; i < argc; ++i) {
        const int index = QString::fromLocal8Bit(argv[i]).toInt();
        const QString ini = settings.filePath(QStringLiteral("Brisken.ini"));
        WriteLanguageIndex(ini, index);
        MainDialog window;
        window.SetSettingsPath(ini);
        window.SetCardLibrary(std::make_unique<NimbrelCardLibrary>(binding));
        window.OnInitDialog();
        window.show();
        for (int view : {ctl::kRadioPhone, ctl::kRadioSms}) {
            window.SwitchView(view);
            window.OnButtonReadsim();
            if (!QTest::qWaitFor([&] { return !window.LoadRunning(); }, 30000)) {
                ++failures;
            }
            QTest::qWait(100);
            const QString file = QStringLiteral("%1/loaded-%2-%3.png")
                                     .arg(out)
                                     .arg(index)
                                     .arg(view == ctl::kRadioSms ? "sms" : "phone");
            window.grab().save(file);
            std::printf("%s\n", qPrintable(file));
        }

        // An edited second entry (red once another row is selected), the
        // window while Save runs and after it.
        window.SwitchView(ctl::kRadioPhone);
        auto* list = window.findChild<CColorListCtrl*>(QStringLiteral("id%1").arg(ctl::kPhoneList));
        const auto clickRow = [list](int row) {
            const QRect rect = list->visualItemRect(list->topLevelItem(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        };
        clickRow(1);
        auto* name = window.findChild<QLineEdit*>(QStringLiteral("id%1").arg(ctl::kNameField));
        name->setFocus();
        name->selectAll();
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClicks(name, QStringLiteral("Edited Name"));
        clickRow(0);
        QTest::qWait(50);
        save(window, QStringLiteral("edited-phone"), index);
        window.OnButtonSave();
        save(window, QStringLiteral("saving-phone"), index);
        if (!QTest::qWaitFor([&] { return !window.SaveRunning(); }, 30000)) {
            ++failures;
        }
        QTest::qWait(100);
        save(window, QStringLiteral("saved-phone"), index);

        // The sizes message, shown as the program would show it.
        lastMessage = {};
        window.OnButtonSiminfo();
        save(window, QStringLiteral("measuring"), index);
        if (!QTest::qWaitFor([&] { return !window.InfoRunning(); }, 60000)) {
            ++failures;
        }
        QMessageBox box(QMessageBox::Warning, lastMessage.caption, lastMessage.text,
                        QMessageBox::Ok, &window);
        box.show();
        QTest::qWait(100);
        save(box, QStringLiteral("card-info"), index);
    }
    return failures == 0 ? 0 : 1;
}
