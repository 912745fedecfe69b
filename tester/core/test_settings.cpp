#include "test_settings.h"

// Setting files are 8-bit text; no wide-character conversion is wanted.
#define SI_NO_CONVERSION
// The templates are compiled here, so nothing links the packaged library (and ICU).
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "ini_names.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

namespace orrick {
namespace {

constexpr const char* kSection = "Orrick";
constexpr const char* kDefaultFiles = "DefaultFiles.ini";
constexpr const char* kDefaultSection = "Orrick Setting";
constexpr const char* kLastFileKey = "LastFileName";

constexpr const char* kCfModes[] = {"None",   "PIO 0",  "PIO 1", "PIO 2",  "PIO 3",
                                    "PIO 4",  "PIO 5",  "PIO 6", "UDMA 0", "UDMA 1",
                                    "UDMA 2", "UDMA 3", "UDMA 4"};
constexpr const char* kSdWidths[] = {"None", "1 bit", "4 bits", "8 bits"};
constexpr const char* kMsModes[] = {"None", "MS 1", "MS 4", "MS P", "HG 4", "HG 8"};
constexpr const char* kLuns[] = {"None", "1", "2", "3", "4", "5", "6"};
constexpr const char* kCodes[] = {"None", "MASK", "MASK+EEPROM", "NOR", "NOR+EEPROM"};
constexpr const char* kUsb[] = {"None", "Full Speed", "High Speed"};

// The numeric keys in the order they are written.
struct NumericKey {
    const char* key;
    uint8_t TestSettings::*field;
    std::span<const char* const> (*items)(); // list of a combo index, or null
};

const NumericKey kNumericKeys[] = {
    {"CF", &TestSettings::cf, nullptr},
    {"CF_Sel", &TestSettings::cfMode, &CfModeItems},
    {"SD", &TestSettings::sd, nullptr},
    {"SD_Sel", &TestSettings::sdWidth, &SdWidthItems},
    {"SM", &TestSettings::sm, nullptr},
    {"xD", &TestSettings::xd, nullptr},
    {"MS", &TestSettings::ms, nullptr},
    {"MS_Sel", &TestSettings::msMode, &MsModeItems},
    {"SD2", &TestSettings::sd2, nullptr},
    {"SD2_Sel", &TestSettings::sd2Width, &SdWidthItems},
    {"MS2", &TestSettings::ms2, nullptr},
    {"MS2_Sel", &TestSettings::ms2Mode, &MsModeItems},
    {"SMARTCARD", &TestSettings::smartCard, nullptr},
    {"WP", &TestSettings::writeProtectTest, nullptr},
    {"LUNs", &TestSettings::luns, &LunItems},
    {"Code_Sel", &TestSettings::codeSel, &CodeItems},
    {"USBSpeed_Sel", &TestSettings::usbSpeedSel, &UsbItems},
    {"Show_Info", &TestSettings::showInfo, nullptr},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A line break inside a value would split it into another key on reading.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

std::string Truncated(std::string text, size_t max) {
    if (text.size() > max)
        text.resize(max);
    return text;
}

// A value from the file cut to its width. The file cannot keep blanks at the
// end of a value, so a cut that ends in blanks loses them here, not on the
// next save and load.
std::string CutValue(std::string text, size_t max) {
    text = Truncated(std::move(text), max);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

bool LoadIni(CSimpleIniA& ini, const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    if (ini.LoadData(data) < 0)
        return false;
    suite::DropNamesSpanningLines(ini);
    return true;
}

// Written beside the target and renamed over it, so a failed write leaves the old file.
bool SaveIni(const CSimpleIniA& ini, const std::filesystem::path& path) {
    std::string data;
    if (ini.Save(data) < 0)
        return false;
    std::filesystem::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

// 8-bit text, one value per key, "key=value" without blanks as written on Windows.
void Configure(CSimpleIniA& ini) {
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetSpaces(false);
}

} // namespace

std::span<const char* const> CfModeItems() {
    return kCfModes;
}
std::span<const char* const> SdWidthItems() {
    return kSdWidths;
}
std::span<const char* const> MsModeItems() {
    return kMsModes;
}
std::span<const char* const> LunItems() {
    return kLuns;
}
std::span<const char* const> CodeItems() {
    return kCodes;
}
std::span<const char* const> UsbItems() {
    return kUsb;
}

size_t ComboDisplayIndex(unsigned stored, std::span<const char* const> items) {
    return stored < items.size() ? stored : 0;
}

std::string ComboText(unsigned stored, std::span<const char* const> items) {
    return items[ComboDisplayIndex(stored, items)];
}

uint8_t ParseDecimalByte(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
        if (value > 255)
            return 0;
    }
    if (negative && value != 0)
        return 0;
    return static_cast<uint8_t>(value);
}

std::string VidPidText(const std::array<char, 4>& stored) {
    std::string text;
    for (char c : stored) {
        if (c == 0)
            break;
        text += c;
    }
    return text;
}

std::array<char, 4> StoreVidPid(std::string_view text) {
    std::array<char, 4> stored{};
    for (size_t i = 0; i < stored.size() && i < text.size(); ++i)
        stored[i] = text[i];
    return stored;
}

std::string VidPidDisplayText(const std::array<char, 4>& stored) {
    unsigned value = 0;
    for (char c : VidPidText(stored)) {
        const int digit = HexDigit(c);
        if (digit < 0)
            break;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

std::string FirmwareText(uint8_t major, uint8_t minor) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%02d", major, minor);
    return text;
}

void ParseFirmwareSetting(std::string_view text, uint8_t& major, uint8_t& minor) {
    const size_t point = text.find('.');
    if (point == std::string_view::npos) {
        major = 0;
        minor = ParseDecimalByte(text);
        return;
    }
    major = ParseDecimalByte(text.substr(0, point));
    minor = ParseDecimalByte(text.substr(point + 1));
}

void ParseFirmwareEdit(std::string_view text, uint8_t& major, uint8_t& minor) {
    const size_t point = text.find('.');
    if (point == std::string_view::npos) {
        major = ParseDecimalByte(text);
        minor = 0;
        return;
    }
    major = ParseDecimalByte(text.substr(0, point));
    minor = ParseDecimalByte(text.substr(point + 1, 3));
}

bool LoadSettingFile(const std::filesystem::path& path, TestSettings& settings,
                     LabelSettings& labels) {
    CSimpleIniA ini;
    Configure(ini);
    const bool readable = LoadIni(ini, path); // an unreadable file loads as all defaults
    auto text = [&](const char* key, const char* fallback) -> std::string {
        return ini.GetValue(kSection, key, fallback);
    };

    settings = TestSettings{};
    settings.informationCheck = ParseDecimalByte(text("Information check", "0"));
    const std::string vid = text("VID", "");
    const std::string pid = text("PID", "");
    settings.vid = StoreVidPid(CutValue(vid, settings.vid.size()));
    settings.pid = StoreVidPid(CutValue(pid, settings.pid.size()));
    ParseFirmwareSetting(text("FW", "0"), settings.firmwareMajor, settings.firmwareMinor);
    for (const NumericKey& k : kNumericKeys) {
        uint8_t value = ParseDecimalByte(text(k.key, "0"));
        // An index outside its list is what the window shows: the first item.
        if (k.items)
            value = static_cast<uint8_t>(ComboDisplayIndex(value, k.items()));
        settings.*k.field = value;
    }

    labels = LabelSettings{};
    labels.checkSd1Label = ParseDecimalByte(text("Check SD1 Label", "0")) != 0;
    labels.sd1Label = CutValue(text("SD1 Label", ""), LabelSettings::kMaxLabel);
    labels.checkSd2Label = ParseDecimalByte(text("Check SD2 Label", "0")) != 0;
    labels.sd2Label = CutValue(text("SD2 Label", ""), LabelSettings::kMaxLabel);
    return readable;
}

bool SaveSettingFile(const std::filesystem::path& path, const TestSettings& settings,
                     const LabelSettings& labels) {
    CSimpleIniA ini;
    Configure(ini);
    LoadIni(ini, path); // other sections and keys of an existing file stay
    auto put = [&](const char* key, const std::string& value) {
        ini.SetValue(kSection, key, OneLine(value).c_str());
    };
    put("Information check", std::to_string(settings.informationCheck));
    put("VID", VidPidText(settings.vid));
    put("PID", VidPidText(settings.pid));
    put("FW", FirmwareText(settings.firmwareMajor, settings.firmwareMinor));
    for (const NumericKey& k : kNumericKeys)
        put(k.key, std::to_string(settings.*k.field));
    put("Check SD1 Label", labels.checkSd1Label ? "1" : "0");
    put("SD1 Label", labels.sd1Label);
    put("Check SD2 Label", labels.checkSd2Label ? "1" : "0");
    put("SD2 Label", labels.sd2Label);
    return SaveIni(ini, path);
}

std::optional<LastSettingFile> ReadLastSettingFile(const std::filesystem::path& programDir) {
    CSimpleIniA ini;
    Configure(ini);
    if (!LoadIni(ini, programDir / kDefaultFiles))
        return std::nullopt;
    const std::string name = ini.GetValue(kDefaultSection, kLastFileKey, "");
    // Only a plain file name in the program's folder is remembered.
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos)
        return std::nullopt;
    return LastSettingFile{programDir / name, name};
}

bool WriteLastSettingFile(const std::filesystem::path& programDir, const std::string& name) {
    CSimpleIniA ini;
    Configure(ini);
    const auto path = programDir / kDefaultFiles;
    LoadIni(ini, path);
    ini.SetValue(kDefaultSection, kLastFileKey, OneLine(name).c_str());
    return SaveIni(ini, path);
}

} // namespace orrick
