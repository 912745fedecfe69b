#include "ui/main_dialog.h"

#include "core/card_information.h"
#include "core/card_load.h"
#include "core/card_save.h"

#include "controls/color_label.h"
#include "controls/color_list_ctrl.h"
#include "controls/dial_number_edit.h"
#include "controls/menu_command.h"
#include "controls/picture_button.h"
#include "core/catalogue.h"
#include "core/language.h"
#include "core/messages.h"
#include "core/nimbrel_binding.h"
#include "core/settings.h"
#include "core/trace.h"
#include "resources/bitmaps.h"
#include "ui/dont_remove_window.h"
#include "ui/pin_dialogs.h"
#include "ui/select_language_dialog.h"
#include "ui/toolkit_language.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <array>

namespace brisken {
namespace {

using namespace ctl;

struct ButtonSetup {
    int id;
    int firstImage;
    int secondImage;
    int tooltip;
};

constexpr std::array<ButtonSetup, 10> kButtons = {{
    {kLoad, 130, 131, kMsgTipLoad},
    {kSave, 132, 133, kMsgTipSave},
    {kImportExport, 148, 149, kMsgTipImportExport},
    {kCardInfo, 155, 154, kMsgTipCardInfo},
    {kPin, 142, 143, kMsgTipPin},
    {kUnblock, 144, 145, kMsgTipUnblock},
    {kNew, 134, 135, kMsgTipNew},
    {kDelete, 136, 137, kMsgTipDelete},
    {kClose, 138, 139, kMsgTipClose},
    {kLanguage, 152, 153, kMsgSelectLanguage},
}};

struct LabelText {
    int id;
    int text;
};

constexpr std::array<LabelText, 11> kLabelTexts = {{
    {kRadioPhone, kMsgViewPhoneBook},
    {kRadioSms, kMsgViewSms},
    {kRadioLastDial, kMsgViewLastDialed},
    {kPhoneCaption, kMsgPhoneBookStatus},
    {kSmsCaption, kMsgSmsBookStatus},
    {kNameLabel, kMsgLabelName},
    {kNumberLabel, kMsgLabelPhoneNo},
    {kSmsStatusLabel, kMsgLabelSmsStatus},
    {kSmsNumberLabel, kMsgLabelPhoneNo},
    {kSmsTimeLabel, kMsgLabelSmsTime},
    {kSmsMessageLabel, kMsgLabelSmsMessage},
}};

// Limits of the entry fields (the widths of the store's fields).
constexpr int kNameLimit = 241;
constexpr int kNumberLimit = 19;
constexpr int kSmsNumberLimit = 29;
constexpr int kMessageLimit = 161;
// Header texts taken before the language is known are cut to this length.
constexpr int kHeaderCapacity = 16;

const QColor kTopBand(236, 233, 216);
const QColor kBottomBand(142, 189, 250);
const QColor kLeftHalf(192, 255, 255);
const QColor kRightHalf(192, 192, 255);

// A label whose text has a word wider than the label (a single long word
// cannot wrap) gets a smaller font, down to a readable minimum.
void FitLabel(QLabel* label) {
    QFont font = label->parentWidget()->font();
    constexpr qreal kMinimumPoints = 7.0;
    const auto widest = [&](const QFont& f) {
        const QFontMetrics metrics(f);
        int width = 0;
        for (const QString& word : label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            width = std::max(width, metrics.horizontalAdvance(word));
        }
        return width;
    };
    while (widest(font) > label->width() && font.pointSizeF() - 0.5 >= kMinimumPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    label->setFont(font);
}

QString PhoneColumns(int capacity) {
    return QStringLiteral("%1,50;%2,100;%3,183")
        .arg(Text(kMsgColumnNo, capacity), Text(kMsgColumnName, capacity),
             Text(kMsgColumnPhoneNo, capacity));
}

} // namespace

MainDialog::MainDialog(QWidget* parent)
    : QDialog(parent), books_(std::make_unique<Books>()), settingsPath_(SettingsFilePath()),
      cardLibrary_(std::make_unique<NimbrelCardLibrary>()) {
    setObjectName(QStringLiteral("dialog175"));
    CreateControls();
    pinPrompt_ = std::make_unique<PinDialogs>(this);
    dontRemove_ = std::make_unique<DontRemoveWindow>(this);
}

MainDialog::~MainDialog() = default;

template <typename Widget> Widget* MainDialog::Add(int id, Widget* widget) {
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    controls_[id] = widget;
    return widget;
}

CPictureButton* MainDialog::AddPictureButton(int id) {
    auto* button = Add(id, new CPictureButton(this));
    button->setAutoDefault(false);
    return button;
}

QWidget* MainDialog::Control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void MainDialog::CreateControls() {
    for (const ButtonSetup& setup : kButtons) {
        AddPictureButton(setup.id);
    }
    // Enter lands on this invisible default button and so does nothing.
    auto* defaultButton = Add(kDefault, new QPushButton(this));
    defaultButton->setDefault(true);
    defaultButton->setFixedSize(1, 1);

    auto* radioPhone = Add(kRadioPhone, new QRadioButton(this));
    auto* radioSms = Add(kRadioSms, new QRadioButton(this));
    auto* radioLastDial = Add(kRadioLastDial, new QRadioButton(this));
    for (QRadioButton* radio : {radioPhone, radioSms, radioLastDial}) {
        radio->setAutoExclusive(false); // the view switch checks exactly one itself
        radio->resize(160, 20);
    }
    radioLastDial->setVisible(false);

    for (int id : {kPhoneCaption, kSmsCaption, kLastDialCaption}) {
        Add(id, new CColorLabel(this))->resize(385, 20);
    }
    for (int id : {kPhoneCounters, kSmsCounters, kLastDialCounters}) {
        auto* counters = Add(id, new QLineEdit(this));
        counters->setReadOnly(true);
        counters->setAlignment(Qt::AlignCenter);
        counters->resize(100, 20);
    }
    // The card lines share the bottom band with the buttons: a size smaller
    // keeps a full twenty-digit ICCID within it at the window's first size.
    for (int id : {kCardType, kIdentity}) {
        auto* line = Add(id, new CColorLabel(this));
        QFont small = line->font();
        small.setPointSizeF(small.pointSizeF() > 0 ? small.pointSizeF() - 1 : 8);
        line->SetLabelFont(small);
        line->resize(180, 17);
    }

    phoneList_ = Add(kPhoneList, new CColorListCtrl(this));
    lastDialList_ = Add(kLastDialList, new CColorListCtrl(this));
    smsList_ = Add(kSmsList, new CColorListCtrl(this));
    lastDialList_->setVisible(false);

    // Long translations ("Номер телефона:") take a second line rather than
    // being cut at the field beside them.
    for (int id : {kNameLabel, kNumberLabel, kSmsStatusLabel, kSmsNumberLabel, kSmsTimeLabel}) {
        auto* label = Add(id, new CColorLabel(this));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->resize(96, 36); // a few pixels clear of the field at +100
    }
    Add(kSmsMessageLabel, new CColorLabel(this))->resize(200, 20);

    auto* name = Add(kNameField, new QLineEdit(this));
    name->setMaxLength(kNameLimit);
    auto* number = Add(kNumberField, new CDialNumberEdit(this));
    number->setMaxLength(kNumberLimit);
    auto* smsStatus = Add(kSmsStatusField, new QLineEdit(this));
    smsStatus->setReadOnly(true);
    auto* smsNumber = Add(kSmsNumberField, new CDialNumberEdit(this));
    smsNumber->setMaxLength(kSmsNumberLimit);
    auto* smsTime = Add(kSmsTimeField, new QLineEdit(this));
    smsTime->setReadOnly(true);
    for (QLineEdit* field : {name, static_cast<QLineEdit*>(number), smsStatus,
                             static_cast<QLineEdit*>(smsNumber), smsTime}) {
        field->resize(200, 22);
    }
    auto* message = Add(kSmsMessageField, new QPlainTextEdit(this));
    message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The store holds at most this many characters of a message.
    connect(message, &QPlainTextEdit::textChanged, message, [message] {
        const QString text = message->toPlainText();
        if (text.size() > kMessageLimit) {
            message->setPlainText(text.left(kMessageLimit));
            message->moveCursor(QTextCursor::End);
        }
    });
    smsSelector_ = Add(kSmsSelector, new QComboBox(this));
    smsSelector_->setVisible(false);

    progress_ = Add(kProgress, new QProgressBar(this));
    progress_->setTextVisible(false);
    progress_->setVisible(false);

    connect(radioPhone, &QRadioButton::clicked, this, [this] { SwitchView(kRadioPhone); });
    connect(radioSms, &QRadioButton::clicked, this, [this] { SwitchView(kRadioSms); });
    connect(radioLastDial, &QRadioButton::clicked, this, [this] { SwitchView(kRadioLastDial); });
    for (int id : {kLoad, kSave, kCardInfo}) {
        connect(static_cast<CPictureButton*>(Control(id)), &QPushButton::clicked, this,
                [this, id] { OnCardAction(id); });
    }
    connect(static_cast<CPictureButton*>(Control(kClose)), &QPushButton::clicked, this,
            &MainDialog::reject);
    connect(static_cast<CPictureButton*>(Control(kLanguage)), &QPushButton::clicked, this,
            &MainDialog::OnSelectLanguage);
    ConnectEditing();
}

bool MainDialog::OnInitDialog() {
    aboutText_ = Text(kMsgAboutMenuItem);
    if (!aboutText_.isEmpty()) {
        // The window manager owns the system menu here; the About item lives
        // in the window's own context menu instead.
        auto* about = new QAction(aboutText_, this);
        about->setObjectName(QStringLiteral("cmd%1").arg(kCmdAbout));
        connect(about, &QAction::triggered, this, &MainDialog::OnAbout);
        addAction(about);
        setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    setWindowIcon(ApplicationIcon());
    Trace("OnInitDialog", 0);
    if (LoadBitmap(129).isNull()) {
        return false;
    }
    Trace("OnInitDialog", 1);

    for (const ButtonSetup& setup : kButtons) {
        auto* button = static_cast<CPictureButton*>(Control(setup.id));
        button->SetImages(setup.firstImage, kTransparentColor, setup.secondImage,
                          kTransparentColor);
        button->SetImagePlacement(CPictureButton::ImageAlone);
        button->SetBalloonTooltip(true);
        button->SizeToContent();
    }
    static_cast<QRadioButton*>(Control(kRadioPhone))->setChecked(true);
    Trace("OnInitDialog", 2);

    const QString phoneColumns = PhoneColumns(kHeaderCapacity);
    phoneList_->SetColumns(phoneColumns);
    lastDialList_->SetColumns(phoneColumns);
    smsList_->SetColumns(
        QStringLiteral("%1, 45; %2, 110; %3, 110; %4, 50;%5,160, 4")
            .arg(Text(kMsgColumnNo, kHeaderCapacity), Text(kMsgColumnSmsStatus, kHeaderCapacity),
                 Text(kMsgColumnPhoneNo, kHeaderCapacity), Text(kMsgColumnTime, kHeaderCapacity),
                 Text(kMsgColumnMessage, kHeaderCapacity)));

    smsList_->setVisible(false);
    SwitchView(kRadioPhone);
    progress_->setRange(0, 100);

    books_->Reset();
    resize(720, 560);
    Trace("OnInitDialog", 3);

    LoadINISetting(settingsPath_);
    InitializeUI();
    Trace("OnInitDialog", 4);
    return true;
}

void MainDialog::InitializeUI() {
    Trace("InitializeUI", 0);
    ApplyToolkitLanguage(ResourceLanguage(InterfaceLanguage(), UserDefaultLanguageId()));
    for (const ButtonSetup& setup : kButtons) {
        static_cast<CPictureButton*>(Control(setup.id))->SetTooltipText(Text(setup.tooltip));
    }
    for (const LabelText& label : kLabelTexts) {
        QWidget* control = Control(label.id);
        if (auto* radio = qobject_cast<QRadioButton*>(control)) {
            radio->setText(Text(label.text));
        } else if (auto* text = qobject_cast<QLabel*>(control)) {
            text->setText(Text(label.text));
            if (text->wordWrap()) {
                FitLabel(text);
            }
        }
    }
    Trace("InitializeUI", 1);

    static_cast<CPictureButton*>(Control(kPin))->SetMenu(kMenuPin, this);
    static_cast<CPictureButton*>(Control(kImportExport))->SetMenu(kMenuImportExport, this);
    ApplyVisibility(); // the reloaded menu takes the view's "Import" state
    Trace("InitializeUI", 2);

    smsSelector_->clear();
    for (int id = kMsgSmsUnused; id <= kMsgSmsToBeSent; ++id) {
        smsSelector_->addItem(Text(id));
    }
    Trace("InitializeUI", 3);

    setWindowTitle(Text(kMsgTitle));
    Trace("InitializeUI", 4);

    phoneList_->SetColumnTitle(0, Text(kMsgColumnNo));
    phoneList_->SetColumnTitle(1, Text(kMsgColumnName));
    phoneList_->SetColumnTitle(2, Text(kMsgColumnPhoneNo));
    const int smsTitles[] = {kMsgColumnNo, kMsgColumnSmsStatus, kMsgColumnPhoneNo, kMsgColumnTime,
                             kMsgColumnMessage};
    for (int column = 0; column < 5; ++column) {
        smsList_->SetColumnTitle(column, Text(smsTitles[column]));
    }
    Trace("InitializeUI", 5);

    for (int id : {kLastDialCaption, kLastDialCounters, kRadioLastDial, kLastDialList}) {
        Control(id)->setVisible(false);
    }
    update();
    Trace("InitializeUI", 6);
}

void MainDialog::SwitchView(int radioId) {
    if (busy_) {
        return;
    }
    view_ = ViewForRadio(radioId);
    ApplyVisibility();
}

void MainDialog::ApplyVisibility() {
    const ViewVisibility v = VisibilityFor(view_);
    for (int id : v.hidden) {
        Control(id)->setVisible(false);
    }
    for (int id : v.shown) {
        Control(id)->setVisible(true);
    }
    for (int radio : ViewRadios()) {
        static_cast<QRadioButton*>(Control(radio))->setChecked(radio == v.checkedRadio);
    }
    static_cast<QLineEdit*>(Control(kNameField))->setReadOnly(busy_ || v.phoneFieldsReadOnly);
    static_cast<QLineEdit*>(Control(kNumberField))->setReadOnly(busy_ || v.phoneFieldsReadOnly);
    static_cast<CPictureButton*>(Control(kImportExport))
        ->SetMenuItemEnabled(kCmdImport, v.importEnabled);
}

void MainDialog::ApplyLayout(int width, int height) {
    const std::vector<Placement> placements = LayoutFor(width, height);
    if (placements.empty()) {
        return; // too small: every control stays where it was
    }
    for (const Placement& place : placements) {
        QWidget* control = Control(place.id);
        if (control == nullptr) {
            continue;
        }
        control->move(place.x, place.y);
        if (place.width >= 0 && place.height >= 0) {
            control->resize(place.width, place.height);
        }
    }
    layoutWidth_ = width;
    layoutHeight_ = height;
    update();
}

void MainDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ApplyLayout(width(), height());
}

void MainDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = layoutWidth_;
    const int h = layoutHeight_;
    p.fillRect(0, 0, w, 60, kTopBand);
    p.fillRect(0, 60, w / 2, h - 50 - 60, kLeftHalf);
    p.fillRect(w / 2, 60, w - w / 2, h - 50 - 60, kRightHalf);
    p.fillRect(0, h - 50, w, 50, kBottomBand);
    // Beyond the remembered size (a window shrunk below the layout minimum
    // keeps its last layout) the window's own colour shows.
}

void MainDialog::EnterBusyState() {
    busy_ = true;
    for (int id : BusyHiddenButtons()) {
        Control(id)->setVisible(false);
    }
    for (int id : ViewRadios()) {
        Control(id)->setEnabled(false);
    }
    // The worker owns the store while it runs: no typing into it meanwhile.
    for (int id : {kNameField, kNumberField, kSmsNumberField}) {
        static_cast<QLineEdit*>(Control(id))->setReadOnly(true);
    }
    static_cast<QPlainTextEdit*>(Control(kSmsMessageField))->setReadOnly(true);
}

void MainDialog::EnterIdleState() {
    busy_ = false;
    for (int id : IdleShownButtons(view_.lastDialled)) {
        Control(id)->setVisible(true);
    }
    for (int id : ViewRadios()) {
        Control(id)->setEnabled(true);
    }
    static_cast<QLineEdit*>(Control(kSmsNumberField))->setReadOnly(false);
    static_cast<QPlainTextEdit*>(Control(kSmsMessageField))->setReadOnly(false);
    ApplyVisibility();
}

bool MainDialog::ConfirmClose() {
    if (busy_) {
        ShowCatalogueMessage(kMsgBusyWait);
        return false;
    }
    const ChangedFlags flags{books_->phone.values.changed, books_->lastDialled.values.changed,
                             books_->sms.values.changed};
    if (!CloseNeedsConfirmation(flags)) {
        return true;
    }
    return ShowCatalogueMessage(kMsgConfirmExit, MessageButtons::YesNo) == MessageAnswer::Yes;
}

void MainDialog::reject() {
    if (ConfirmClose()) {
        closeConfirmed_ = true;
        QDialog::reject();
    }
}

void MainDialog::accept() {
    // Enter and the default button do nothing; only Close ends the window.
}

void MainDialog::closeEvent(QCloseEvent* event) {
    if (closeConfirmed_) {
        event->accept();
        return;
    }
    event->ignore();
    reject();
}

bool MainDialog::event(QEvent* event) {
    if (event->type() == MenuCommandEvent::kType) {
        OnCommand(static_cast<MenuCommandEvent*>(event)->Command());
        return true;
    }
    return QDialog::event(event);
}

void MainDialog::OnCommand(int command) {
    switch (command) {
    case kCmdAbout:
        OnAbout();
        break;
    case kCmdEnablePin:
        OnPinAction(PinAction::Enable);
        break;
    case kCmdDisablePin:
        OnPinAction(PinAction::Disable);
        break;
    case kCmdChangePin:
        OnPinAction(PinAction::Change);
        break;
    case kCmdImport:
        OnImport();
        break;
    case kCmdExport:
        OnExport();
        break;
    default:
        break;
    }
}

void MainDialog::OnCardAction(int action) {
    if (busy_) {
        return;
    }
    if (action == kLoad) {
        OnButtonReadsim();
        return;
    }
    if (action == kSave) {
        OnButtonSave();
        return;
    }
    if (action == kCardInfo) {
        OnButtonSiminfo();
        return;
    }
    // Card actions bind the library first, so that a missing library or
    // function is reported before anything touches the card.
    const bool touchesCard = action == kLoad || action == kSave || action == kCardInfo ||
                             action == kUnblock || action == kCmdEnablePin ||
                             action == kCmdDisablePin || action == kCmdChangePin;
    if (touchesCard && !NimbrelBinding::Instance().Require(
                           {NimbrelFunction::Connect, NimbrelFunction::ConnectAssignReader,
                            NimbrelFunction::DisConnect, NimbrelFunction::GetUSIMCardInfo,
                            NimbrelFunction::GetSIMCardInfo, NimbrelFunction::IsCDMA_RUIM})) {
        return;
    }
    ShowCatalogueMessage(kMsgNotAvailable);
}

void MainDialog::OnAbout() {
    ShowMessage({QStringLiteral("About Brisken"), QStringLiteral("Brisken Version 1.0"),
                 MessageButtons::Ok, MessageKind::About});
}

void MainDialog::OnSelectLanguage() {
    SelectLanguageDialog dialog(this);
    dialog.exec();
    if (ApplyLanguageChoice(dialog.Choice(), settingsPath_)) {
        InitializeUI();
    }
}

void MainDialog::ComeToFront() {
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

} // namespace brisken
