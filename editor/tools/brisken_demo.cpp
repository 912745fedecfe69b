// The editor's main job without a person at the keyboard: opens the main
// window with the real card library, presses Load, waits until the window is
// idle again and saves pictures of it.
//
//   brisken_demo [--out DIR] [--language INDEX] [--pin CODE] [--timeout SECONDS]
//
// Message boxes that come up on the way are photographed, printed and closed;
// a dialog asking for a code gets --pin when one was given. The card library
// is deployed as the editor deploys it: its embedded image is written beside
// this program, where the binding looks for it. Prints the path of each
// picture; exit status 0 when Load ended, 1 when it did not end in time, 2 on
// a usage or set-up error.
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
};

void Say(const QString& line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

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

// Takes care of one modal window that waits for an answer: a code dialog gets
// the PIN, anything else is photographed and dismissed.
class ModalHandler {
public:
    ModalHandler(QString out, QString pin) : out_(std::move(out)), pin_(std::move(pin)) {}

    void Handle(QWidget* modal) {
        const QString path = QDir(out_).filePath(QStringLiteral("message-%1.png").arg(++count_));
        modal->grab().save(path);
        QString text = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            text = box->text();
        }
        Say(QStringLiteral("dialog: %1 (%2)").arg(text.simplified(), path));
        const auto fields = modal->findChildren<QLineEdit*>();
        if (!fields.isEmpty() && !pin_.isEmpty()) {
            int entered = 0;
            for (QLineEdit* field : fields) {
                if (field->isEnabled() && !field->isReadOnly()) {
                    field->clear();
                    QTest::keyClicks(field, pin_);
                    ++entered;
                }
            }
            Say(QStringLiteral("dialog: code typed into %1 field(s)").arg(entered));
            for (QPushButton* button : modal->findChildren<QPushButton*>()) {
                if (button->isDefault() && button->isEnabled()) {
                    button->click();
                    return;
                }
            }
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->accept();
                return;
            }
        }
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    }

    int Count() const { return count_; }

private:
    QString out_;
    QString pin_;
    int count_ = 0;
};

QString SavePicture(QWidget& window, const QString& out, const QString& name) {
    const QString path = QDir(out).filePath(name);
    if (!window.grab().save(path)) {
        Say(QStringLiteral("could not save %1").arg(path));
        return {};
    }
    return path;
}

int RowsOf(const QWidget& window, const char* listName) {
    const auto* list = window.findChild<QTreeWidget*>(QLatin1String(listName));
    return list ? list->topLevelItemCount() : -1;
}

// Clicks a row of a list as a user would, so that its fields show it.
void ClickRow(QWidget& window, const char* listName, int row) {
    auto* list = window.findChild<QTreeWidget*>(QLatin1String(listName));
    if (list == nullptr || row >= list->topLevelItemCount()) {
        return;
    }
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::qWait(200);
}

enum class LoadOutcome { Ended, NoCardOperation, StillBusy };

// Presses Load and waits until the window is idle again. Load may finish
// before the first look or go busy a little later: idle counts as done once
// busy was seen, or after a short grace period with no dialog open.
LoadOutcome PressLoad(MainDialog& window, QAbstractButton& load, int timeoutMs,
                      const char* listName, const char* book, const ModalHandler& modals) {
    Say(QStringLiteral("pressing Load (%1)").arg(QLatin1String(book)));
    const int dialogsBefore = modals.Count();
    QElapsedTimer clock;
    clock.start();
    bool sawBusy = false;
    QTimer::singleShot(0, &load, [&load] { load.click(); });
    for (;;) {
        QTest::qWait(50);
        sawBusy = sawBusy || window.IsBusy();
        const bool settled = sawBusy || clock.elapsed() > 1500;
        if (settled && !window.IsBusy() && QApplication::activeModalWidget() == nullptr) {
            break;
        }
        if (clock.elapsed() > timeoutMs) {
            Say(QStringLiteral("Load did not end within %1 s; the window is still busy")
                    .arg(timeoutMs / 1000));
            return LoadOutcome::StillBusy;
        }
    }
    QTest::qWait(300); // the last repaint of the list
    if (!sawBusy) {
        Say(QStringLiteral("Load returned without a card operation (%1 dialogs)")
                .arg(modals.Count() - dialogsBefore));
        return LoadOutcome::NoCardOperation;
    }
    Say(QStringLiteral("Load ended after %1 ms: %2 %3 rows")
            .arg(clock.elapsed())
            .arg(RowsOf(window, listName))
            .arg(QLatin1String(book)));
    return LoadOutcome::Ended;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisken"));
    Options options;
    if (!ParseOptions(QApplication::arguments(), options)) {
        std::fprintf(stderr, "usage: brisken_demo [--out DIR] [--language INDEX] [--pin CODE] "
                             "[--timeout SECONDS]\n");
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
    QObject::connect(&watcher, &QTimer::timeout, [&modals] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modals.Handle(modal);
        }
    });
    watcher.start();

    const int timeoutMs = options.timeoutSeconds * 1000;
    const LoadOutcome phone = PressLoad(window, *load, timeoutMs, "id1000", "phone-book", modals);
    const QString phonePicture = SavePicture(window, options.out, QStringLiteral("main-phone.png"));
    bool finished = phone == LoadOutcome::Ended;
    // The SMS view reads its own book: switch, and Load once more.
    auto* smsView = window.findChild<QAbstractButton*>(QStringLiteral("id1011"));
    if (phone != LoadOutcome::StillBusy && smsView != nullptr) {
        smsView->click();
        QTest::qWait(100);
        const LoadOutcome sms = PressLoad(window, *load, timeoutMs, "id1012", "SMS", modals);
        finished = finished && sms == LoadOutcome::Ended;
        ClickRow(window, "id1012", 0);
        const QString smsPicture = SavePicture(window, options.out, QStringLiteral("main-sms.png"));
        if (!smsPicture.isEmpty()) {
            Say(QStringLiteral("screenshot (SMS book): %1").arg(smsPicture));
        }
    }
    watcher.stop();
    if (!phonePicture.isEmpty()) {
        Say(QStringLiteral("screenshot: %1").arg(phonePicture));
    }
    // Nothing was edited; the window closes without asking.
    window.hide();
    return finished ? 0 : 1;
}
