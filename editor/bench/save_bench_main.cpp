// brisken-save-bench: Save of 250 changed phone-book entries through pcscd,
// from the Save call to its completion on the 50 ms timer, against 250 bare
// UPDATE RECORD round trips. Prints figures. Needs the PC/SC sandbox with the
// GSM SIM book profile in the first known reader:
//
//   scripts/pcsc_sandbox.sh run --card 2:book_gsm_sim.json --
//   build/editor/brisken-save-bench [ROUNDS]   (one command line)
#include "bench_support.h"
#include "core/card_save.h"

#include <QCoreApplication>

#include <memory>
#include <thread>

namespace {

using namespace brisken;
using namespace brisken::bench;

constexpr int kRecords = 250;
constexpr int kRecordLength = 28;

class QuietView final : public SaveView {
public:
    void Message(int id, const QString&) override { Fail("Save (message id)", id); }
    void BeginWrite() override {}
    void SetProgress(int) override {}
    void StopTimer() override {}
    void ShowWritten(BookKind, const std::bitset<kStoreSlots>&) override {}
    void ShowStatus(BookKind, const QString&) override {}
    void EndWrite() override {}
};

class NoPrompt final : public PinPrompt {
public:
    bool AskCode(bool, int, SecretText&) override { return false; }
    bool AskNewPin(bool, SecretText&, SecretText&) override { return false; }
};

// A phone book as after Load and an edit of every one of its records.
void ChangeEveryRecord(Books& books, int round) {
    Book<PhoneEntry>& book = books.phone;
    book.values.notLoaded = false;
    for (int slot = 0; slot < kRecords; ++slot) {
        PhoneEntry& entry = book.store[static_cast<std::size_t>(slot)];
        entry = PhoneEntry{};
        std::snprintf(entry.narrowName, sizeof entry.narrowName, "Contact %03d-%d", slot, round);
        entry.wideName[0] = 0;
        std::snprintf(entry.number, sizeof entry.number, "+4930123%04d", slot);
        entry.state = ENTRY_OCCUPIED | ENTRY_CHANGED;
    }
}

// Save as the window runs it: Start, then a tick every 50 ms until done.
double TimedSave(BookSaver& saver, PinRunner& pins) {
    QuietView view;
    NoPrompt prompt;
    const auto start = Clock::now();
    if (!saver.Start(BookKind::Phone, pins, prompt, view)) {
        Fail("Save start", 0);
    }
    auto next = start;
    do {
        next += std::chrono::milliseconds(50);
        std::this_thread::sleep_until(next);
    } while (!saver.Tick(view));
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (saver.Outcome().written != kRecords || saver.Outcome().notWritten != 0) {
        Fail("Save writes", static_cast<unsigned long>(saver.Outcome().written));
    }
    return elapsed;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    NimbrelBinding binding(QStringLiteral(NIMBREL_LIBRARY));
    NimbrelCardLibrary library(binding);
    PinRunner pins;
    auto books = std::make_unique<Books>();
    BookSaver saver(library, *books);
    ChangeEveryRecord(*books, 0);
    TimedSave(saver, pins); // warm-up
    std::vector<double> saves;
    std::vector<double> raws;
    // A record as the card keeps it: name in the GSM alphabet, then the
    // dialling number (length, type, BCD digits, padding).
    std::vector<BYTE> record(kRecordLength, 0xFF);
    std::memcpy(record.data(), "Raw Contact", 11);
    const BYTE number[] = {0x07, 0x91, 0x94, 0x03, 0x21, 0x43, 0x65, 0xF7};
    std::memcpy(record.data() + kRecordLength - 14, number, sizeof number);
    for (int round = 1; round <= rounds; ++round) {
        ChangeEveryRecord(*books, round);
        saves.push_back(TimedSave(saver, pins));
        RawCard raw;
        raw.SelectAdn();
        raws.push_back(Milliseconds([&] { raw.UpdateRecords(kRecords, record); }));
    }
    const double save = Median(saves);
    const double rawTime = Median(raws);
    std::printf("phone book, %d changed records (median of %d rounds):\n", kRecords, rounds);
    std::printf("  Save, call to completion: %9.3f ms\n", save);
    std::printf("  raw UPDATE RECORD trips:  %9.3f ms\n", rawTime);
    std::printf("  difference:               %+9.3f ms (goal at most +60 ms)\n", save - rawTime);
    return 0;
}
