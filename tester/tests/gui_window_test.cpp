// The tester's window offscreen: the settings workflow through its dialogs,
// single instance, and the result table during a run on the simulated reader.
#include "engine_fixture.h"
#include "main_window.h"
#include "messages.h"
#include "program.h"
#include "wait_until.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <sstream>

namespace orrick::testing {
namespace {

using ui::MainWindow;
using ui::MessageAnswer;
using ui::MessageRequest;
using ui::WaitUntil;

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs act on the modal dialog named name as soon as it is up.
void WhenModal(const QString& name, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, name, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w->objectName() != name)
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

class WindowTest : public ::testing::Test {
protected:
    WindowTest() {
        oldHandler = ui::SetMessageHandler([this](const MessageRequest& request) {
            messages.push_back(request.text.toStdString());
            return answer;
        });
    }
    ~WindowTest() override {
        windows.clear();
        ui::SetMessageHandler(oldHandler);
    }

    MainWindow& Open(std::optional<std::filesystem::path> settingsFile = std::nullopt) {
        ui::WindowOptions o;
        o.backend = &sim;
        o.smartCards = &cards;
        o.rwTest = cards.RwTest(0);
        o.delay = ShortSleep;
        o.programDir = dir.path();
        o.lockFolder = QString::fromStdString((dir.path() / "run").string());
        std::filesystem::create_directories(dir.path() / "run");
        o.settingsFile = std::move(settingsFile);
        auto monitor = std::make_unique<PipeBlockMonitor>();
        hotplug = monitor.get();
        o.monitor = std::move(monitor);
        o.refreshMs = 10;
        windows.push_back(std::make_unique<MainWindow>(std::move(o)));
        windows.back()->show();
        QTest::qWait(20);
        return *windows.back();
    }

    template <typename T = QWidget> T* Find(MainWindow& w, int id) {
        T* found = w.findChild<T*>(QStringLiteral("id%1").arg(id));
        EXPECT_NE(found, nullptr) << "id" << id;
        return found;
    }

    void EnterPassword(MainWindow& w, const QString& password) {
        WhenModal("passwordDialog", [password](QWidget* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>("passwordEdit"), password);
            dialog->findChild<QPushButton*>("id1")->click();
        });
        Find<QPushButton>(w, 1046)->click();
    }

    // Picks path in the Save or Load Setting dialog; records where it opened.
    void PickFile(MainWindow& w, int button, const std::filesystem::path& path) {
        const QString name = button == 1015 ? "saveSettingDialog" : "loadSettingDialog";
        WhenModal(name, [this, path](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            openedIn = files->directory().absolutePath().toStdString();
            files->selectFile(QString::fromStdString(path.string()));
            QMetaObject::invokeMethod(files, "accept");
        });
        Find<QPushButton>(w, button)->click();
    }

    bool SettingsEnabled(MainWindow& w) {
        return Find<QCheckBox>(w, 1007)->isEnabled() && Find<QComboBox>(w, 1034)->isEnabled() &&
               Find<QLineEdit>(w, 1001)->isEnabled() && Find<QLineEdit>(w, 1065)->isEnabled();
    }

    TempDir dir;
    simreader::SimReaderBackend sim;
    FakeSmartCards cards;
    PipeBlockMonitor* hotplug = nullptr;
    std::vector<std::unique_ptr<MainWindow>> windows;
    std::vector<std::string> messages;
    MessageAnswer answer = MessageAnswer::Ok;
    std::string openedIn;
    ui::MessageHandler oldHandler;
};

TEST_F(WindowTest, SetupNeedsTheRightPassword) {
    MainWindow& w = Open();
    EXPECT_FALSE(SettingsEnabled(w));
    EXPECT_FALSE(Find<QPushButton>(w, 1015)->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(w, 1035)->isEnabled());

    for (const QString wrong : {"7350", "", "73511"}) {
        EnterPassword(w, wrong);
        EXPECT_FALSE(SettingsEnabled(w)) << wrong.toStdString();
        EXPECT_FALSE(Find<QPushButton>(w, 1015)->isEnabled());
    }
    EXPECT_EQ(messages, std::vector<std::string>(3, "Password Error  !!"));

    EnterPassword(w, "7351");
    EXPECT_TRUE(SettingsEnabled(w));
    EXPECT_TRUE(Find<QPushButton>(w, 1015)->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(w, 1035)->isEnabled());
    EXPECT_EQ(messages.size(), 3u);
    EXPECT_FALSE(w.SettingsModified());
}

TEST_F(WindowTest, SaveAndLoadSettingRoundTripThroughTheDialogs) {
    MainWindow& w = Open();
    EXPECT_EQ(w.windowTitle(), "Orrick v1.0.0.0");
    EnterPassword(w, "7351");
    Find<QCheckBox>(w, 1007)->click();                  // CF
    Find<QComboBox>(w, 1034)->setCurrentIndex(10);      // UDMA 2
    Find<QCheckBox>(w, 1006)->click();                  // write-protect test
    Find<QComboBox>(w, 1039)->setCurrentIndex(4);       // 4 LUNs
    QTest::keyClicks(Find<QLineEdit>(w, 1001), "46dz"); // not hex: z is refused
    Find<QLineEdit>(w, 1003)->clear();                  // shows 0.00
    QTest::keyClicks(Find<QLineEdit>(w, 1003), "1.5");
    Find<QCheckBox>(w, 1063)->click();
    QTest::keyClicks(Find<QLineEdit>(w, 1065), "LINE-A-SD1-LONG");
    EXPECT_TRUE(w.SettingsModified());
    const TestSettings edited = w.Settings();
    EXPECT_EQ(VidPidText(edited.vid), "46d");
    EXPECT_EQ(edited.firmwareMajor, 1);
    EXPECT_EQ(edited.firmwareMinor, 5);
    EXPECT_EQ(w.Labels().sd1Label, "LINE-A-SD1-");

    const auto file = dir.path() / "product.ini";
    PickFile(w, 1015, file);
    EXPECT_EQ(openedIn, dir.path().string());
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_FALSE(w.SettingsModified());
    EXPECT_FALSE(SettingsEnabled(w));
    EXPECT_EQ(w.windowTitle().toStdString(), "Orrick v1.0.0.0 (" + file.string() + ")");
    EXPECT_NE(FileText(dir.path() / "DefaultFiles.ini").find("LastFileName=product.ini"),
              std::string::npos);
    EXPECT_NE(FileText(file).find("FW=1.05"), std::string::npos);

    // A change not saved is dropped by loading, without a question.
    EnterPassword(w, "7351");
    Find<QCheckBox>(w, 1007)->click();
    Find<QComboBox>(w, 1034)->setCurrentIndex(1);
    PickFile(w, 1035, file);
    EXPECT_EQ(openedIn, dir.path().string());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(w.Settings().cf, 1);
    EXPECT_EQ(w.Settings().cfMode, 10);
    EXPECT_EQ(w.Settings().writeProtectTest, 1);
    EXPECT_EQ(w.Settings().luns, 4);
    EXPECT_EQ(Find<QComboBox>(w, 1034)->currentText(), "UDMA 2");
    EXPECT_EQ(Find<QLineEdit>(w, 1001)->text(), "046D");
    EXPECT_EQ(Find<QLineEdit>(w, 1003)->text(), "1.05");
    EXPECT_TRUE(Find<QCheckBox>(w, 1063)->isChecked());
    EXPECT_EQ(Find<QLineEdit>(w, 1065)->text(), "LINE-A-SD1-");
    EXPECT_FALSE(SettingsEnabled(w));
    EXPECT_EQ(w.windowTitle().toStdString(), "Orrick v1.0.0.0 (" + file.string() + ")");

    // The next start loads it again, with nothing marked as changed.
    windows.clear();
    MainWindow& again = Open();
    EXPECT_EQ(again.Settings().cfMode, 10);
    EXPECT_EQ(Find<QLineEdit>(again, 1001)->text(), "046D");
    EXPECT_FALSE(again.SettingsModified());
    EXPECT_EQ(again.windowTitle().toStdString(), "Orrick v1.0.0.0 (" + file.string() + ")");
}

TEST_F(WindowTest, NoToOverwriteKeepsFileAndSettings) {
    const auto file = dir.path() / "existing.ini";
    std::ofstream(file) << "[Orrick]\nCF=0\n";
    MainWindow& w = Open();
    EnterPassword(w, "7351");
    Find<QCheckBox>(w, 1009)->click(); // SM
    answer = MessageAnswer::No;
    PickFile(w, 1015, file);
    EXPECT_EQ(messages, std::vector<std::string>{"File exist!\r\nOver Write it ?"});
    EXPECT_EQ(FileText(file), "[Orrick]\nCF=0\n");
    EXPECT_EQ(w.Settings().sm, 1);
    EXPECT_TRUE(w.SettingsModified());
    EXPECT_TRUE(SettingsEnabled(w));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "DefaultFiles.ini"));

    answer = MessageAnswer::Yes;
    PickFile(w, 1015, file);
    EXPECT_NE(FileText(file).find("SM=1"), std::string::npos);
    EXPECT_FALSE(w.SettingsModified());
}

TEST_F(WindowTest, UnwritableSettingFileSaysSoAndStaysModified) {
    const auto file = dir.path() / "blocked.ini";
    // The file is written beside itself first; a folder in that place blocks it, even for root.
    std::filesystem::create_directories(dir.path() / "blocked.ini.tmp");
    MainWindow& w = Open();
    EnterPassword(w, "7351");
    Find<QCheckBox>(w, 1010)->click(); // xD
    PickFile(w, 1015, file);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("blocked.ini"), std::string::npos);
    EXPECT_TRUE(w.SettingsModified());
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(w.windowTitle(), "Orrick v1.0.0.0");
}

TEST_F(WindowTest, SettingsNamedAtStartWinOverTheLastFile) {
    TestSettings last;
    last.sd = 1;
    ASSERT_TRUE(SaveSettingFile(dir.path() / "last.ini", last, {}));
    ASSERT_TRUE(WriteLastSettingFile(dir.path(), "last.ini"));
    TestSettings named;
    named.ms = 1;
    named.vid = StoreVidPid("46d");
    const auto namedFile = dir.path() / "named.ini";
    ASSERT_TRUE(SaveSettingFile(namedFile, named, {}));

    MainWindow& w = Open(namedFile);
    EXPECT_EQ(w.Settings().ms, 1);
    EXPECT_EQ(w.Settings().sd, 0);
    EXPECT_TRUE(Find<QCheckBox>(w, 1011)->isChecked());
    EXPECT_EQ(Find<QLineEdit>(w, 1001)->text(), "046D");
    EXPECT_FALSE(w.SettingsModified());
    EXPECT_EQ(w.windowTitle().toStdString(), "Orrick v1.0.0.0 (" + namedFile.string() + ")");
}

TEST_F(WindowTest, SecondInstanceClosesAndLeavesTheReaderAlone) {
    MainWindow& first = Open();
    EXPECT_FALSE(first.SecondInstance());
    // The first tester has been running for a while: its lock is old, not stale.
    const auto lock = dir.path() / "run" / ui::SingleInstance::kName;
    ASSERT_TRUE(std::filesystem::exists(lock));
    std::filesystem::last_write_time(lock, std::filesystem::file_time_type::clock::now() -
                                               std::chrono::hours(2));

    // A reader is plugged in, but the second tester never even scans for it.
    sim.AddController(std::make_unique<simreader::SimController>(simreader::Family::MultiSlot),
                      Names({"sdb", "sdc", "sdd", "sde"}));
    MainWindow& second = Open();
    EXPECT_TRUE(second.SecondInstance());
    EXPECT_TRUE(WaitUntil([&] { return !second.isVisible(); }));
    hotplug->OnDeviceArrival();
    QTest::qWait(50);
    EXPECT_FALSE(second.Engine().Running());
    EXPECT_FALSE(second.Engine().TableSnapshot()[0].valid);
    EXPECT_TRUE(first.isVisible());

    // Once the first one has gone, a new one is first again.
    windows.clear();
    EXPECT_FALSE(Open().SecondInstance());
}

class WindowRunTest : public WindowTest {
protected:
    // Every column of the table: CF, SD, SM (xD shares its LUN), MS (MS2
    // shares), SD2, and a PC/SC reader with a card.
    void PlugSevenSlotReader() {
        auto controller = std::make_unique<simreader::SimController>(simreader::Family::MultiSlot);
        const uint8_t luns[] = {0, 1, 2, 2, 3, 4, 3};
        for (int slot = 0; slot < 7; ++slot)
            controller->SetSlotLun(slot, luns[slot]);
        simreader::SimController& reader = *controller;
        index =
            sim.AddController(std::move(controller), Names({"sdb", "sdc", "sdd", "sde", "sdf"}));
        reader.InsertCard(0, simreader::SimCard{});
        reader.InsertCard(1, WriteProtectedCard());
        reader.InsertCard(2, simreader::SimCard{});
        reader.InsertCard(4, InitFailCard());
        reader.InsertCard(5, simreader::SimCard{});
        cards.hasReader = true;
        cards.cardPresent = true;
    }

    void SaveAsLast(const TestSettings& settings) {
        ASSERT_TRUE(SaveSettingFile(dir.path() / "line.ini", settings, {}));
        ASSERT_TRUE(WriteLastSettingFile(dir.path(), "line.ini"));
    }

    size_t index = 0;
};

TEST_F(WindowRunTest, ResultTableShowsTheRunAndUnplugResetsIt) {
    TestSettings settings = MemorySlots({0, 1, 2, 4, 5});
    settings.smartCard = 1;
    SaveAsLast(settings);
    PlugSevenSlotReader();
    MainWindow& w = Open(); // the reader is already in: no device event needed

    auto label = [&](const char* row, int column) {
        return w.findChild<ui::ColourLabel*>(QStringLiteral("%1%2").arg(row).arg(column));
    };
    auto verdicts = [&] {
        std::vector<std::string> texts;
        for (int column = 0; column < 6; ++column)
            texts.push_back(label("verdict", column)->text().toStdString());
        return texts;
    };
    const std::vector<std::string> expected = {"Pass-(2)", "NG-(0)",   "Pass-(2)",
                                               "NG-(0)",   "Pass-(2)", "Pass-(2)"};
    ASSERT_TRUE(WaitUntil([&] { return verdicts() == expected; }))
        << ::testing::PrintToString(verdicts());
    const QColor blue(0, 0, 255), red(255, 0, 0);
    for (int column : {0, 2, 4, 5})
        EXPECT_EQ(label("verdict", column)->TextColour(), blue) << column;
    for (int column : {1, 3})
        EXPECT_EQ(label("verdict", column)->TextColour(), red) << column;
    EXPECT_EQ(label("rw", 0)->text(), "Pass");
    EXPECT_EQ(label("rw", 0)->TextColour(), blue);
    EXPECT_EQ(label("rw", 1)->text(), "WP"); // write protection not expected
    EXPECT_EQ(label("rw", 1)->TextColour(), red);
    EXPECT_EQ(label("rw", 3)->text(), "InitFail");
    EXPECT_TRUE(label("verdict", 0)->IsBold());
    EXPECT_TRUE(WaitUntil(
        [&] { return Find<QPlainTextEdit>(w, 1014)->toPlainText().contains("Device Found!!"); }));
    // A run locks the window's buttons.
    EXPECT_FALSE(Find<QPushButton>(w, 1016)->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(w, 1046)->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(w, 1015)->isEnabled());

    sim.Unplug(index);
    hotplug->OnDeviceRemoval();
    ASSERT_TRUE(WaitUntil([&] { return Find<QPushButton>(w, 1016)->isEnabled(); }));
    EXPECT_TRUE(Find<QPushButton>(w, 1046)->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(w, 1015)->isEnabled()); // still locked behind Setup
    EXPECT_EQ(verdicts(), std::vector<std::string>(6));
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(label("info", column)->text(), "");
        EXPECT_EQ(label("info", column)->TextColour(), QColor(65, 105, 225));
        EXPECT_EQ(label("rw", column)->text(), "");
        EXPECT_EQ(label("wp", column)->text(), "");
    }
    for (int id : {1017, 1018, 1049})
        EXPECT_EQ(Find<ui::ColourLabel>(w, id)->text(), "") << id;
    EXPECT_TRUE(Find<QPlainTextEdit>(w, 1014)->toPlainText().contains("Device plug out !! "));

    // The next reader comes through the same path and runs afresh.
    sim.Replug(index);
    sim.Controller(index).InsertCard(0, simreader::SimCard{});
    hotplug->OnDeviceArrival();
    EXPECT_TRUE(WaitUntil([&] { return label("verdict", 0)->text() == "Pass-(2)"; }));
}

TEST_F(WindowRunTest, TwoSlotReaderLeavesTheOtherColumnsBlank) {
    TestSettings settings;
    settings.sd = 1;
    settings.sd2 = 1; // the second SD slot of a two-slot reader is slot 1
    SaveAsLast(settings);
    index =
        sim.AddController(std::make_unique<simreader::SimController>(simreader::Family::TwoSlot),
                          Names({"sdb", "sdc"}));
    sim.Controller(index).InsertCard(0, simreader::SimCard{});
    MainWindow& w = Open();
    auto text = [&](const char* row, int column) {
        return w.findChild<ui::ColourLabel*>(QStringLiteral("%1%2").arg(row).arg(column))->text();
    };
    ASSERT_TRUE(WaitUntil([&] { return text("verdict", 0) == "Pass-(2)"; }));
    EXPECT_EQ(text("rw", 1), "Ready");
    for (int column : {2, 3, 4}) {
        EXPECT_EQ(text("rw", column), "") << column;
        EXPECT_EQ(text("info", column), "") << column;
        EXPECT_EQ(text("verdict", column), "") << column;
    }
}

TEST_F(WindowRunTest, InitialLookOfTheLabels) {
    MainWindow& w = Open();
    auto* err = Find<ui::ColourLabel>(w, 1049);
    auto* pidvid = Find<ui::ColourLabel>(w, 1017);
    auto* dev = Find<ui::ColourLabel>(w, 1018);
    EXPECT_EQ(err->TextColour(), QColor(255, 140, 0));
    EXPECT_EQ(pidvid->TextColour(), QColor(255, 140, 0));
    EXPECT_EQ(dev->TextColour(), QColor(218, 165, 32));
    for (auto* l : {err, pidvid, dev}) {
        EXPECT_TRUE(l->IsBold());
        EXPECT_EQ(l->font().pixelSize(), 14);
        EXPECT_EQ(l->text(), "");
    }
    auto* wp = w.findChild<ui::ColourLabel*>("wp1");
    EXPECT_EQ(wp->font().pixelSize(), 24);
    EXPECT_TRUE(wp->IsBold());
    EXPECT_TRUE(w.findChild<ui::ColourLabel*>("info0")->IsBold());
    EXPECT_FALSE(Find<QComboBox>(w, 1056)->isVisible()); // the second MS slot's mode
    EXPECT_EQ(Find<QLineEdit>(w, 1065)->maxLength(), 11);
    EXPECT_EQ(Find<QLineEdit>(w, 1003)->maxLength(), 5);
}

TEST_F(WindowRunTest, ClosingDuringARunStopsTheEngineFirst) {
    TestSettings settings = MemorySlots({0, 1});
    settings.smartCard = 1;
    SaveAsLast(settings);
    PlugSevenSlotReader();
    MainWindow& w = Open();
    ASSERT_TRUE(WaitUntil([&] { return w.Engine().Running(); }));
    QTest::qWait(100);
    w.close();
    EXPECT_FALSE(w.Engine().Running());
    EXPECT_FALSE(w.isVisible());
    // Device events after the close start nothing.
    hotplug->OnDeviceArrival();
    QTest::qWait(50);
    EXPECT_FALSE(w.Engine().Running());
}

TEST_F(WindowRunTest, ScenarioEndingInQuitRunsTheWholeProgram) {
    const auto profile = dir.path() / "reader.json";
    const auto scenario = dir.path() / "scenario.json";
    const auto log = dir.path() / "session.log";
    std::ofstream(profile) << R"({"family": "TwoSlot", "slotLuns": [0, 1],
                                  "drives": ["sdb", "sdc"]})";
    std::ofstream(scenario) << R"({"events": [
        {"at_ms": 0,   "event": "plug"},
        {"at_ms": 200, "event": "insert", "slot": 0, "image": "sd.img", "sectors": 8192},
        {"at_ms": 1500, "event": "unplug"},
        {"at_ms": 1800, "event": "quit"}]})";
    TestSettings settings;
    settings.sd = 1;
    ASSERT_TRUE(SaveSettingFile(dir.path() / "two.ini", settings, {}));

    ToolOptions options;
    options.profile = profile;
    options.scenario = scenario;
    options.logFile = log;
    options.settings = dir.path() / "two.ini";
    ui::ProgramParts parts;
    parts.smartCards = &cards;
    parts.delay = ShortSleep;
    parts.lockFolder = QString::fromStdString(dir.path().string());
    {
        ui::OrrickProgram program(options, dir.path(), parts);
        program.Show();
        ASSERT_TRUE(WaitUntil([&] { return !program.Window().isVisible(); }));
        EXPECT_TRUE(program.ScenarioQuit());
        EXPECT_EQ(program.ExitCode(), 0);
    }
    const std::string text = FileText(log);
    EXPECT_NE(text.find("verdict 0 Pass-(2)"), std::string::npos) << text;
    EXPECT_NE(text.find("Device plug out !! "), std::string::npos) << text;

    // Bad command lines stop before any window opens.
    auto error = [&](const ToolOptions& o) -> std::string {
        try {
            ui::OrrickProgram program(o, dir.path(), parts);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "";
    };
    ToolOptions noProfile;
    noProfile.scenario = scenario;
    EXPECT_EQ(error(noProfile), "--scenario needs --simulate");
    ToolOptions missingSettings = options;
    missingSettings.settings = dir.path() / "missing.ini";
    EXPECT_NE(error(missingSettings).find("missing.ini"), std::string::npos);
}

} // namespace
} // namespace orrick::testing
