// Faults through the real stack: the card leaving in the middle of a
// file-map walk, and pcscd going away in the middle of a Load. Each checks
// what the user is told, that nothing hangs, and that the editor works again
// once the card or the service is back.
#include "card_in_slot.h"
#include "core/card_information.h"
#include "core/card_load.h"
#include "core/catalogue.h"
#include "load_test_support.h"
#include "pcscd_card_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>

namespace brisken {
namespace {

using testing::Profile;
using testing::RecordingInfoView;
using testing::RecordingView;
using testing::ScriptedCard;
using testing::ScriptedCardLibrary;
using testing::ScriptedPrompt;
using Log = std::vector<std::string>;

bool Has(const Log& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

bool HasPrefix(const Log& log, const std::string& prefix) {
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& l) { return l.starts_with(prefix); });
}

template <typename Predicate> bool WaitUntil(Predicate done, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A virtual card in the first known reader that counts the commands it
// answers and, when told, is pulled out as command `leaveAt` arrives.
class LeavingCard {
public:
    explicit LeavingCard(const char* profile, int leaveAt = -1)
        : card_(simcard::LoadProfile(Profile(profile))), leaveAt_(leaveAt) {
        const char* portText = std::getenv("SANDBOX_PORT");
        const int port = (portText ? std::atoi(portText) : 35990) + 2;
        fd_ = simcard::ConnectToReader("127.0.0.1", static_cast<std::uint16_t>(port));
        if (fd_ < 0) {
            throw std::runtime_error("no vpcd reader on port " + std::to_string(port));
        }
        server_ = std::thread([this] { Serve(); });
        if (!WaitForCard(true)) {
            throw std::runtime_error("the card did not appear in the reader");
        }
    }
    ~LeavingCard() {
        shutdown(fd_, SHUT_RDWR);
        server_.join();
        close(fd_);
        WaitForCard(false);
    }
    LeavingCard(const LeavingCard&) = delete;
    LeavingCard& operator=(const LeavingCard&) = delete;

    int Commands() const { return commands_; }
    bool Left() const { return left_; }

private:
    void Serve() {
        while (std::optional<simcard::Bytes> message = simcard::ReadMessage(fd_)) {
            // One byte is a control of the reader; anything longer a command.
            if (message->size() > 1) {
                if (commands_ == leaveAt_) {
                    left_ = true;
                    shutdown(fd_, SHUT_RDWR);
                    return;
                }
                ++commands_;
            }
            const std::optional<simcard::Bytes> answer = simcard::Answer(card_, *message);
            if (answer && !simcard::WriteMessage(fd_, *answer)) {
                return;
            }
        }
    }

    // The card as pcscd sees it in the first "Generic MultiCard reader".
    static bool WaitForCard(bool present) {
        SCARDCONTEXT context = 0;
        if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) !=
            SCARD_S_SUCCESS) {
            return false;
        }
        const bool seen = WaitUntil(
            [&] {
                char names[2048];
                DWORD length = sizeof names;
                if (SCardListReaders(context, nullptr, names, &length) != SCARD_S_SUCCESS) {
                    return false;
                }
                for (const char* name = names; *name; name += std::strlen(name) + 1) {
                    if (std::strncmp(name, "Generic MultiCard reader 1.0", 28) != 0) {
                        continue;
                    }
                    SCARD_READERSTATE state{};
                    state.szReader = name;
                    state.dwCurrentState = SCARD_STATE_UNAWARE;
                    return SCardGetStatusChange(context, 0, &state, 1) == SCARD_S_SUCCESS &&
                           ((state.dwEventState & SCARD_STATE_PRESENT) != 0) == present;
                }
                return false;
            },
            20);
        SCardReleaseContext(context);
        return seen;
    }

    simcard::VirtualCard card_;
    const int leaveAt_;
    std::atomic<int> commands_{0};
    std::atomic<bool> left_{false};
    int fd_ = -1;
    std::thread server_;
};

// The sandbox's own pcscd, stopped and started again; the fixture's cards
// stay and come back into their readers.
bool Sandbox(const char* action) {
    const std::string command =
        std::string(PCSC_SANDBOX_COMMAND) + " " + action + " " + PCSC_SANDBOX_STATE + " >/dev/null";
    return std::system(command.c_str()) == 0;
}

// Brings the service back however the test ends, before any card of the
// test leaves its reader (which asks pcscd).
class PcscdStopped {
public:
    PcscdStopped() { stopped_ = Sandbox("pcscd-stop"); }
    ~PcscdStopped() { Back(); }
    bool Stopped() const { return stopped_; }
    bool Back() {
        if (stopped_) {
            stopped_ = !Sandbox("pcscd-start");
        }
        return !stopped_;
    }

private:
    bool stopped_ = false;
};

class FaultsThroughPcscd : public ::testing::Test {
protected:
    FaultsThroughPcscd()
        : binding_(QStringLiteral(NIMBREL_LIBRARY)), library_(binding_), trace_(ScriptedCard{}) {}

    // The card-information action to its end, as the window's timer runs it.
    bool RunInfo(CardInformation& info, RecordingInfoView& view) {
        if (!info.Start(view)) {
            return false;
        }
        return WaitUntil([&] { return info.Tick(view); }, 60);
    }
    bool Load(BookKind kind) { return testing::RunLoad(loader_, kind, pins_, prompt_, load_); }

    NimbrelBinding binding_;
    NimbrelCardLibrary library_;
    ScriptedCardLibrary trace_; // collects the views' messages
    RecordingView load_{trace_};
    ScriptedPrompt prompt_{trace_};
    PinRunner pins_;
    std::unique_ptr<Books> books_ = std::make_unique<Books>();
    BookLoader loader_{library_, *books_};
};

TEST_F(FaultsThroughPcscd, CardLeavingDuringTheFileMapWalkIsReportedAndTheNextWalkWorks) {
    // A whole walk first: how many commands identifying and walking take,
    // and the sizes it shows.
    int identified = 0, walked = 0;
    QString sizes;
    {
        LeavingCard card("book_gsm_sim.json");
        CardInformation info(library_);
        RecordingInfoView view(trace_);
        ASSERT_TRUE(info.Start(view));
        identified = card.Commands();
        ASSERT_TRUE(WaitUntil([&] { return info.Tick(view); }, 60));
        walked = card.Commands();
        sizes = view.shown;
    }
    ASSERT_FALSE(sizes.isEmpty());
    ASSERT_GT(walked - identified, 20);
    trace_.TakeLog();

    // The card pulled out half-way through the walk: a read failure, no sizes.
    {
        LeavingCard card("book_gsm_sim.json", identified + (walked - identified) / 2);
        CardInformation info(library_);
        RecordingInfoView view(trace_);
        ASSERT_TRUE(RunInfo(info, view));
        EXPECT_TRUE(card.Left());
        EXPECT_FALSE(info.Running());
        EXPECT_TRUE(view.shown.isEmpty()) << view.shown.toStdString();
        const Log log = trace_.TakeLog();
        EXPECT_TRUE(Has(log, "message " + std::to_string(kMsgReadDataFailed)));
        EXPECT_TRUE(Has(log, "end measure"));
    }

    // The card back in: the same sizes as before.
    LeavingCard card("book_gsm_sim.json");
    CardInformation info(library_);
    RecordingInfoView view(trace_);
    ASSERT_TRUE(RunInfo(info, view));
    EXPECT_EQ(view.shown, sizes);
}

TEST_F(FaultsThroughPcscd, PcscdStoppedDuringALoadIsReportedAndALoadAfterItsReturnWorks) {
    auto card = std::make_unique<CardInSlot>(Profile("book_gsm_sim.json"));
    ASSERT_TRUE(Load(BookKind::Phone));
    const std::size_t rows = load_.rows.size();
    ASSERT_GT(rows, 0u);
    trace_.TakeLog();

    ASSERT_TRUE(loader_.Start(BookKind::Phone, pins_, prompt_, load_));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return loader_.Tick(load_) || (!load_.percents.empty() && load_.percents.back() >= 10);
        },
        20));
    ASSERT_TRUE(loader_.Running()) << "the Load ended before pcscd could be stopped";
    PcscdStopped service;
    ASSERT_TRUE(service.Stopped());
    // The Load ends by itself and says so.
    ASSERT_TRUE(WaitUntil(
        [&] {
            loader_.Tick(load_);
            return !loader_.Running();
        },
        30));
    const Log log = trace_.TakeLog();
    EXPECT_TRUE(HasPrefix(log, "message ")) << "nothing reported";
    EXPECT_GT(books_->phone.unreadable.count(), 0u);

    // Without the service a Load fails at once with a clear message.
    EXPECT_FALSE(Load(BookKind::Phone) && books_->phone.unreadable.none());
    EXPECT_TRUE(Has(trace_.TakeLog(), "message " + std::to_string(kMsgConnectFailed)));

    // The service back and the card in again: the whole book loads.
    ASSERT_TRUE(service.Back());
    card.reset();
    card = std::make_unique<CardInSlot>(Profile("book_gsm_sim.json"));
    ASSERT_TRUE(Load(BookKind::Phone));
    EXPECT_EQ(books_->phone.unreadable.count(), 0u);
    EXPECT_EQ(load_.rows.size(), rows);
}

} // namespace
} // namespace brisken
