// What a test run checks, and the INI setting files that store it.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orrick {

struct TestSettings {
    uint8_t informationCheck = 0;
    std::array<char, 4> vid{}; // as typed, not terminated; unused places are 0
    std::array<char, 4> pid{};
    uint8_t firmwareMajor = 0;
    uint8_t firmwareMinor = 0;
    uint8_t cf = 0;
    uint8_t cfMode = 0;
    uint8_t sd = 0;
    uint8_t sdWidth = 0;
    uint8_t sm = 0;
    uint8_t xd = 0;
    uint8_t ms = 0;
    uint8_t msMode = 0;
    uint8_t sd2 = 0;
    uint8_t sd2Width = 0;
    uint8_t ms2 = 0;
    uint8_t ms2Mode = 0;
    uint8_t smartCard = 0;
    uint8_t writeProtectTest = 0;
    uint8_t luns = 0;
    uint8_t codeSel = 0;
    uint8_t usbSpeedSel = 0;
    uint8_t showInfo = 0;

    bool operator==(const TestSettings&) const = default;
};

// The volume-label options of the format step, kept beside the settings.
struct LabelSettings {
    bool checkSd1Label = false;
    std::string sd1Label;
    bool checkSd2Label = false;
    std::string sd2Label;

    static constexpr size_t kMaxLabel = 11;
    bool operator==(const LabelSettings&) const = default;
};

// Combo-box lists; a stored index is a position in its list.
std::span<const char* const> CfModeItems();
std::span<const char* const> SdWidthItems();
std::span<const char* const> MsModeItems();
std::span<const char* const> LunItems();
std::span<const char* const> CodeItems();
std::span<const char* const> UsbItems();
// The item a stored index shows; an index outside the list shows the first item.
size_t ComboDisplayIndex(unsigned stored, std::span<const char* const> items);
std::string ComboText(unsigned stored, std::span<const char* const> items);

// Decimal text to a byte: blanks, optional sign and digits as far as they go;
// anything negative or above 255 becomes 0.
uint8_t ParseDecimalByte(std::string_view text);

// VID/PID: the stored characters up to the first 0.
std::string VidPidText(const std::array<char, 4>& stored);
// The first four characters of a text, 0 where the text is shorter.
std::array<char, 4> StoreVidPid(std::string_view text);
// Shown form: the stored text read as hexadecimal up to the first character
// that is not a hex digit, printed "%04X".
std::string VidPidDisplayText(const std::array<char, 4>& stored);
// "%d.%02d".
std::string FirmwareText(uint8_t major, uint8_t minor);
// Setting-file form: split at the first '.', without a point the whole text is the minor.
void ParseFirmwareSetting(std::string_view text, uint8_t& major, uint8_t& minor);
// Edit-box form: at most three characters after the point.
void ParseFirmwareEdit(std::string_view text, uint8_t& major, uint8_t& minor);

bool LoadSettingFile(const std::filesystem::path& path, TestSettings& settings,
                     LabelSettings& labels);
bool SaveSettingFile(const std::filesystem::path& path, const TestSettings& settings,
                     const LabelSettings& labels);

struct LastSettingFile {
    std::filesystem::path path;
    std::string name;
};
// "DefaultFiles.ini" in the program's folder.
std::optional<LastSettingFile> ReadLastSettingFile(const std::filesystem::path& programDir);
bool WriteLastSettingFile(const std::filesystem::path& programDir, const std::string& name);

} // namespace orrick
