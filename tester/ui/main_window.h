// The tester's window: the settings groups, the result table, the status
// labels and the log pane. It shows the engine's state, read on the window
// thread by a timer, and forwards the operator's actions and device events.
#pragma once

#include "colour_label.h"
#include "hotplug.h"
#include "log_pane.h"
#include "single_instance.h"
#include "smart_card_test.h"
#include "test_engine.h"
#include "test_settings.h"

#include <QWidget>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace orrick::ui {

struct WindowOptions {
    ScsiBackend* backend = nullptr;
    SmartCardService* smartCards = nullptr;
    CardRwTest rwTest;   // empty: the pre-test library's test
    DelayFunction delay; // empty: plain sleeps
    // Holds DefaultFiles.ini; the file dialogs open here.
    std::filesystem::path programDir;
    QString lockFolder; // empty: the user's runtime folder
    // Loaded at start instead of the last setting file.
    std::optional<std::filesystem::path> settingsFile;
    LogSink* logSink = nullptr;            // must outlive the window
    std::unique_ptr<BlockMonitor> monitor; // null: no hotplug
    int refreshMs = 50;
};

// "Orrick v1.0.0.0", from the project's version.
QString VersionTitle();

class MainWindow : public QWidget {
public:
    explicit MainWindow(WindowOptions options, QWidget* parent = nullptr);
    ~MainWindow() override;

    TestEngine& Engine() { return *engine_; }
    bool SecondInstance() const { return !instance_.IsFirst(); }
    bool SettingsModified() const { return settingsModified_; }
    const TestSettings& Settings() const { return settings_; }
    const LabelSettings& Labels() const { return labels_; }
    // Reads the engine's state into the widgets; the refresh timer calls it.
    void Refresh();
    // Called once the window has stopped everything it runs, before it goes.
    std::function<void()> onClosed;

    void OnSetup();
    void OnSave();
    void OnLoadSetting();
    void ShowAbout();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Device events reach the engine only while the window tests.
    class HotplugGate : public DeviceEvents {
    public:
        explicit HotplugGate(MainWindow& window) : window_(window) {}
        void OnDeviceArrival() override;
        void OnDeviceRemoval() override;

    private:
        MainWindow& window_;
    };

    struct CheckControl {
        QCheckBox* box;
        uint8_t TestSettings::*field;
    };
    struct ComboControl {
        QComboBox* box;
        uint8_t TestSettings::*field;
        std::span<const char* const> (*items)();
    };

    void BuildControls();
    QWidget* BuildReaderGroup();
    QWidget* BuildStatusLabels();
    QWidget* BuildSettingGroup();
    QWidget* BuildFormatGroup();
    QWidget* BuildResultTable();
    QWidget* BuildButtons();
    QCheckBox* AddCheck(int id, const QString& text, uint8_t TestSettings::*field);
    QComboBox* AddCombo(int id, uint8_t TestSettings::*field,
                        std::span<const char* const> (*items)());
    void ConnectChangeHandlers();

    void StartTesting();
    void LoadStartupSettings();
    void LoadSettings(const std::filesystem::path& path);
    void ShowSettings();
    void SettingChanged();
    void SetSettingsEnabled(bool on);
    void PushSettings();
    void SetTitle(const std::optional<std::filesystem::path>& file);
    void UseSettingFile(const std::filesystem::path& path, const char* cannotRemember);
    void BringToTop();
    void ShowRunState(bool running);
    void StopAll();

    WindowOptions options_;
    SingleInstance instance_;
    std::unique_ptr<TestEngine> engine_;
    HotplugGate gate_{*this};
    std::unique_ptr<HotplugNotifier> hotplug_;
    bool testing_ = false; // the engine has started and the window is open
    bool stopped_ = false;

    TestSettings settings_;
    LabelSettings labels_;
    bool settingsModified_ = false;

    std::vector<CheckControl> checks_;
    std::vector<ComboControl> combos_;
    QLineEdit* vidEdit_ = nullptr;
    QLineEdit* pidEdit_ = nullptr;
    QLineEdit* fwEdit_ = nullptr;
    QLineEdit* readVid_ = nullptr;
    QLineEdit* readPid_ = nullptr;
    QLineEdit* readFw_ = nullptr;
    QCheckBox* sd1LabelCheck_ = nullptr;
    QCheckBox* sd2LabelCheck_ = nullptr;
    QLineEdit* sd1LabelEdit_ = nullptr;
    QLineEdit* sd2LabelEdit_ = nullptr;
    ColourLabel* dev_ = nullptr;
    ColourLabel* pidvid_ = nullptr;
    ColourLabel* err_ = nullptr;
    static constexpr int kColumns = 6;
    std::array<ColourLabel*, kColumns> info_{}, readWrite_{}, writeProtect_{}, verdict_{};
    QPlainTextEdit* log_ = nullptr;
    uint64_t logRevision_ = 0;
    QPushButton* setup_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* loadSetting_ = nullptr;
    QPushButton* exit_ = nullptr;
    QTimer* refresh_ = nullptr;
    bool shownRunning_ = false;
};

} // namespace orrick::ui
