// Pictures of the main window after a real Load, for a human to look at.
// Needs a card in the PC/SC sandbox (the library finds it as the program
// would):
//   brisken_load_screenshots OUTDIR LIBRARY INDEX...   (INDEX: language choice)
#include "core/card_library.h"
#include "core/main_frame.h"
#include "core/messages.h"
#include "core/nimbrel_binding.h"
#include "core/settings.h"
#include "ui/main_dialog.h"

#include <QApplication>
#include <QDir>
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
    SetMessageHandler([](const MessageRequest& request) {
        std::fprintf(stderr, "message: %s\n", qPrintable(request.text));
        return MessageAnswer::Ok;
    });
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
    }
    return failures == 0 ? 0 : 1;
}
