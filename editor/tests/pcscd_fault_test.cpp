// Faults through the real stack: the card leaving in the middle of a
// file-map walk, and pcscd going away in the middle of a Load. Each checks
// what the user is told, that nothing hangs, and that the editor works again
// once the card or the service is back.
#include "core/card_information.h"
#include "core/card_load.h"
#include "core/catalogue.h"
#include "load_test_support.h"
#include "pcscd_card_support.h"
#include "profile.h"
#include "sandbox_pcscd.h"
#include "virtual_card.h"
#include "vpcd_link.h"

#include <sys/socket.h>
#include <unistd.h>
#include <winscard.h>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

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

std::string Joined(const Log& log) {
    std::string text;
    for (const std::string& line : log) {
        text += line + "\n";
    }
    return text;
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
// answers and, when told, is pulled out as command `leaveAt` arrives, or keeps
// command `holdAt` unanswered until released.
struct CardFault {
    int leaveAt = -1;
    int holdAt = -1;
};

class FaultyCard {
public:
    explicit FaultyCard(const char* profile, CardFault fault = {})
        : card_(simcard::LoadProfile(Profile(profile))), fault_(fault) {
        const char* portText = std::getenv("SANDBOX_PORT");
        const int port = (portText ? std::atoi(portText) : 35990) + 2;
        fd_ = simcard::ConnectToReader("127.0.0.1", static_cast<std::uint16_t>(port));
        if (fd_ < 0) {
            throw std::runtime_error("no vpcd reader on port " + std::to_string(port));
        }
        server_ = std::thread([this] { Serve(); });
        if (!WaitForCard(true)) {
            Release();
            shutdown(fd_, SHUT_RDWR);
            server_.join();
            close(fd_);
            throw std::runtime_error("the card did not appear in the reader");
        }
    }
    ~FaultyCard() {
        Release();
        shutdown(fd_, SHUT_RDWR);
        server_.join();
        close(fd_);
        WaitForCard(false);
    }
    FaultyCard(const FaultyCard&) = delete;
    FaultyCard& operator=(const FaultyCard&) = delete;

    int Commands() const { return commands_; }
    bool Left() const { return left_; }
    bool WaitHeld(int seconds) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(seconds), [this] { return held_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    void Serve() {
        while (std::optional<simcard::Bytes> message = simcard::ReadMessage(fd_)) {
            // One byte is a control of the reader; anything longer a command.
            if (message->size() > 1) {
                if (commands_ == fault_.leaveAt) {
                    left_ = true;
                    shutdown(fd_, SHUT_RDWR);
                    return;
                }
                if (commands_ == fault_.holdAt) {
                    std::unique_lock lock(mutex_);
                    held_ = true;
                    changed_.notify_all();
                    changed_.wait(lock, [this] { return released_; });
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
    const CardFault fault_;
    std::atomic<int> commands_{0};
    std::atomic<bool> left_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool released_ = false;
    int fd_ = -1;
    std::thread server_;
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
        FaultyCard card("book_gsm_sim.json");
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
        FaultyCard card("book_gsm_sim.json", {.leaveAt = identified + (walked - identified) / 2});
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
    FaultyCard card("book_gsm_sim.json");
    CardInformation info(library_);
    RecordingInfoView view(trace_);
    ASSERT_TRUE(RunInfo(info, view));
    EXPECT_EQ(view.shown, sizes);
}

TEST_F(FaultsThroughPcscd, PcscdStoppedDuringALoadIsReportedAndALoadAfterItsReturnWorks) {
    // A whole Load first: its rows, and how many commands it takes.
    int started = 0, loaded = 0;
    std::size_t rows = 0;
    {
        FaultyCard card("book_gsm_sim.json");
        ASSERT_TRUE(loader_.Start(BookKind::Phone, pins_, prompt_, load_));
        started = card.Commands();
        ASSERT_TRUE(WaitUntil([&] { return loader_.Tick(load_); }, 20));
        loaded = card.Commands();
        rows = load_.rows.size();
    }
    ASSERT_GT(rows, 0u);
    ASSERT_GT(loaded - started, 100);
    trace_.TakeLog();

    // pcscd goes while a command half-way through the book is on its way.
    auto card = std::make_unique<FaultyCard>("book_gsm_sim.json",
                                             CardFault{.holdAt = started + (loaded - started) / 2});
    ASSERT_TRUE(loader_.Start(BookKind::Phone, pins_, prompt_, load_));
    ASSERT_TRUE(card->WaitHeld(20));
    sandbox::PcscdStopped service;
    ASSERT_TRUE(service.Stopped());
    card->Release();
    // The Load ends by itself (the timer's tick that completes it) and says so.
    ASSERT_TRUE(WaitUntil([&] { return loader_.Tick(load_); }, 30));
    EXPECT_FALSE(loader_.Running());
    // The records not read are counted to the user and marked.
    const Log log = trace_.TakeLog();
    const auto reported = std::find_if(log.begin(), log.end(), [](const std::string& l) {
        return l.starts_with("message " + std::to_string(kMsgRecordsNotRead) + " ");
    });
    ASSERT_NE(reported, log.end()) << Joined(log);
    const int unread = std::stoi(reported->substr(reported->rfind(' ') + 1));
    EXPECT_GT(unread, 0);
    EXPECT_EQ(static_cast<int>(books_->phone.unreadable.count()), unread);

    // Without the service a Load stops at once with the connect message.
    EXPECT_FALSE(Load(BookKind::Phone));
    EXPECT_TRUE(Has(trace_.TakeLog(), "message " + std::to_string(kMsgConnectFailed)));

    // The service back and the card in again: the whole book loads.
    ASSERT_TRUE(service.Back());
    card.reset();
    card = std::make_unique<FaultyCard>("book_gsm_sim.json");
    ASSERT_TRUE(Load(BookKind::Phone));
    EXPECT_EQ(books_->phone.unreadable.count(), 0u);
    EXPECT_EQ(load_.rows.size(), rows);
}

} // namespace
} // namespace brisken
