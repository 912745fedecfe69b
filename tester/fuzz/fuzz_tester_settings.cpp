// The tester's setting files from the fuzz input: a test-setting file and
// the file that remembers the last one.
//
// Invariants: loading never crashes and keeps labels within their width;
// what was loaded is saved and loaded back unchanged; saving fixed settings
// over the file loads back exactly those settings, whatever else the file
// holds; repeated saves never grow the file; the remembered name is a plain name in the program's
// folder.
#include "test_settings.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace orrick;
namespace fs = std::filesystem;

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            __builtin_trap();                                                                      \
    } while (0)

// A folder of its own for each input, removed when the input is done, so
// that no run leaves files behind (a finding leaves its folder to look at).
struct RunDir {
    RunDir() {
        // Memory-backed when there is one: every run writes and renames files.
        const fs::path base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path();
        std::string pattern = (base / "fuzz_tester_settings.XXXXXX").string();
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        path = pattern;
    }
    ~RunDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    RunDir(const RunDir&) = delete;
    RunDir& operator=(const RunDir&) = delete;
    fs::path path;
};

void WriteFile(const fs::path& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(out.good());
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes other than line ends.
size_t TextBytes(const std::string& text) {
    return text.size() - static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) -
           static_cast<size_t>(std::count(text.begin(), text.end(), '\r'));
}

void CheckLabels(const LabelSettings& labels) {
    FUZZ_CHECK(labels.sd1Label.size() <= LabelSettings::kMaxLabel);
    FUZZ_CHECK(labels.sd2Label.size() <= LabelSettings::kMaxLabel);
}

TestSettings FixedSettings() {
    TestSettings s;
    s.informationCheck = 1;
    s.vid = StoreVidPid("1B2c");
    s.pid = StoreVidPid("07");
    s.firmwareMajor = 3;
    s.firmwareMinor = 41;
    s.sd = 1;
    s.sdWidth = 1;
    s.luns = 4;
    s.codeSel = 2;
    s.usbSpeedSel = 2;
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RunDir run;
    const fs::path& dir = run.path;
    const fs::path file = dir / "Setting.ini";
    WriteFile(file, data, size);

    TestSettings loaded;
    LabelSettings labels;
    (void)LoadSettingFile(file, loaded, labels);
    CheckLabels(labels);

    FUZZ_CHECK(SaveSettingFile(file, loaded, labels));
    TestSettings again;
    LabelSettings againLabels;
    FUZZ_CHECK(LoadSettingFile(file, again, againLabels));
    FUZZ_CHECK(again == loaded);
    FUZZ_CHECK(againLabels == labels);

    // Saving again over a saved file never makes it grow: a damaged file may
    // be tidied and blank lines come and go, but its text must not gain a
    // line on every save.
    FUZZ_CHECK(SaveSettingFile(file, loaded, labels));
    FUZZ_CHECK(SaveSettingFile(file, loaded, labels));
    const size_t settled = TextBytes(ReadFile(file));
    FUZZ_CHECK(SaveSettingFile(file, loaded, labels));
    FUZZ_CHECK(TextBytes(ReadFile(file)) <= settled);

    WriteFile(file, data, size);
    const TestSettings fixed = FixedSettings();
    const LabelSettings fixedLabels{true, "CARD A", false, "B"};
    FUZZ_CHECK(SaveSettingFile(file, fixed, fixedLabels));
    FUZZ_CHECK(LoadSettingFile(file, again, againLabels));
    FUZZ_CHECK(again == fixed);
    FUZZ_CHECK(againLabels == fixedLabels);

    WriteFile(dir / "DefaultFiles.ini", data, size);
    if (const auto last = ReadLastSettingFile(dir)) {
        FUZZ_CHECK(!last->name.empty());
        FUZZ_CHECK(last->path.parent_path() == dir);
        FUZZ_CHECK(last->path.filename() == last->name);
    }
    FUZZ_CHECK(WriteLastSettingFile(dir, "Line 7.ini"));
    const auto last = ReadLastSettingFile(dir);
    FUZZ_CHECK(last && last->name == "Line 7.ini");
    return 0;
}
