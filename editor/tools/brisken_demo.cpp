// The editor's main job without a person at the keyboard: opens the main
// window with the real card library, presses Load, waits until the window is
// idle again and saves pictures of it.
//
//   brisken_demo [--out DIR] [--language INDEX] [--pin CODE] [--timeout SECONDS]
//                [--tour yes|no]
//
// Message boxes that come up on the way are photographed, printed and closed;
// a dialog asking for a code gets --pin when one was given. With --tour the
// driver goes on through editing and every PIN action (demo_tour.h); the
// card's PIN must then be 1234 and its PUK 12345678. The card library
// is deployed as the editor deploys it: its embedded image is written beside
// this program, where the binding looks for it. Prints the path of each
// picture; exit status 0 when Load ended (and every step of the tour showed
// what it should), 1 when not, 2 on a usage or set-up error.
#include "demo_driver.h"
#include "demo_tour.h"

#include "core/settings.h"
#include "core/startup.h"
#include "resources/embedded_library.h"
#include "ui/main_dialog.h"
#include "ui/message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

using namespace brisken;

namespace {

struct Options {
    QString out;
    int language = 3; // English
    QString pin;
    int timeoutSeconds = 60;
    bool tour = false;
};

bool ParseOptions(const QStringList& args, Options& options) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (i + 1 >= args.size()) {
            return false;
        }
        const QString value = args[++i];
        bool ok = true;
        if (arg == QLatin1String("--out")) {
            options.out = value;
        } else if (arg == QLatin1String("--language")) {
            options.language = value.toInt(&ok);
        } else if (arg == QLatin1String("--pin")) {
            options.pin = value;
        } else if (arg == QLatin1String("--tour")) {
            options.tour = value == QLatin1String("yes");
            ok = options.tour || value == QLatin1String("no");
        } else if (arg == QLatin1String("--timeout")) {
            options.timeoutSeconds = value.toInt(&ok);
            ok = ok && options.timeoutSeconds > 0;
        } else {
            return false;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

// Load of the phone book, then of the SMS book, with a picture of each.
bool LoadBothBooks(MainDialog& window, QAbstractButton& load, const ModalHandler& modals,
                   const QString& out, int timeoutMs) {
    const LoadOutcome phone = PressLoad(window, load, timeoutMs, "id1000", "phone-book", modals);
    const QString phonePicture = SavePicture(window, out, QStringLiteral("main-phone.png"));
    bool finished = phone == LoadOutcome::Ended;
    // The SMS view reads its own book: switch, and Load once more.
    auto* smsView = window.findChild<QAbstractButton*>(QStringLiteral("id1011"));
    if (phone != LoadOutcome::StillBusy && smsView != nullptr) {
        smsView->click();
        QTest::qWait(100);
        const LoadOutcome sms = PressLoad(window, load, timeoutMs, "id1012", "SMS", modals);
        finished = finished && sms == LoadOutcome::Ended;
        ClickRow(window, "id1012", 0);
        const QString smsPicture = SavePicture(window, out, QStringLiteral("main-sms.png"));
        if (!smsPicture.isEmpty()) {
            Say(QStringLiteral("screenshot (SMS book): %1").arg(smsPicture));
        }
    }
    if (!phonePicture.isEmpty()) {
        Say(QStringLiteral("screenshot: %1").arg(phonePicture));
    }
    return finished;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisken"));
    Options options;
    if (!ParseOptions(QApplication::arguments(), options)) {
        std::fprintf(stderr, "usage: brisken_demo [--out DIR] [--language INDEX] [--pin CODE] "
                             "[--timeout SECONDS] [--tour yes|no]\n");
        return 2;
    }
    if (options.out.isEmpty()) {
        options.out = QDir::temp().filePath(QStringLiteral("brisken-demo"));
    }
    if (!QDir().mkpath(options.out)) {
        std::fprintf(stderr, "brisken_demo: cannot create %s\n", qPrintable(options.out));
        return 2;
    }

    // The library goes where the running editor writes it: beside the program.
    const QString library =
        QDir(ExecutableDirectory()).filePath(QString::fromLatin1(kLibraryFileName));
    QString reason;
    if (!WriteFileAtomically(library, EmbeddedLibrary(),
                             QFileDevice::ReadOwner | QFileDevice::WriteOwner, &reason)) {
        std::fprintf(stderr, "brisken_demo: writing %s failed: %s\n", qPrintable(library),
                     qPrintable(reason));
        return 2;
    }

    // Settings of its own, so that the user's language choice stays untouched.
    QTemporaryDir settings;
    const QString ini = settings.filePath(QStringLiteral("Brisken.ini"));
    WriteLanguageIndex(ini, options.language);
    InstallMessageBoxes();

    MainDialog window;
    window.SetSettingsPath(ini);
    if (!window.OnInitDialog()) {
        std::fprintf(stderr, "brisken_demo: the main window did not initialise\n");
        return 2;
    }
    window.show();
    QTest::qWait(200);

    auto* load = window.findChild<QAbstractButton*>(QStringLiteral("id1001"));
    if (load == nullptr) {
        std::fprintf(stderr, "brisken_demo: no Load button (id1001) in the main window\n");
        return 2;
    }

    ModalHandler modals(options.out, options.pin);
    // A watcher that keeps running inside every nested event loop a message
    // box or the Load itself may start.
    QTimer watcher;
    watcher.setInterval(100);
    QObject::connect(&watcher, &QTimer::timeout, [&modals] { modals.Poll(); });
    watcher.start();

    const int timeoutMs = options.timeoutSeconds * 1000;
    bool finished = false;
    if (options.tour) {
        // The tour wants a window that has verified nothing yet.
        finished = RunTour(window, modals, options.out, timeoutMs);
    } else {
        finished = LoadBothBooks(window, *load, modals, options.out, timeoutMs);
    }
    watcher.stop();
    // The window goes without the close confirmation: nothing is to be kept.
    window.hide();
    return finished ? 0 : 1;
}
