// The four reader-level checks on ReaderTable entry 0, and the status labels
// and information boxes they fill, kept as state the window shows.
#pragma once

#include "reader_device.h"
#include "test_settings.h"

#include <functional>
#include <mutex>
#include <string>

namespace orrick {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

namespace colours {
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kGoldenrod{218, 165, 32};
constexpr Rgb kDarkOrange{255, 140, 0};
constexpr Rgb kRoyalBlue{65, 105, 225};
} // namespace colours

struct StatusLabel {
    std::string text;
    Rgb colour;
    bool operator==(const StatusLabel&) const = default;
};

struct ReaderCheckView {
    StatusLabel dev{"", colours::kGoldenrod};
    StatusLabel pidvid{"", colours::kDarkOrange};
    StatusLabel err{"", colours::kDarkOrange};
    // The read-only "Card Reader Information (HEX)" boxes.
    std::string readVid, readPid, readFirmware;
};

using LogFunction = std::function<void(const std::string& text)>;

class ReaderChecks {
public:
    ReaderChecks(ReaderDevice& device, const TestSettings& settings, LogFunction log);

    void CheckUsbSpeed(ReaderContext& context);
    void CheckReaderInformation(ReaderContext& context);
    void CheckRom(ReaderContext& context);
    void CheckLuns(ReaderContext& context);

    // A copy taken under the lock, for the window thread.
    ReaderCheckView View() const;
    // The initial look of the labels, and the blanking on removal.
    void ResetLabels();
    void BlankStatusLabels();

private:
    void Log(const std::string& text);
    void SetDev(std::string text, Rgb colour);
    void SetPidVid(std::string text, Rgb colour);
    void SetErr(std::string text, Rgb colour);

    ReaderDevice& device_;
    const TestSettings& settings_;
    LogFunction log_;
    mutable std::mutex mutex_;
    ReaderCheckView view_;
};

// Distinct LUN numbers 0..5 among slots 0..5 of a reader.
int CountDistinctLuns(const ReaderContext& context);

} // namespace orrick
