// The main window's frame, the Select Language dialog and the start-up of
// the real program in a temporary home.
#include "controls/picture_button.h"
#include "core/catalogue.h"
#include "core/language.h"
#include "core/main_frame.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/startup.h"
#include "ui/main_dialog.h"
#include "ui/worker_channel.h"

#include "shown_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <sys/stat.h>
#include <thread>

using namespace brisken;
using namespace brisken::ctl;

namespace {

class WindowTest : public brisken::testing::ShownWindowTest {
protected:
    MessageAnswer OnMessage(const MessageRequest& request) override {
        requests.push_back(request);
        return answer;
    }
    QWidget* W(int id) const { return window.findChild<QWidget*>(QStringLiteral("id%1").arg(id)); }
    QRadioButton* Radio(int id) const { return qobject_cast<QRadioButton*>(W(id)); }
    void Click(int id) { QTest::mouseClick(W(id), Qt::LeftButton, {}, QPoint(5, 5)); }

    std::vector<MessageRequest> requests;
    MessageAnswer answer = MessageAnswer::Ok;
};

TEST_F(WindowTest, EveryControlOfTheLayoutIsThereByItsId) {
    for (int id : {1,    2,    1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010,
                   1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019, 1020, 1021, 1022, 1023,
                   1024, 1025, 1026, 1027, 1028, 1029, 1031, 1032, 1037, 1039, 1040, 1041, 1042}) {
        EXPECT_NE(W(id), nullptr) << id;
    }
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Brisken"));
    EXPECT_EQ(window.size(), QSize(720, 560));
    EXPECT_EQ(W(kLoad)->toolTip(), Text(kMsgTipLoad));
    EXPECT_FALSE(W(kRadioLastDial)->isVisible());
    EXPECT_FALSE(W(kLastDialList)->isVisible());
    EXPECT_FALSE(W(kProgress)->isVisible());
    EXPECT_FALSE(W(kSmsSelector)->isVisible());
    EXPECT_TRUE(Radio(kRadioPhone)->isChecked());
}

TEST_F(WindowTest, ViewSwitchShowsOneBookAtATime) {
    Click(kRadioSms);
    EXPECT_TRUE(W(kSmsList)->isVisible());
    EXPECT_TRUE(W(kSmsMessageField)->isVisible());
    EXPECT_FALSE(W(kPhoneList)->isVisible());
    EXPECT_FALSE(W(kNameField)->isVisible());
    EXPECT_TRUE(Radio(kRadioSms)->isChecked());
    EXPECT_FALSE(Radio(kRadioPhone)->isChecked());
    EXPECT_EQ(window.CurrentView().view, View::Sms);

    window.SwitchView(kRadioLastDial);
    EXPECT_TRUE(W(kLastDialList)->isVisible());
    EXPECT_FALSE(W(kDelete)->isVisible());
    EXPECT_TRUE(qobject_cast<QLineEdit*>(W(kNameField))->isReadOnly());
    auto* importExport = qobject_cast<CPictureButton*>(W(kImportExport));
    EXPECT_FALSE(importExport->PopupMenu()->actions()[0]->isEnabled());

    Click(kRadioPhone);
    EXPECT_TRUE(W(kPhoneList)->isVisible());
    EXPECT_TRUE(W(kDelete)->isVisible());
    EXPECT_FALSE(W(kLastDialList)->isVisible());
    EXPECT_FALSE(qobject_cast<QLineEdit*>(W(kNameField))->isReadOnly());
    EXPECT_TRUE(importExport->PopupMenu()->actions()[0]->isEnabled());
    EXPECT_TRUE(requests.empty());
}

TEST_F(WindowTest, LayoutFollowsResizeAboveTheMinimum) {
    window.resize(800, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(W(kClose)->pos(), QPoint(750, 558));
    EXPECT_EQ(W(kLanguage)->pos(), QPoint(710, 558));
    EXPECT_EQ(W(kPhoneList)->geometry(), QRect(20, 65, 360, 475));
    EXPECT_EQ(W(kNameField)->pos(), QPoint(510, 68));
    EXPECT_EQ(W(kPhoneCounters)->size(), QSize(180, 20));
    EXPECT_GT(W(kDefault)->x(), 800); // out of sight

    window.resize(590, 280); // too small: everything stays
    QCoreApplication::processEvents();
    EXPECT_EQ(W(kClose)->pos(), QPoint(750, 558));
    EXPECT_EQ(W(kPhoneList)->geometry(), QRect(20, 65, 360, 475));
}

TEST_F(WindowTest, BusyStateTakesActionsAwayAndBlocksClosing) {
    window.EnterBusyState();
    for (int id : BusyHiddenButtons()) {
        EXPECT_FALSE(W(id)->isVisible()) << id;
    }
    EXPECT_FALSE(W(kRadioSms)->isEnabled());
    EXPECT_TRUE(qobject_cast<QLineEdit*>(W(kNameField))->isReadOnly());
    window.close();
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgBusyWait));

    window.EnterIdleState();
    for (int id : BusyHiddenButtons()) {
        EXPECT_TRUE(W(id)->isVisible()) << id;
    }
    EXPECT_TRUE(W(kRadioSms)->isEnabled());
    EXPECT_FALSE(qobject_cast<QLineEdit*>(W(kNameField))->isReadOnly());
}

TEST_F(WindowTest, ClosesWithoutQuestionWhenNothingChanged) {
    Click(kClose);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(requests.empty());
}

TEST_F(WindowTest, ChangedBookAsksBeforeClosing) {
    window.BookStore().sms.values.changed = true;
    answer = MessageAnswer::No;
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgConfirmExit));
    EXPECT_EQ(requests[0].caption, QStringLiteral("Brisken"));
    EXPECT_EQ(requests[0].buttons, MessageButtons::YesNo);

    answer = MessageAnswer::Yes;
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(requests.size(), 2u);
}

TEST_F(WindowTest, EnterDoesNotClose) {
    QTest::keyClick(&window, Qt::Key_Return);
    W(kNameField)->setFocus();
    QTest::keyClick(W(kNameField), Qt::Key_Enter);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(WindowTest, CardActionWithoutLibraryIsAbandonedWithMessage) {
    // The test program has no card library beside it.
    ASSERT_FALSE(
        QFile::exists(QDir(ExecutableDirectory()).filePath(QStringLiteral("libnimbrel.so"))));
    Click(kLoad);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgLibraryLoadFailed));
    requests.clear();
    window.OnCommand(kCmdChangePin);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text, Text(kMsgLibraryLoadFailed));
}

TEST_F(WindowTest, AboutBox) {
    window.OnCommand(kCmdAbout);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, MessageKind::About);
    EXPECT_EQ(requests[0].caption, QStringLiteral("About Brisken"));
    EXPECT_EQ(requests[0].text, QStringLiteral("Brisken Version 1.0"));
    ASSERT_EQ(window.actions().size(), 1);
    EXPECT_EQ(window.actions()[0]->text(), Text(kMsgAboutMenuItem));
}

// Drives the Select Language dialog once it is open: picks a row (-1: none)
// and presses OK (id 1) or Cancel (id 2).
void AnswerLanguageDialog(int row, int button) {
    QTimer::singleShot(50, [row, button] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("id1038"));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->count(), 14);
        EXPECT_TRUE(list->selectedItems().isEmpty());
        if (row >= 0) {
            list->setCurrentRow(row);
        }
        auto* press = dialog->findChild<QPushButton*>(QStringLiteral("id%1").arg(button));
        ASSERT_NE(press, nullptr);
        press->click();
    });
}

TEST_F(WindowTest, ChoosingALanguageAppliesAndStoresIt) {
    AnswerLanguageDialog(5, 1); // German, OK
    window.OnSelectLanguage();
    EXPECT_EQ(ReadLanguageIndex(Ini()), 5);
    EXPECT_EQ(InterfaceLanguage(), 1031);
    EXPECT_EQ(W(kLoad)->toolTip(), Text(kMsgTipLoad));
    EXPECT_EQ(Radio(kRadioPhone)->text(), Text(kMsgViewPhoneBook));
    EXPECT_NE(Radio(kRadioPhone)->text(), QStringLiteral("Phone Book"));
    auto* pin = qobject_cast<CPictureButton*>(W(kPin));
    EXPECT_EQ(pin->PopupMenu()->actions()[0]->text(),
              QString::fromUtf8(MenuItems(kMenuPin)[0].text));

    AnswerLanguageDialog(0, 1); // default
    window.OnSelectLanguage();
    EXPECT_TRUE(QFile::exists(Ini()));
    EXPECT_EQ(ReadLanguageIndex(Ini()), 0);
}

TEST_F(WindowTest, CancelOrNoSelectionWritesNothing) {
    SetInterfaceLanguage(1036);
    AnswerLanguageDialog(3, 2); // a row, then Cancel
    window.OnSelectLanguage();
    AnswerLanguageDialog(-1, 1); // OK with nothing selected
    window.OnSelectLanguage();
    EXPECT_FALSE(QFile::exists(Ini()));
    EXPECT_EQ(InterfaceLanguage(), 1036);
}

// The real program, started from elsewhere in a fresh home.
class StartupRoles : public ::testing::Test {
protected:
    void TearDown() override {
        if (workerPid > 0) {
            ::kill(workerPid, SIGTERM);
            for (int i = 0; i < 100 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(workerPid));
                 ++i) {
                QTest::qWait(50);
            }
        }
    }
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.remove(QStringLiteral("XDG_CACHE_HOME"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }
    int RunLauncher() const {
        QProcess launcher;
        launcher.setProcessEnvironment(Environment());
        launcher.setWorkingDirectory(home.path());
        launcher.start(QStringLiteral(BRISKEN_PROGRAM), {});
        EXPECT_TRUE(launcher.waitForFinished(20000));
        return launcher.exitStatus() == QProcess::NormalExit ? launcher.exitCode() : -1;
    }
    // Waits for the worker's socket and returns the pid its answer names.
    qint64 WorkerPid(const QString& socketPath) const {
        for (int i = 0; i < 200; ++i) {
            QLocalSocket socket;
            socket.connectToServer(socketPath);
            if (socket.waitForConnected(100)) {
                socket.write("raise\n");
                socket.waitForBytesWritten(1000);
                while (!socket.canReadLine() && socket.waitForReadyRead(1000)) {
                }
                const QByteArray line = socket.readLine().trimmed();
                if (line.startsWith("pid ")) {
                    return line.mid(4).toLongLong();
                }
            }
            QTest::qWait(50);
        }
        return -1;
    }
    static QByteArray Bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir home;
    qint64 workerPid = -1;
};

TEST_F(StartupRoles, LauncherRelocatesAndWorkerDeploysTheLibrary) {
    ASSERT_EQ(RunLauncher(), 0);
    const QString run = home.filePath(QStringLiteral(".cache/brisken"));
    const QString copy = run + QStringLiteral("/Tolvane");
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(run).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    ASSERT_TRUE(QFileInfo::exists(copy));
    EXPECT_TRUE(QFileInfo(copy).isExecutable());
    EXPECT_EQ(Bytes(copy), Bytes(QStringLiteral(BRISKEN_PROGRAM)));

    // The copy started in the run directory took the worker role: it answers
    // on its socket and has written the card library beside itself.
    workerPid = WorkerPid(WorkerSocketPath(run));
    ASSERT_GT(workerPid, 0);
    const QString cwd = QFile::symLinkTarget(QStringLiteral("/proc/%1/cwd").arg(workerPid));
    EXPECT_EQ(QFileInfo(cwd).canonicalFilePath(), QFileInfo(run).canonicalFilePath());
    const QByteArray library = Bytes(run + QStringLiteral("/libnimbrel.so"));
    EXPECT_FALSE(library.isEmpty());
    EXPECT_EQ(library, Bytes(QStringLiteral(NIMBREL_IMAGE)));
    EXPECT_TRUE(library.startsWith("\x7f"
                                   "ELF"));

    // A second start hands over to the running worker instead of starting another.
    ASSERT_EQ(RunLauncher(), 0);
    EXPECT_EQ(WorkerPid(WorkerSocketPath(run)), workerPid);
}

TEST_F(StartupRoles, UnsafeRunDirectoryIsRefused) {
    const QString run = home.filePath(QStringLiteral(".cache/brisken"));
    ASSERT_TRUE(QDir().mkpath(run));
    ::chmod(QFile::encodeName(run).constData(), 0777);
    // The refusal shows a message box; under the offscreen platform nobody
    // answers it, so the launcher is ended here after a while.
    QProcess launcher;
    launcher.setProcessEnvironment(Environment());
    launcher.setWorkingDirectory(home.path());
    launcher.start(QStringLiteral(BRISKEN_PROGRAM), {});
    ASSERT_TRUE(launcher.waitForStarted());
    launcher.waitForFinished(1500);
    if (launcher.state() != QProcess::NotRunning) {
        launcher.kill();
        launcher.waitForFinished();
    }
    EXPECT_FALSE(QFileInfo::exists(run + QStringLiteral("/Tolvane")));
}

} // namespace

namespace {

// Translated labels must not be clipped by their controls in any language.
TEST(WindowTexts, EveryLabelFitsInEveryLanguage) {
    SetUserDefaultLanguageIdForTesting(1033);
    QTemporaryDir dir;
    MainDialog window;
    window.SetSettingsPath(dir.filePath(QStringLiteral("Brisken.ini")));
    ASSERT_TRUE(window.OnInitDialog());
    window.show();
    for (const LanguageResources& language : AllLanguageResources()) {
        SetInterfaceLanguage(language.languageId);
        window.InitializeUI();
        for (int id : {kRadioPhone, kRadioSms, kPhoneCaption, kSmsCaption, kNameLabel, kNumberLabel,
                       kSmsStatusLabel, kSmsNumberLabel, kSmsTimeLabel, kSmsMessageLabel}) {
            QWidget* control = window.Control(id);
            const QString text = control->property("text").toString();
            const int extra = qobject_cast<QRadioButton*>(control) ? 24 : 0; // the round mark
            const auto* label = qobject_cast<QLabel*>(control);
            const QRect needed = control->fontMetrics().boundingRect(
                QRect(0, 0, control->width() - extra, 1000),
                label && label->wordWrap() ? Qt::TextWordWrap : 0, text);
            EXPECT_LE(needed.width() + extra, control->width())
                << language.languageId << " control " << id << ": " << text.toStdString();
            EXPECT_LE(needed.height(), control->height())
                << language.languageId << " control " << id << ": " << text.toStdString();
        }
    }
    SetInterfaceLanguage(0);
    SetUserDefaultLanguageIdForTesting(0);
}

} // namespace

namespace {

TEST(WorkerChannelTest, HandsOverAndReplacesStaleSocket) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tolvane.socket"));
    EXPECT_FALSE(AskWorkerToFront(path, 200)); // nobody there
    {
        // A socket file left behind by a worker that ended without cleaning up.
        QLocalServer stale;
        stale.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(stale.listen(path));
        stale.close();
        QFile marker(path);
        if (!marker.exists()) {
            ASSERT_TRUE(marker.open(QIODevice::WriteOnly)); // leave a file in its place
        }
    }
    int raised = 0;
    WorkerChannel channel([&raised] { ++raised; });
    ASSERT_TRUE(channel.Listen(path));
    WorkerChannel second([] {});
    EXPECT_FALSE(second.Listen(path)); // a live worker keeps its name

    // The asking side blocks, so it runs on its own thread while this one serves.
    std::atomic<bool> answered{false};
    std::thread asker([&] { answered = AskWorkerToFront(path, 3000); });
    for (int i = 0; i < 100 && raised == 0; ++i) {
        QTest::qWait(20);
    }
    asker.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(raised, 1);

    QLocalSocket junk; // anything but the one request is ignored
    junk.connectToServer(path);
    ASSERT_TRUE(junk.waitForConnected(1000));
    junk.write(QByteArray(100, 'x') + "\n");
    junk.flush();
    QTest::qWait(100);
    EXPECT_EQ(raised, 1);
}

} // namespace
