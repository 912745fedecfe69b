// The test sequence with its three threads on the simulated reader.
#include "engine_fixture.h"

namespace orrick::testing {
namespace {

TEST_F(EngineTest, RunWaitsUntilEveryLunAnswersAndGoesOnWithoutSmartCardReader) {
    AddReader().InsertCard(1, simreader::SimCard{});
    sim.FailOpen("sde", true); // the fourth LUN has not come up yet
    TestEngine& e = MakeEngine(MemorySlots({1}));
    e.Start();
    ASSERT_TRUE(e.Running());

    // Several scans later the run still waits: nothing is tested.
    ASSERT_TRUE(WaitFor([&] { return SentCount(scsi::kInquiry) >= 12; }));
    EXPECT_FALSE(LogHas("Device Found!!"));
    EXPECT_EQ(SentCount(scsi::kWrite10), 0);

    sim.FailOpen("sde", false);
    ASSERT_TRUE(WaitFor([&] { return Verdict(1) == "Pass-(2)"; }));
    EXPECT_EQ(LogCount("Device Found!!"), 1);
    // No PC/SC reader: said once, and the memory slots keep their turns.
    EXPECT_EQ(LogCount("No SmartCard Reader"), 1);
    EXPECT_EQ(e.CardStatus(kSmartCardSlot), smartcard::kNoReader);
}

TEST_F(EngineTest, ArrivalWithoutReaderStartsNothingAndStopEndsAWaitingRun) {
    TestEngine& e = MakeEngine(MemorySlots({1}));
    e.Start();
    e.OnDeviceArrival();
    EXPECT_FALSE(e.Running());
    EXPECT_EQ(e.Log().Lines(),
              (std::vector<std::string>{"Device plug in !! ", "No Found Device !! "}));

    AddReader();
    sim.FailOpen("sdc", true);
    e.OnDeviceArrival();
    EXPECT_TRUE(LogHas("Found Device !! "));
    EXPECT_TRUE(e.Running());
    e.Stop(); // joins a test thread that still waits for the reader
    EXPECT_FALSE(e.Running());
}

TEST_F(EngineTest, RomFailureMarksEverySlotNotTested) {
    simreader::SimController& reader = AddReader();
    reader.SetRomFlags(false, true); // NOR, where MASK is expected
    reader.InsertCard(0, simreader::SimCard{});
    reader.InsertCard(1, simreader::SimCard{});
    cards.hasReader = true;
    cards.cardPresent = true;
    TestSettings settings = MemorySlots({0, 1, 2, 4, 5});
    settings.smartCard = 1;
    settings.codeSel = 1;
    TestEngine& e = MakeEngine(settings);
    e.Start();

    ASSERT_TRUE(WaitFor([&] {
        for (int slot : {0, 1, 2, 4, 5, kSmartCardSlot})
            if (Verdict(slot) != "NG-(0)")
                return false;
        return true;
    }));
    for (int slot = 0; slot < kRunSlots; ++slot)
        EXPECT_EQ(e.CardStatus(slot), card::kNotTested) << slot;
    EXPECT_EQ(SentCount(scsi::kRead10) + SentCount(scsi::kWrite10), 0);
    EXPECT_EQ(cards.connects, 0); // the card in the smart-card slot neither
    EXPECT_EQ(e.StatusLabels().err.text, "Check Rom Error !!");
    EXPECT_TRUE(e.Running()); // a failed reader waits for its removal
}

TEST_F(EngineTest, ThreeTransportFailuresAskForReplug) {
    AddReader().InsertCard(1, simreader::SimCard{});
    std::atomic<int> speedReads{0};
    observed.failIf = [&](const ScsiRequest& r) {
        if (!IsRead(r, kConfigSpace, 0x0002))
            return false;
        ++speedReads;
        return true;
    };
    TestSettings settings = MemorySlots({1});
    settings.usbSpeedSel = 2;
    TestEngine& e = MakeEngine(settings);
    e.Start();

    ASSERT_TRUE(WaitFor([&] { return e.CardStatus(1) == card::kNotTested; }));
    ASSERT_TRUE(WaitFor([&] { return Verdict(1) == "NG-(0)"; }));
    EXPECT_EQ(LogCount("Please Re-Plugin Device"), 1);
    EXPECT_EQ(speedReads, 3);
    EXPECT_EQ(SentCount(scsi::kWrite10), 0);
}

TEST_F(EngineTest, UnplugDuringCycleEndsRunAndReplugStartsAnother) {
    simreader::SimController& reader = AddReader();
    reader.InsertCard(0, simreader::SimCard{});
    reader.InsertCard(1, simreader::SimCard{});
    std::atomic<bool> armed{true}, pulled{false};
    observed.onExecute = [&](const ScsiRequest& r) {
        // The reader goes away in the middle of a read/write test.
        if (r.opcode() == scsi::kWrite10 && armed.exchange(false)) {
            sim.Unplug(0);
            pulled = true;
        }
    };
    TestEngine& e = MakeEngine(MemorySlots({0, 1}));
    const SlotLabelsView initial = e.SlotLabels();
    e.Start();

    ASSERT_TRUE(WaitFor([&] { return pulled.load(); }));
    e.OnDeviceRemoval();
    ASSERT_TRUE(WaitFor([&] { return !e.Running(); }));
    EXPECT_EQ(LogCount("Device plug out !! "), 4);
    for (const ReaderContext& entry : e.TableSnapshot())
        EXPECT_EQ(entry.valid, 0);
    for (int slot = 0; slot < kRunSlots; ++slot) {
        EXPECT_EQ(e.CardStatus(slot), 0) << slot;
        EXPECT_EQ(e.SlotResult(slot), 0) << slot;
    }
    const SlotLabelsView after = e.SlotLabels();
    EXPECT_EQ(after.verdict, initial.verdict);
    EXPECT_EQ(after.readWrite, initial.readWrite);
    EXPECT_EQ(after.info, initial.info);
    EXPECT_EQ(e.StatusLabels().dev.text, "");

    sim.Replug(0);
    e.OnDeviceArrival();
    ASSERT_TRUE(WaitFor([&] { return Verdict(0) == "Pass-(2)" && Verdict(1) == "Pass-(2)"; }));
    EXPECT_EQ(LogCount("Found Device !! "), 1);
    EXPECT_EQ(LogCount("Device Found!!"), 2);
}

TEST_F(EngineTest, ReaderPluggedWhileTheLastRunEndsIsNotMissed) {
    AddReader().InsertCard(1, simreader::SimCard{});
    TestEngine& e = MakeEngine(MemorySlots({1}));
    e.Start();
    ASSERT_TRUE(WaitFor([&] { return Verdict(1) == "Pass-(2)"; }));

    sim.Unplug(0);
    e.OnDeviceRemoval();
    sim.Replug(0);
    e.OnDeviceArrival(); // the first run may not have ended yet
    ASSERT_TRUE(WaitFor([&] { return LogCount("Device Found!!") == 2; }));
    ASSERT_TRUE(WaitFor([&] { return Verdict(1) == "Pass-(2)"; }));
}

TEST_F(EngineTest, TurnsAlternateAndTheTwoSidesNeverOverlap) {
    AddReader().InsertCard(1, simreader::SimCard{});
    cards.hasReader = true;
    cards.cardPresent = true;
    SideLog sides;
    cards.sideLog = &sides;
    std::atomic<int> overlaps{0};
    observed.onExecute = [&](const ScsiRequest& r) {
        if (cards.inCall > 0)
            ++overlaps;
        // The status refresh opens every memory-slot cycle.
        if (IsRead(r, kRegisterSpace, 0x0080))
            sides.Add('R');
        if (r.opcode() == scsi::kInquiry)
            sides.Add('I'); // a drive scan
    };
    TestSettings settings = MemorySlots({1});
    settings.smartCard = 1;
    TestEngine& e = MakeEngine(settings);
    e.Start();

    ASSERT_TRUE(WaitFor([&] {
        const std::string marks = sides.Marks();
        return std::count(marks.begin(), marks.end(), 'L') >= 2;
    }));
    e.OnDeviceArrival(); // another drive came: no scan while the run owns the table
    ASSERT_TRUE(WaitFor([&] {
        const std::string marks = sides.Marks();
        return std::count(marks.begin(), marks.end(), 'L') >= 8 &&
               Verdict(kSmartCardSlot) == "Pass-(2)" && Verdict(1) == "Pass-(2)";
    }));
    e.Stop();
    std::string marks = sides.Marks();
    // Before the first smart-card turn the scans read the same register block.
    marks.erase(0, marks.find('L'));
    EXPECT_EQ(marks.find('I'), std::string::npos) << marks;
    EXPECT_EQ(marks.find("LL"), std::string::npos) << marks;
    EXPECT_EQ(marks.find("RR"), std::string::npos) << marks;
    EXPECT_EQ(overlaps, 0);
    // One card left in the slot is tested once.
    EXPECT_EQ(cards.connects, 1);
    EXPECT_EQ(LogCount("Smart Card Success"), 1);
}

TEST_F(EngineTest, TwoSlotReaderFormatsTheTickedSlotsAfterTheirReadWriteTests) {
    simreader::SimController& reader = AddReader(simreader::Family::TwoSlot, {"sdb", "sdc"});
    reader.InsertCard(0, CardOfBlocks(8192));
    reader.InsertCard(1, CardOfBlocks(8192));
    TestSettings settings;
    settings.sd = 1;
    settings.sd2 = 1;
    TestEngine& e = MakeEngine(settings);
    e.SetLabelSettings(LabelSettings{true, "Line A", false, "unused"});
    e.Start();
    ASSERT_TRUE(WaitFor([&] { return Verdict(0) == "Pass-(2)" && Verdict(1) == "Pass-(2)"; }));
    e.Stop();

    EXPECT_EQ(LogCount("Fmt_Process End..."), 1);
    const std::vector<uint8_t> boot = reader.CardBlock(0, 0);
    EXPECT_EQ(boot[510], 0x55);
    EXPECT_EQ(boot[511], 0xAA);
    const std::vector<uint8_t> root =
        reader.CardBlock(0, ChooseFatGeometry(8192)->FirstDataSector());
    EXPECT_EQ(std::string(root.begin(), root.begin() + 11), "LINE A     ");
    EXPECT_EQ(reader.CardBlock(1, 0), std::vector<uint8_t>(512)); // unticked
}

} // namespace
} // namespace orrick::testing
