#include "core/main_frame.h"

#include <array>

namespace brisken {
namespace {

using namespace ctl;

constexpr std::array kSmsDetail = {kSmsStatusLabel,  kSmsStatusField, kSmsNumberLabel,
                                   kSmsNumberField,  kSmsTimeLabel,   kSmsTimeField,
                                   kSmsMessageLabel, kSmsMessageField};
constexpr std::array kPhoneDetail = {kNameLabel, kNameField, kNumberLabel, kNumberField};

constexpr std::array kBusyHidden = {kLoad, kSave,     kClose,   kNew,          kDelete,
                                    kPin,  kCardInfo, kUnblock, kImportExport, kLanguage};
constexpr std::array kRadios = {kRadioPhone, kRadioSms, kRadioLastDial};

void Append(std::vector<int>& to, std::span<const int> ids) {
    to.insert(to.end(), ids.begin(), ids.end());
}

} // namespace

ViewState ViewForRadio(int radioId) {
    switch (radioId) {
    case kRadioSms:
        return {View::Sms, false};
    case kRadioLastDial:
        return {View::PhoneBook, true};
    default:
        return {View::PhoneBook, false};
    }
}

ViewVisibility VisibilityFor(ViewState state) {
    ViewVisibility v;
    // The SMS status selector exists for its texts only and is never shown.
    v.hidden.push_back(kSmsSelector);
    if (state.view == View::Sms) {
        v.checkedRadio = kRadioSms;
        v.shown = {kSmsList, kNew, kDelete};
        Append(v.shown, kSmsDetail);
        v.hidden.insert(v.hidden.end(), {kPhoneList, kLastDialList});
        Append(v.hidden, kPhoneDetail);
        return v;
    }
    v.shown.push_back(state.lastDialled ? kLastDialList : kPhoneList);
    Append(v.shown, kPhoneDetail);
    v.shown.push_back(kNew);
    v.hidden.insert(v.hidden.end(), {state.lastDialled ? kPhoneList : kLastDialList, kSmsList});
    Append(v.hidden, kSmsDetail);
    if (state.lastDialled) {
        v.checkedRadio = kRadioLastDial;
        v.hidden.push_back(kDelete);
        v.phoneFieldsReadOnly = true;
        v.importEnabled = false;
    } else {
        v.shown.push_back(kDelete);
    }
    return v;
}

std::vector<Placement> LayoutFor(int w, int h) {
    if (w < kLayoutMinWidth || h < kLayoutMinHeight) {
        return {};
    }
    const int half = w / 2;
    const int buttons = h - 42;
    return {
        {kLoad, 20, buttons},
        {kSave, 60, buttons},
        {kImportExport, 100, buttons},
        {kCardInfo, 160, buttons},
        {kPin, 200, buttons},
        {kUnblock, 240, buttons},
        {kNew, 350, buttons},
        {kDelete, 390, buttons},
        {kLanguage, w - 90, buttons},
        {kClose, w - 50, buttons},
        // The radios stand one above the other, each on the row of its book's
        // status: side by side at (15, 34) and (120, 34) most translations
        // of "Phone Book" would be cut short.
        {kRadioPhone, 15, 8},
        {kRadioSms, 15, 32},
        // The card lines sit in the bottom band between Delete and Select
        // Language: at (210, 30) and (210, 43) they would run into the SMS
        // status caption at (180, 32).
        {kCardType, 440, h - 47, w - 540, 17},
        {kIdentity, 440, h - 28, w - 540, 17},
        {kPhoneList, 20, 65, half - 40, h - 125},
        {kSmsList, 20, 65, half - 40, h - 125},
        {kNameLabel, half + 10, 70},
        {kNameField, half + 110, 68},
        {kNumberLabel, half + 10, 110},
        {kNumberField, half + 110, 108},
        {kSmsStatusLabel, half + 10, 70},
        {kSmsStatusField, half + 110, 68},
        {kSmsNumberLabel, half + 10, 110},
        {kSmsNumberField, half + 110, 108},
        {kSmsTimeLabel, half + 10, 150},
        {kSmsTimeField, half + 110, 148},
        {kSmsMessageLabel, half + 10, 190},
        {kSmsMessageField, half + 10, 210, half - 40, h - 275},
        {kPhoneCaption, 180, 8},
        {kPhoneCounters, 570, 5, w - 620, 20},
        {kSmsCaption, 180, 32},
        {kSmsCounters, 570, 30, w - 620, 20},
        {kProgress, 20, h - 30, w - 40, 13},
        {kDefault, w + 1, h + 1},
    };
}

std::span<const int> BusyHiddenButtons() {
    return kBusyHidden;
}
std::span<const int> ViewRadios() {
    return kRadios;
}

std::vector<int> IdleShownButtons(bool lastDialled) {
    std::vector<int> shown;
    for (int id : kBusyHidden) {
        if (!(lastDialled && id == kDelete)) {
            shown.push_back(id);
        }
    }
    return shown;
}

bool CloseNeedsConfirmation(const ChangedFlags& flags) {
    return flags.phoneBook || flags.lastDialled || flags.sms;
}

} // namespace brisken
