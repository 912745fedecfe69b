// brisken-load-bench: Load of a 250-record phone book through pcscd, from
// the Load call to the rebuilt rows, against the same number of bare READ
// RECORD round trips; and the rows of a full 1024-slot book. Prints figures.
// Needs the PC/SC sandbox with the GSM SIM book profile in the first known
// reader:
//
//   scripts/pcsc_sandbox.sh run --card 2:book_gsm_sim.json --
//   build/editor/bench/brisken-load-bench [ROUNDS]   (one command line)
#include "bench_support.h"
#include "core/card_load.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace brisken;
using namespace brisken::bench;

// The window's side of Load: nothing shown, the rows kept.
class QuietView final : public LoadView {
public:
    void Message(int id, const QString&) override { Fail("Load (message id)", id); }
    void ShowCardType(CardFamily) override {}
    void ShowIdentity(const QString&) override {}
    void BeginRead() override {}
    void SetProgress(int) override {}
    void StopTimer() override {}
    void ShowRows(BookKind, const std::vector<BookRow>& shown, int) override { rows = shown; }
    void ShowStatus(BookKind, const QString&) override {}
    void EndRead() override {}
    std::vector<BookRow> rows;
};

class NoPrompt final : public PinPrompt {
public:
    bool AskCode(bool, int, SecretText&) override { return false; }
    bool AskNewPin(bool, SecretText&, SecretText&) override { return false; }
};

// Load as the window runs it: Start, then a tick every 50 ms until done.
double TimedLoad(BookLoader& loader, PinRunner& pins, int expectedRows) {
    QuietView view;
    NoPrompt prompt;
    const auto start = Clock::now();
    if (!loader.Start(BookKind::Phone, pins, prompt, view)) {
        Fail("Load start", 0);
    }
    auto next = start;
    do {
        next += std::chrono::milliseconds(50);
        std::this_thread::sleep_until(next);
    } while (!loader.Tick(view));
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (static_cast<int>(view.rows.size()) != expectedRows) {
        Fail("Load rows", view.rows.size());
    }
    return elapsed;
}

template <typename Entry> double TimedRows(const Book<Entry>& book, int rounds) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        times.push_back(Milliseconds([&] {
            if (BuildRows(book).size() != static_cast<std::size_t>(kStoreSlots)) {
                Fail("rows", 0);
            }
        }));
    }
    return Median(times);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    auto phone = std::make_unique<Book<PhoneEntry>>();
    auto sms = std::make_unique<Book<SmsEntry>>();
    for (int slot = 0; slot < kStoreSlots; ++slot) {
        PhoneEntry& entry = phone->store[static_cast<std::size_t>(slot)];
        std::snprintf(entry.narrowName, sizeof entry.narrowName, "Contact %04d", slot);
        std::snprintf(entry.number, sizeof entry.number, "+49301234%04d", slot);
        entry.state = ENTRY_OCCUPIED;
        SmsEntry& message = sms->store[static_cast<std::size_t>(slot)];
        message.smsStatus = 1;
        std::snprintf(message.number, sizeof message.number, "+49170%06d", slot);
        std::snprintf(message.timeStamp, sizeof message.timeStamp, "2401311542");
        std::snprintf(message.narrowText, sizeof message.narrowText, "Message number %d", slot);
        message.state = ENTRY_OCCUPIED;
    }
    std::printf("rows of a full book (1024 slots, median of %d):\n", rounds);
    std::printf("  phone book rows:        %9.3f ms\n", TimedRows(*phone, rounds));
    std::printf("  SMS book rows:          %9.3f ms\n", TimedRows(*sms, rounds));

    NimbrelBinding binding(QStringLiteral(NIMBREL_LIBRARY));
    NimbrelCardLibrary library(binding);
    PinRunner pins;
    auto books = std::make_unique<Books>();
    BookLoader loader(library, *books);
    TimedLoad(loader, pins, 5); // warm-up
    std::vector<double> loads;
    std::vector<double> raws;
    for (int round = 0; round < rounds; ++round) {
        loads.push_back(TimedLoad(loader, pins, 5));
        RawCard raw;
        raw.SelectAdn();
        raws.push_back(Milliseconds([&] { raw.ReadRecords(250, 28); }));
    }
    const double load = Median(loads);
    const double rawTime = Median(raws);
    std::printf("phone book of 250 records (median of %d rounds):\n", rounds);
    std::printf("  Load, call to rows:     %9.3f ms\n", load);
    std::printf("  raw READ RECORD trips:  %9.3f ms\n", rawTime);
    std::printf("  difference:             %+9.3f ms (goal at most +60 ms)\n", load - rawTime);
    return 0;
}
