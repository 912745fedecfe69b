// The main window's frame as data: control ids, what each view shows, where
// each control goes on a resize and which controls the busy state takes away.
// The window applies these; tests check them without a display.
#pragma once

#include <span>
#include <vector>

namespace brisken {

namespace ctl {
inline constexpr int kDefault = 1; // placed outside the visible area
inline constexpr int kClose = 2;
inline constexpr int kPhoneList = 1000;
inline constexpr int kLoad = 1001;
inline constexpr int kProgress = 1002;
inline constexpr int kNameLabel = 1003;
inline constexpr int kNameField = 1004;
inline constexpr int kNumberLabel = 1005;
inline constexpr int kNumberField = 1006;
inline constexpr int kSave = 1007;
inline constexpr int kNew = 1008;
inline constexpr int kDelete = 1009;
inline constexpr int kRadioPhone = 1010;
inline constexpr int kRadioSms = 1011;
inline constexpr int kSmsList = 1012;
inline constexpr int kSmsStatusLabel = 1013;
inline constexpr int kSmsSelector = 1014;
inline constexpr int kSmsNumberLabel = 1015;
inline constexpr int kSmsNumberField = 1016;
inline constexpr int kSmsTimeLabel = 1017;
inline constexpr int kSmsTimeField = 1018;
inline constexpr int kSmsMessageLabel = 1019;
inline constexpr int kSmsMessageField = 1020;
inline constexpr int kSmsStatusField = 1021;
inline constexpr int kPhoneCaption = 1022;
inline constexpr int kSmsCaption = 1023;
inline constexpr int kPhoneCounters = 1024;
inline constexpr int kSmsCounters = 1025;
inline constexpr int kRadioLastDial = 1026;
inline constexpr int kLastDialCaption = 1027;
inline constexpr int kLastDialCounters = 1028;
inline constexpr int kLastDialList = 1029;
inline constexpr int kPin = 1031;
inline constexpr int kUnblock = 1032;
inline constexpr int kImportExport = 1037;
inline constexpr int kLanguage = 1039;
inline constexpr int kCardType = 1040;
inline constexpr int kCardInfo = 1041;
inline constexpr int kIdentity = 1042;
} // namespace ctl

// The system-menu command of the About item.
inline constexpr int kCmdAbout = 16;

enum class View { PhoneBook, Sms };

struct ViewState {
    View view = View::PhoneBook;
    bool lastDialled = false;
};

struct ViewVisibility {
    std::vector<int> shown;
    std::vector<int> hidden;
    bool phoneFieldsReadOnly = false; // name and number fields
    bool importEnabled = true;        // menu item "Import"
    int checkedRadio = ctl::kRadioPhone;
};

// What the view switch does for a radio (1010, 1011 or 1026).
ViewState ViewForRadio(int radioId);
ViewVisibility VisibilityFor(ViewState state);

struct Placement {
    int id;
    int x;
    int y;
    int width = -1; // -1 keeps the control's size
    int height = -1;
};

// Minimum client size for which a resize moves anything.
inline constexpr int kLayoutMinWidth = 600;
inline constexpr int kLayoutMinHeight = 300;

// Placements for a client area of w x h; empty below the minimum.
std::vector<Placement> LayoutFor(int width, int height);

// The buttons that the busy state hides.
std::span<const int> BusyHiddenButtons();
// The three view radios, disabled while busy.
std::span<const int> ViewRadios();
// Buttons shown again by the idle state: all of the busy ones except Delete
// in last-dialled mode.
std::vector<int> IdleShownButtons(bool lastDialled);

struct ChangedFlags {
    bool phoneBook = false;
    bool lastDialled = false;
    bool sms = false;
};
// Closing asks first when any book holds unsaved changes.
bool CloseNeedsConfirmation(const ChangedFlags& flags);

} // namespace brisken
