// The editor's message catalogue and pop-up menus in every language it carries.
//
// The texts are data compiled into the program (UTF-8). Lookup by the
// interface language, with its fallback to English, lives in the language
// module; this header only describes the tables.
#pragma once

#include <cstdint>
#include <span>

namespace brisken {

inline constexpr int kFirstMessageId = 101;
// Ids up to 179 are the original catalogue; ids from 180 on are messages added
// since, carried in every language like the rest.
inline constexpr int kLastOriginalMessageId = 179;

// Message ids. The table of every language is indexed by these.
inline constexpr int kMsgAboutMenuItem = 101;
inline constexpr int kMsgColumnNo = 102;
inline constexpr int kMsgColumnName = 103;
inline constexpr int kMsgColumnPhoneNo = 104;
inline constexpr int kMsgColumnSmsStatus = 105;
inline constexpr int kMsgColumnTime = 106;
inline constexpr int kMsgColumnMessage = 107;
inline constexpr int kMsgTipLoad = 108;
inline constexpr int kMsgTipSave = 109;
inline constexpr int kMsgTipNew = 110;
inline constexpr int kMsgTipDelete = 111;
inline constexpr int kMsgTipClose = 112;
inline constexpr int kMsgSmsUnused = 113;   // SMS status 0
inline constexpr int kMsgSmsRead = 114;     // SMS status 1
inline constexpr int kMsgSmsToBeRead = 115; // SMS status 3
inline constexpr int kMsgSmsSent = 116;     // SMS status 5 ("Send")
inline constexpr int kMsgSmsToBeSent = 117; // SMS status 7
inline constexpr int kMsgConnectFailed = 118;
inline constexpr int kMsgReadDataFailed = 119;
inline constexpr int kMsgReadPhoneBookFailed = 120;
inline constexpr int kMsgReadSmsBookFailed = 121;
inline constexpr int kMsgPhoneBookFull = 122;
inline constexpr int kMsgSmsBookFull = 123;
inline constexpr int kMsgVerifyPinFailed = 124;
inline constexpr int kMsgConfirmExit = 125;
inline constexpr int kMsgTitle = 126;
inline constexpr int kMsgViewPhoneBook = 127;
inline constexpr int kMsgViewSms = 128;
inline constexpr int kMsgPhoneBookStatus = 129;
inline constexpr int kMsgSmsBookStatus = 130;
inline constexpr int kMsgLabelSmsStatus = 131;
inline constexpr int kMsgLabelName = 132;
inline constexpr int kMsgLabelPhoneNo = 133;
inline constexpr int kMsgLabelSmsTime = 134;
inline constexpr int kMsgLabelSmsMessage = 135;
inline constexpr int kMsgInputPinCaption = 136;
inline constexpr int kMsgInputPinLabel = 137;
inline constexpr int kMsgPinRetriesLabel = 138;
inline constexpr int kMsgOk = 139;
inline constexpr int kMsgCancel = 140;
inline constexpr int kMsgDontRemoveCard = 141;
inline constexpr int kMsgLoadPhoneBookFirst = 142;
inline constexpr int kMsgLoadSmsBookFirst = 143;
inline constexpr int kMsgTipPin = 144;
inline constexpr int kMsgTipUnblock = 145;
inline constexpr int kMsgCardBlocked = 146;
inline constexpr int kMsgPinDisabled = 147;
inline constexpr int kMsgPinEnabled = 148;
inline constexpr int kMsgPinsDiffer = 149;
inline constexpr int kMsgChangePinFailed = 150;
inline constexpr int kMsgChangePinDone = 151;
inline constexpr int kMsgEnablePinFailed = 152;
inline constexpr int kMsgEnablePinDone = 153;
inline constexpr int kMsgDisablePinFailed = 154;
inline constexpr int kMsgDisablePinDone = 155;
inline constexpr int kMsgNewPinLabel = 156;
inline constexpr int kMsgConfirmPinLabel = 157;
inline constexpr int kMsgChangePinCaption = 158;
inline constexpr int kMsgCardNotBlocked = 159;
inline constexpr int kMsgCannotUnblock = 160;
inline constexpr int kMsgUnblockCaption = 161;
inline constexpr int kMsgInputPukLabel = 162;
inline constexpr int kMsgPukRetriesLabel = 163;
inline constexpr int kMsgInputNewPinCaption = 164;
inline constexpr int kMsgUnblockFailed = 165;
inline constexpr int kMsgUnblockDone = 166;
inline constexpr int kMsgTipImportExport = 167;
inline constexpr int kMsgOpenFileFailed = 168;
inline constexpr int kMsgNeedAdministrator = 169; // carried, not shown
inline constexpr int kMsgSelectLanguage = 170;
inline constexpr int kMsgTipCardInfo = 171;
inline constexpr int kMsgTotalSize = 172;
inline constexpr int kMsgPhoneBookSize = 173;
inline constexpr int kMsgSmsSize = 174;
inline constexpr int kMsgViewLastDialed = 175;
inline constexpr int kMsgLastDialedStatus = 176; // carried, not shown
inline constexpr int kMsgReadLastDialedFailed = 177;
inline constexpr int kMsgLoadLastDialedFirst = 178;
inline constexpr int kMsgFiller179 = 179; // "aaa" in every language, never shown
// Added messages. Those with %1 are meant for QString::arg.
inline constexpr int kMsgNotAvailable = 180;
inline constexpr int kMsgLibraryLoadFailed = 181;
inline constexpr int kMsgRecordsNotWritten = 182; // %1 = number of records
inline constexpr int kMsgRecordsNotRead = 183;    // %1 = number of records
inline constexpr int kMsgRunDirectoryUnsafe = 184;
inline constexpr int kMsgBusyWait = 185;
inline constexpr int kMsgFileWriteFailed = 186;
inline constexpr int kMsgFileInvalid = 187; // %1 = records not imported
inline constexpr int kMsgRememberedPinOtherCard = 188;
inline constexpr int kMsgBookFullImportStopped = 189;  // all 1024 slots taken during Import
inline constexpr int kMsgLibraryFunctionMissing = 190; // %1 = function name
inline constexpr int kMsgEntriesCut = 191;             // %1 = imported entries shortened

inline constexpr int kMenuPin = 146;          // Enable / Disable / - / Change PIN Code
inline constexpr int kMenuImportExport = 150; // Import / Export

inline constexpr int kCmdEnablePin = 32771;
inline constexpr int kCmdDisablePin = 32772;
inline constexpr int kCmdChangePin = 32773;
inline constexpr int kCmdImport = 32774;
inline constexpr int kCmdExport = 32775;

struct MenuItemText {
    int command;      // 0 marks a separator
    const char* text; // nullptr for a separator
};

struct LanguageResources {
    std::uint16_t languageId;              // Windows language identifier, e.g. 1033
    std::span<const char* const> messages; // messages[i] is id kFirstMessageId + i
    std::span<const MenuItemText> menuPin;
    std::span<const MenuItemText> menuImportExport;
};

// Highest message id carried (the same in every language).
int LastMessageId();

// The thirteen languages, English first.
std::span<const LanguageResources> AllLanguageResources();

// The resources of exactly this language identifier, or nullptr when the
// editor does not carry it (no sublanguage matching here).
const LanguageResources* FindLanguageResources(std::uint16_t languageId);

} // namespace brisken
