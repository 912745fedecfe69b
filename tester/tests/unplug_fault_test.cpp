// The reader pulled out in the middle of a slot's read/write test and of a
// format, with the engine's real threads: the user's sector comes back or its
// loss is in the log, the run ends, and the reader plugged in again is tested
// as before.
#include "engine_fixture.h"

#include <fstream>
#include <iterator>

namespace orrick::testing {
namespace {

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every block of the image holds user data, so wherever the test lands it
// writes over something that must survive.
std::filesystem::path UserImage(const std::filesystem::path& dir, uint32_t blocks) {
    const std::filesystem::path path = dir / "user.img";
    std::vector<char> bytes(size_t{blocks} * 512);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(0x40 + (i / 512 * 7 + i) % 0x3F);
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

uint32_t WriteLba(const ScsiRequest& r) {
    return uint32_t{r.cdb[2]} << 24 | uint32_t{r.cdb[3]} << 16 | uint32_t{r.cdb[4]} << 8 | r.cdb[5];
}

// Where the reader goes: at the N-th WRITE (1-based) of the run, either
// before it reaches the card or right after it did.
struct UnplugPoint {
    const char* name;
    int write;
    bool afterIt;
    bool userDataLeftOnCard;
};

void PrintTo(const UnplugPoint& p, std::ostream* os) {
    *os << p.name;
}

class UnplugFaultTest : public EngineTest {
protected:
    // Pulls the reader at `point`; the request after a write that "went
    // through" is the first one to find the reader gone.
    void PullAt(UnplugPoint point) {
        observed.onExecute = [this, point](const ScsiRequest& r) {
            if (pullNext_.exchange(false)) {
                sim.Unplug(0);
                pulled_ = true;
                return;
            }
            if (r.opcode() != scsi::kWrite10 || pulled_)
                return;
            const int n = ++writes_;
            if (n == 1)
                testedBlock_ = WriteLba(r);
            if (n != point.write)
                return;
            if (point.afterIt) {
                pullNext_ = true;
            } else {
                sim.Unplug(0);
                pulled_ = true;
            }
        };
    }

    // The hotplug monitor's part, then the run must end by itself.
    void ExpectRunEnds(TestEngine& e) {
        ASSERT_TRUE(WaitFor([&] { return pulled_.load(); }));
        e.OnDeviceRemoval();
        ASSERT_TRUE(WaitFor([&] { return !e.Running(); }, std::chrono::seconds(10)));
        EXPECT_TRUE(LogHas("Device plug out !! "));
    }

    void Replug(TestEngine& e) {
        observed.onExecute = nullptr;
        sim.Replug(0);
        e.OnDeviceArrival();
    }

    std::atomic<int> writes_{0};
    std::atomic<bool> pullNext_{false}, pulled_{false};
    std::atomic<uint32_t> testedBlock_{0};
};

class UnplugDuringSlotTest : public UnplugFaultTest,
                             public ::testing::WithParamInterface<UnplugPoint> {};

TEST_P(UnplugDuringSlotTest, SectorComesBackOrItsLossIsLogged) {
    const UnplugPoint point = GetParam();
    TempDir dir;
    const std::filesystem::path image = UserImage(dir.path(), 4200);
    const std::vector<uint8_t> before = FileBytes(image);
    AddReader().InsertCard(1, CardOfBlocks(4200, image));
    PullAt(point);
    TestEngine& e = MakeEngine(MemorySlots({1}));
    e.Start();
    ExpectRunEnds(e);

    const std::vector<uint8_t> after = FileBytes(image);
    const bool lossLogged = LogHas("Restore Data error .. !!");
    EXPECT_TRUE(after == before || lossLogged);
    if (point.userDataLeftOnCard) {
        // The case really left the pattern behind: exactly the tested block.
        ASSERT_NE(after, before);
        EXPECT_TRUE(lossLogged);
        const size_t at = size_t{testedBlock_.load()} * 512;
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(at),
                               after.begin()));
        EXPECT_TRUE(std::equal(before.begin() + static_cast<std::ptrdiff_t>(at + 512), before.end(),
                               after.begin() + static_cast<std::ptrdiff_t>(at + 512)));
    } else {
        EXPECT_EQ(after, before);
    }
    EXPECT_NE(Verdict(1), "Pass-(2)");

    // Back in, the slot is tested again and the user's data is kept.
    Replug(e);
    ASSERT_TRUE(WaitFor([&] { return Verdict(1) == "Pass-(2)"; }));
    e.Stop();
    EXPECT_EQ(LogCount("Found Device !! "), 1);
    if (!point.userDataLeftOnCard) {
        EXPECT_EQ(FileBytes(image), before);
    }
}

// A slot test writes twice: the pattern, then the backup over it.
INSTANTIATE_TEST_SUITE_P(
    Points, UnplugDuringSlotTest,
    ::testing::Values(UnplugPoint{"BeforeThePatternReachesTheCard", 1, false, false},
                      UnplugPoint{"AfterThePatternReachedTheCard", 1, true, true},
                      UnplugPoint{"AfterTheBackupWentBack", 2, true, false}),
    [](const ::testing::TestParamInfo<UnplugPoint>& info) { return info.param.name; });

TEST_F(UnplugFaultTest, DuringAFormatTheFailureIsLoggedAndTheNextRunFormatsAgain) {
    simreader::SimController& reader = AddReader(simreader::Family::TwoSlot, {"sdb", "sdc"});
    reader.InsertCard(0, CardOfBlocks(8192));
    // The slot test's two writes, then the boot sector and a few more.
    PullAt({"format", 6, true, false});
    TestSettings settings;
    settings.sd = 1;
    TestEngine& e = MakeEngine(settings);
    e.SetLabelSettings(LabelSettings{true, "Line A", false, "unused"});
    e.Start();
    ExpectRunEnds(e);

    EXPECT_TRUE(LogHas("Fmt_Process ..."));
    EXPECT_TRUE(LogHas("Write cmd error .. !!"));
    EXPECT_TRUE(LogHas("Fmt_Process End..."));
    const uint32_t root = ChooseFatGeometry(8192)->FirstDataSector();
    EXPECT_EQ(reader.CardBlock(0, root), std::vector<uint8_t>(512)); // no label yet

    Replug(e);
    ASSERT_TRUE(WaitFor([&] { return Verdict(0) == "Pass-(2)"; }));
    e.Stop();
    EXPECT_EQ(LogCount("Fmt_Process End..."), 2);
    const std::vector<uint8_t> boot = reader.CardBlock(0, 0);
    EXPECT_EQ(boot[510], 0x55);
    EXPECT_EQ(boot[511], 0xAA);
    const std::vector<uint8_t> label = reader.CardBlock(0, root);
    EXPECT_EQ(std::string(label.begin(), label.begin() + 11), "LINE A     ");
}

} // namespace
} // namespace orrick::testing
