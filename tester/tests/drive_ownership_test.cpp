// Every way out of identification, the slot refresh and the reader checks
// closes the drive it opened, whichever controller command fails.
#include "reader_checks.h"
#include "sim_fixture.h"

#include <gtest/gtest.h>

namespace orrick::testing {
namespace {

using simreader::Family;

// The simulated reader, counting the drives left open.
class CountingBackend : public simreader::SimReaderBackend {
public:
    DriveHandle Open(const std::string& name) override {
        const DriveHandle h = SimReaderBackend::Open(name);
        if (h != kNoHandle)
            ++open;
        return h;
    }
    void Close(DriveHandle handle) override {
        --open;
        SimReaderBackend::Close(handle);
    }
    int open = 0;
};

class DriveOwnershipTest : public ::testing::TestWithParam<Family> {
protected:
    DriveOwnershipTest() : device(backend), checks(device, settings, [](const std::string&) {}) {
        device.SetDelay([](unsigned) {});
        device.SetTrace([](std::string_view) {});
        backend.AddController(std::make_unique<simreader::SimController>(GetParam()),
                              Names({"sdb", "sdc", "sdd", "sde"}));
        settings.usbSpeedSel = 1;
        settings.informationCheck = 1;
        settings.codeSel = 1;
    }

    // Runs step once with the n-th controller command failing; false once n
    // is past the last command step sends.
    template <typename Step> bool RunFailingAt(int n, Step step) {
        backend.ClearSentRequests();
        backend.FailRequests({"", -1, 1, n});
        step();
        const bool reached = backend.SentRequests().size() > static_cast<size_t>(n);
        backend.ClearFailures();
        return reached;
    }

    CountingBackend backend;
    ReaderDevice device;
    TestSettings settings;
    ReaderChecks checks;
};

TEST_P(DriveOwnershipTest, NoDriveStaysOpenWhicheverCommandFails) {
    ReaderContext identified;
    ASSERT_TRUE(device.IdentifyReaderDrive("sdb", identified));
    ASSERT_EQ(backend.open, 0);

    const std::pair<const char*, std::function<void(ReaderContext&)>> steps[] = {
        {"identify", [&](ReaderContext& c) { device.IdentifyReaderDrive("sdb", c); }},
        {"refresh", [&](ReaderContext& c) { device.RefreshSlotStatus(c); }},
        {"usb speed", [&](ReaderContext& c) { checks.CheckUsbSpeed(c); }},
        {"information", [&](ReaderContext& c) { checks.CheckReaderInformation(c); }},
        {"rom", [&](ReaderContext& c) { checks.CheckRom(c); }},
    };
    for (const auto& [name, step] : steps) {
        for (int n = 0;; ++n) {
            ReaderContext context = identified;
            const bool reached = RunFailingAt(n, [&] { step(context); });
            EXPECT_EQ(backend.open, 0) << name << ", command " << n << " failing";
            EXPECT_EQ(context.handle, kNoHandle) << name << ", command " << n << " failing";
            if (!reached)
                break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Families, DriveOwnershipTest,
                         ::testing::Values(Family::MultiSlot, Family::TwoSlot,
                                           Family::MultiSlotExtra, Family::ExtendedAddress));

} // namespace
} // namespace orrick::testing
