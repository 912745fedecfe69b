#include "main_window.h"

#include "messages.h"
#include "password_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace orrick::ui {
namespace {

constexpr int kStatusHeight = 14;
constexpr int kWriteProtectHeight = 24;
constexpr int kBringToTopAgainMs = 2000;
constexpr int kMaxLabelText = static_cast<int>(LabelSettings::kMaxLabel);
// The slot whose labels each column of the result table shows; the SM/xD
// column is slot 2's (the engine draws it for whichever of SM and xD holds a card).
constexpr std::array<int, 6> kColumnSlot = {0, 1, 2, 4, 5, kSmartCardSlot};
constexpr const char* kColumnTitles[] = {"CF", "SD/MMC", "SM/xD", "MS/MS Pro", "SD2", "SmartCard"};

QString Id(int id) {
    return QStringLiteral("id%1").arg(id);
}

QColor ToColour(Rgb rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToLatin1(const QString& text) {
    return text.toLatin1().toStdString();
}

QLineEdit* MakeEdit(int id, int maxLength, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(Id(id));
    edit->setMaxLength(maxLength);
    return edit;
}

QLineEdit* MakeReadBox(int id, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(Id(id));
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    // Values read from the reader, not entry fields: drawn on the window's background.
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    edit->setPalette(p);
    return edit;
}

// A card in a reader, drawn rather than shipped as a picture.
QIcon MakeIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(65, 105, 225));
    painter.drawRoundedRect(QRectF(2, 8, 28, 20), 3, 3);
    painter.setBrush(QColor(218, 165, 32));
    painter.drawRect(QRectF(8, 3, 16, 12));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(6, 20, 20, 3));
    return QIcon(pixmap);
}

} // namespace

QString VersionTitle() {
    return QStringLiteral("Orrick v%1.%2.%3.%4")
        .arg(ORRICK_VERSION_MAJOR)
        .arg(ORRICK_VERSION_MINOR)
        .arg(ORRICK_VERSION_PATCH)
        .arg(ORRICK_VERSION_TWEAK);
}

void MainWindow::HotplugGate::OnDeviceArrival() {
    if (window_.testing_)
        window_.engine_->OnDeviceArrival();
}

void MainWindow::HotplugGate::OnDeviceRemoval() {
    if (window_.testing_)
        window_.engine_->OnDeviceRemoval();
}

MainWindow::MainWindow(WindowOptions options, QWidget* parent)
    : QWidget(parent), options_(std::move(options)), instance_(options_.lockFolder) {
    setObjectName("orrickWindow");
    setWindowIcon(MakeIcon());
    engine_ = std::make_unique<TestEngine>(*options_.backend, *options_.smartCards, options_.rwTest,
                                           options_.delay);
    if (options_.logSink)
        engine_->SetLogSink(options_.logSink);

    BuildControls();
    SetTitle(std::nullopt);
    ConnectChangeHandlers();
    LoadStartupSettings();
    ShowSettings();
    // Locked until the setup password is given.
    SetSettingsEnabled(false);
    save_->setEnabled(false);
    loadSetting_->setEnabled(false);
    settingsModified_ = false;
    PushSettings();
    Refresh();

    refresh_ = new QTimer(this);
    connect(refresh_, &QTimer::timeout, this, &MainWindow::Refresh);
    refresh_->start(options_.refreshMs);

    auto* about = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(about, &QShortcut::activated, this, &MainWindow::ShowAbout);

    if (SecondInstance()) {
        // Another tester owns the readers: this one never touches them.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (options_.monitor)
        hotplug_ = std::make_unique<HotplugNotifier>(std::move(options_.monitor), gate_);
    QTimer::singleShot(0, this, &MainWindow::StartTesting);
    QTimer::singleShot(0, this, &MainWindow::BringToTop);
    QTimer::singleShot(kBringToTopAgainMs, this, &MainWindow::BringToTop);
}

MainWindow::~MainWindow() {
    StopAll();
}

void MainWindow::StartTesting() {
    if (stopped_ || testing_)
        return;
    testing_ = true;
    // A reader plugged in before the start needs no device event.
    engine_->Start();
    Refresh();
}

void MainWindow::StopAll() {
    if (stopped_)
        return;
    stopped_ = true;
    testing_ = false;
    if (refresh_)
        refresh_->stop();
    // The monitor stays until the window goes (a scenario may still post to
    // it); testing_ keeps its events from the engine.
    // The worker threads end before anything they use goes.
    engine_->Stop();
    options_.smartCards->ReleaseContext();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    StopAll();
    Refresh();
    if (onClosed)
        onClosed();
    event->accept();
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction("About Orrick...", this, &MainWindow::ShowAbout);
    menu.exec(event->globalPos());
}

void MainWindow::ShowAbout() {
    ShowMessage(this, {"About Orrick", "Orrick\r\nOrrick Version 1.0", MessageButtons::Ok});
}

void MainWindow::BringToTop() {
    raise();
    activateWindow();
}

void MainWindow::SetTitle(const std::optional<std::filesystem::path>& file) {
    if (file)
        setWindowTitle(
            QStringLiteral("%1 (%2)").arg(VersionTitle(), QString::fromStdString(file->string())));
    else
        setWindowTitle(VersionTitle());
}

// --- controls ---

void MainWindow::BuildControls() {
    auto* top = new QHBoxLayout;
    top->addWidget(BuildReaderGroup(), 3);
    top->addWidget(BuildStatusLabels(), 2);

    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildSettingGroup(), 3);
    middle->addWidget(BuildFormatGroup(), 1);

    auto* logGroup = new QGroupBox("LOG", this);
    auto* logLayout = new QVBoxLayout(logGroup);
    log_ = new QPlainTextEdit(logGroup);
    log_->setObjectName(Id(1014));
    log_->setReadOnly(true);
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    logLayout->addWidget(log_);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BuildResultTable(), 3);
    bottom->addWidget(logGroup, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addLayout(bottom, 1);
    layout->addWidget(BuildButtons());
    // The dialog's 571 x 432 units at the usual 8-point font.
    resize(860, 700);
}

QCheckBox* MainWindow::AddCheck(int id, const QString& text, uint8_t TestSettings::*field) {
    auto* box = new QCheckBox(text, this);
    box->setObjectName(Id(id));
    checks_.push_back({box, field});
    return box;
}

QComboBox* MainWindow::AddCombo(int id, uint8_t TestSettings::*field,
                                std::span<const char* const> (*items)()) {
    auto* box = new QComboBox(this);
    box->setObjectName(Id(id));
    for (const char* item : items())
        box->addItem(item);
    combos_.push_back({box, field, items});
    return box;
}

QWidget* MainWindow::BuildReaderGroup() {
    auto* group = new QGroupBox("Card Reader Information (HEX)", this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(AddCheck(1000, "Check Information", &TestSettings::informationCheck), 0, 0, 1,
                    4);
    vidEdit_ = MakeEdit(1001, 4, group);
    pidEdit_ = MakeEdit(1002, 4, group);
    fwEdit_ = MakeEdit(1003, 5, group);
    // Hexadecimal identifiers and a decimal version with one point.
    auto* hex = new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{0,4}"), group);
    vidEdit_->setValidator(hex);
    pidEdit_->setValidator(hex);
    fwEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]{0,3}(\\.[0-9]{0,3})?"), group));
    readVid_ = MakeReadBox(1052, group);
    readPid_ = MakeReadBox(1053, group);
    readFw_ = MakeReadBox(1054, group);
    const char* names[] = {"VID", "PID", "FW ver"};
    QLineEdit* expected[] = {vidEdit_, pidEdit_, fwEdit_};
    QLineEdit* read[] = {readVid_, readPid_, readFw_};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(names[i], group), i + 1, 0);
        grid->addWidget(expected[i], i + 1, 1);
        grid->addWidget(read[i], i + 1, 2);
    }
    return group;
}

QWidget* MainWindow::BuildStatusLabels() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    dev_ = new ColourLabel(Id(1018), panel);
    pidvid_ = new ColourLabel(Id(1017), panel);
    err_ = new ColourLabel(Id(1049), panel);
    dev_->SetLook(ToColour(colours::kGoldenrod), true, kStatusHeight);
    pidvid_->SetLook(ToColour(colours::kDarkOrange), true, kStatusHeight);
    err_->SetLook(ToColour(colours::kDarkOrange), true, kStatusHeight);
    for (ColourLabel* label : {dev_, pidvid_, err_}) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    layout->addStretch();
    return panel;
}

QWidget* MainWindow::BuildSettingGroup() {
    auto* group = new QGroupBox("Test Setting", this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(AddCheck(1007, "CF", &TestSettings::cf), 0, 0);
    grid->addWidget(AddCombo(1034, &TestSettings::cfMode, &CfModeItems), 0, 1);
    grid->addWidget(AddCheck(1008, "SD/MMC", &TestSettings::sd), 1, 0);
    grid->addWidget(AddCombo(1036, &TestSettings::sdWidth, &SdWidthItems), 1, 1);
    grid->addWidget(AddCheck(1012, "SD2", &TestSettings::sd2), 2, 0);
    grid->addWidget(AddCombo(1037, &TestSettings::sd2Width, &SdWidthItems), 2, 1);
    grid->addWidget(AddCheck(1011, "MS", &TestSettings::ms), 3, 0);
    grid->addWidget(AddCombo(1038, &TestSettings::msMode, &MsModeItems), 3, 1);
    // The second MS slot is set only from setting files.
    QComboBox* ms2 = AddCombo(1056, &TestSettings::ms2Mode, &MsModeItems);
    ms2->hide();

    grid->addWidget(AddCheck(1009, "SM", &TestSettings::sm), 0, 2);
    grid->addWidget(AddCheck(1010, "xD", &TestSettings::xd), 1, 2);
    grid->addWidget(AddCheck(1040, "SmartCard", &TestSettings::smartCard), 2, 2);
    grid->addWidget(AddCheck(1006, "Write Protect Test", &TestSettings::writeProtectTest), 3, 2);
    grid->addWidget(AddCheck(1005, "Show Info.", &TestSettings::showInfo), 4, 2);

    grid->addWidget(new QLabel("USB", group), 0, 3);
    grid->addWidget(AddCombo(1050, &TestSettings::usbSpeedSel, &UsbItems), 0, 4);
    grid->addWidget(new QLabel("LUNs", group), 1, 3);
    grid->addWidget(AddCombo(1039, &TestSettings::luns, &LunItems), 1, 4);
    grid->addWidget(new QLabel("Code", group), 2, 3);
    grid->addWidget(AddCombo(1043, &TestSettings::codeSel, &CodeItems), 2, 4);
    return group;
}

QWidget* MainWindow::BuildFormatGroup() {
    auto* group = new QGroupBox("Format Option", this);
    auto* grid = new QGridLayout(group);
    sd1LabelCheck_ = new QCheckBox("SD1", group);
    sd1LabelCheck_->setObjectName(Id(1063));
    sd2LabelCheck_ = new QCheckBox("SD2", group);
    sd2LabelCheck_->setObjectName(Id(1064));
    sd1LabelEdit_ = MakeEdit(1065, kMaxLabelText, group);
    sd2LabelEdit_ = MakeEdit(1066, kMaxLabelText, group);
    grid->addWidget(sd1LabelCheck_, 0, 0);
    grid->addWidget(sd1LabelEdit_, 0, 1);
    grid->addWidget(sd2LabelCheck_, 1, 0);
    grid->addWidget(sd2LabelEdit_, 1, 1);
    grid->setRowStretch(2, 1);
    return group;
}

QWidget* MainWindow::BuildResultTable() {
    auto* panel = new QGroupBox(this);
    panel->setObjectName("resultTable");
    auto* grid = new QGridLayout(panel);
    const char* rows[] = {"Info.", "R/W", "W/P"};
    for (int row = 0; row < 3; ++row) {
        auto* title = new QLabel(rows[row], panel);
        QFont f = title->font();
        f.setBold(true);
        title->setFont(f);
        grid->addWidget(title, row + 1, 0);
    }
    for (int column = 0; column < kColumns; ++column) {
        auto* title = new QLabel(kColumnTitles[column], panel);
        title->setAlignment(Qt::AlignCenter);
        QFont f = title->font();
        f.setBold(true);
        title->setFont(f);
        grid->addWidget(title, 0, column + 1);
        info_[column] = new ColourLabel(QStringLiteral("info%1").arg(column), panel);
        readWrite_[column] = new ColourLabel(QStringLiteral("rw%1").arg(column), panel);
        writeProtect_[column] = new ColourLabel(QStringLiteral("wp%1").arg(column), panel);
        verdict_[column] = new ColourLabel(QStringLiteral("verdict%1").arg(column), panel);
        info_[column]->SetLook(ToColour(colours::kRoyalBlue), true);
        readWrite_[column]->SetLook(palette().color(QPalette::WindowText), true);
        writeProtect_[column]->SetLook(palette().color(QPalette::WindowText), true,
                                       kWriteProtectHeight);
        verdict_[column]->SetLook(palette().color(QPalette::WindowText), true);
        grid->addWidget(info_[column], 1, column + 1);
        grid->addWidget(readWrite_[column], 2, column + 1);
        grid->addWidget(writeProtect_[column], 3, column + 1);
        grid->addWidget(verdict_[column], 4, column + 1);
        grid->setColumnStretch(column + 1, 1);
        grid->setColumnMinimumWidth(column + 1, 72);
    }
    for (int row = 1; row <= 4; ++row)
        grid->setRowMinimumHeight(row, 34);
    return panel;
}

QWidget* MainWindow::BuildButtons() {
    auto* panel = new QWidget(this);
    auto* layout = new QHBoxLayout(panel);
    setup_ = new QPushButton("Setup", panel);
    setup_->setObjectName(Id(1046));
    save_ = new QPushButton("Save", panel);
    save_->setObjectName(Id(1015));
    loadSetting_ = new QPushButton("Load Setting", panel);
    loadSetting_->setObjectName(Id(1035));
    exit_ = new QPushButton("Exit", panel);
    exit_->setObjectName(Id(1016));
    layout->addWidget(setup_);
    layout->addWidget(save_);
    layout->addWidget(loadSetting_);
    layout->addStretch();
    layout->addWidget(exit_);
    connect(setup_, &QPushButton::clicked, this, &MainWindow::OnSetup);
    connect(save_, &QPushButton::clicked, this, &MainWindow::OnSave);
    connect(loadSetting_, &QPushButton::clicked, this, &MainWindow::OnLoadSetting);
    connect(exit_, &QPushButton::clicked, this, &QWidget::close);
    return panel;
}

// --- settings ---

void MainWindow::ConnectChangeHandlers() {
    for (const CheckControl& c : checks_)
        connect(c.box, &QCheckBox::toggled, this, [this, c](bool on) {
            settings_.*c.field = on ? 1 : 0;
            SettingChanged();
        });
    for (const ComboControl& c : combos_)
        connect(c.box, &QComboBox::currentIndexChanged, this, [this, c](int index) {
            settings_.*c.field = static_cast<uint8_t>(std::max(index, 0));
            SettingChanged();
        });
    // Edit boxes report every change, also text the window puts in.
    connect(vidEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        settings_.vid = StoreVidPid(ToLatin1(text));
        SettingChanged();
    });
    connect(pidEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        settings_.pid = StoreVidPid(ToLatin1(text));
        SettingChanged();
    });
    connect(fwEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        ParseFirmwareEdit(ToLatin1(text), settings_.firmwareMajor, settings_.firmwareMinor);
        SettingChanged();
    });
    connect(sd1LabelCheck_, &QCheckBox::toggled, this, [this](bool on) {
        labels_.checkSd1Label = on;
        SettingChanged();
    });
    connect(sd2LabelCheck_, &QCheckBox::toggled, this, [this](bool on) {
        labels_.checkSd2Label = on;
        SettingChanged();
    });
    connect(sd1LabelEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        labels_.sd1Label = ToLatin1(text);
        SettingChanged();
    });
    connect(sd2LabelEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        labels_.sd2Label = ToLatin1(text);
        SettingChanged();
    });
}

void MainWindow::SettingChanged() {
    settingsModified_ = true;
    // A run keeps the settings it started with; the next one takes these.
    PushSettings();
}

void MainWindow::PushSettings() {
    // The format labels travel with the test settings: a run formats with
    // the labels shown when it started.
    engine_->SetSettings(settings_);
    engine_->SetLabelSettings(labels_);
}

void MainWindow::SetSettingsEnabled(bool on) {
    for (const CheckControl& c : checks_)
        c.box->setEnabled(on);
    for (const ComboControl& c : combos_)
        c.box->setEnabled(on);
    for (QWidget* w : std::initializer_list<QWidget*>{vidEdit_, pidEdit_, fwEdit_, sd1LabelCheck_,
                                                      sd2LabelCheck_, sd1LabelEdit_, sd2LabelEdit_})
        w->setEnabled(on);
}

void MainWindow::LoadStartupSettings() {
    std::optional<std::filesystem::path> file = options_.settingsFile;
    if (!file) {
        if (const auto last = ReadLastSettingFile(options_.programDir))
            file = last->path;
    }
    if (!file)
        return;
    LoadSettingFile(*file, settings_, labels_);
    SetTitle(file);
}

void MainWindow::LoadSettings(const std::filesystem::path& path) {
    LoadSettingFile(path, settings_, labels_);
    PushSettings();
}

void MainWindow::ShowSettings() {
    const TestSettings shown = settings_;
    const LabelSettings labels = labels_;
    auto hexBox = [](QLineEdit* edit, const std::array<char, 4>& stored) {
        edit->setText(VidPidText(stored).empty() ? QString() : Latin1(VidPidDisplayText(stored)));
    };
    hexBox(vidEdit_, shown.vid);
    hexBox(pidEdit_, shown.pid);
    fwEdit_->setText(Latin1(FirmwareText(shown.firmwareMajor, shown.firmwareMinor)));
    for (const CheckControl& c : checks_)
        c.box->setChecked(shown.*c.field != 0);
    for (const ComboControl& c : combos_)
        c.box->setCurrentIndex(static_cast<int>(ComboDisplayIndex(shown.*c.field, c.items())));
    sd1LabelCheck_->setChecked(labels.checkSd1Label);
    sd2LabelCheck_->setChecked(labels.checkSd2Label);
    sd1LabelEdit_->setText(Latin1(labels.sd1Label));
    sd2LabelEdit_->setText(Latin1(labels.sd2Label));
}

void MainWindow::OnSetup() {
    PasswordDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SetSettingsEnabled(true);
    save_->setEnabled(true);
    loadSetting_->setEnabled(true);
}

void MainWindow::OnSave() {
    QFileDialog dialog(this, "Save", QString::fromStdString(options_.programDir.string()),
                       "INI Files(*.ini)");
    dialog.setObjectName("saveSettingDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("ini");
    // The window asks its own question about an existing file.
    dialog.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const std::filesystem::path path = dialog.selectedFiles().first().toStdString();
    if (std::filesystem::exists(path) &&
        ShowMessage(this, {windowTitle(), "File exist!\r\nOver Write it ?",
                           MessageButtons::YesNo}) != MessageAnswer::Yes)
        return;
    SetSettingsEnabled(false);
    // Always written: a new file name must get a file even when nothing changed.
    if (!SaveSettingFile(path, settings_, labels_)) {
        settingsModified_ = true;
        ShowMessage(this, {windowTitle(),
                           QStringLiteral("Cannot write the setting file\r\n%1")
                               .arg(QString::fromStdString(path.string())),
                           MessageButtons::Ok});
        return;
    }
    settingsModified_ = false;
    UseSettingFile(path, "The setting file was saved, but it cannot be remembered for the "
                         "next start (DefaultFiles.ini cannot be written).");
}

// The title names the file, and DefaultFiles.ini names it for the next start.
void MainWindow::UseSettingFile(const std::filesystem::path& path, const char* cannotRemember) {
    SetTitle(path);
    if (!WriteLastSettingFile(options_.programDir, path.filename().string()))
        ShowMessage(this, {windowTitle(), cannotRemember, MessageButtons::Ok});
}

void MainWindow::OnLoadSetting() {
    QFileDialog dialog(this, "Load Setting", QString::fromStdString(options_.programDir.string()),
                       "INI Files(*.INI *.ini)");
    dialog.setObjectName("loadSettingDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("INI");
    dialog.setOptions(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const std::filesystem::path path = dialog.selectedFiles().first().toStdString();
    SetSettingsEnabled(false);
    LoadSettings(path);
    ShowSettings();
    UseSettingFile(path, "The setting file cannot be remembered for the next start "
                         "(DefaultFiles.ini cannot be written).");
}

// --- engine state ---

void MainWindow::ShowRunState(bool running) {
    if (running == shownRunning_)
        return;
    shownRunning_ = running;
    if (running) {
        for (QPushButton* b : {exit_, setup_, save_, loadSetting_})
            b->setEnabled(false);
    } else {
        exit_->setEnabled(true);
        setup_->setEnabled(true);
    }
}

void MainWindow::Refresh() {
    ShowRunState(engine_->Running() && !stopped_);

    const SlotLabelsView view = engine_->SlotLabels();
    for (int column = 0; column < kColumns; ++column) {
        const size_t slot = static_cast<size_t>(kColumnSlot[static_cast<size_t>(column)]);
        auto show = [](ColourLabel* label, const SlotLabel& state) {
            label->setText(Latin1(state.text));
            label->SetTextColour(ToColour(state.colour));
        };
        show(info_[column], view.info[slot]);
        show(readWrite_[column], view.readWrite[slot]);
        show(writeProtect_[column], view.writeProtect[slot]);
        show(verdict_[column], view.verdict[slot]);
    }

    const ReaderCheckView status = engine_->StatusLabels();
    auto showStatus = [](ColourLabel* label, const StatusLabel& state) {
        label->setText(Latin1(state.text));
        label->SetTextColour(ToColour(state.colour));
    };
    showStatus(dev_, status.dev);
    showStatus(pidvid_, status.pidvid);
    showStatus(err_, status.err);
    readVid_->setText(Latin1(status.readVid));
    readPid_->setText(Latin1(status.readPid));
    readFw_->setText(Latin1(status.readFirmware));

    const LogPane& pane = engine_->Log();
    if (pane.Revision() != logRevision_) {
        logRevision_ = pane.Revision();
        QStringList lines;
        for (const std::string& line : pane.Lines())
            lines << Latin1(line);
        log_->setPlainText(lines.join('\n'));
        log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
    }
}

} // namespace orrick::ui
