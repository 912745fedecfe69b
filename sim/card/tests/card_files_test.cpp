// The saved copy of a card's files, and simcard-vpcd writing it when stopped.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "card_files.h"
#include "profile.h"
#include "virtual_card.h"
#include "vpcd_link.h"

using simcard::Bytes;

namespace {

std::string Profile(const char* name) {
    return std::string(SIM_PROFILE_DIR) + "/" + name;
}

Bytes Apdu(const std::string& hex) {
    return simcard::ParseHex(hex);
}

// UPDATE RECORD 1 of the current EF, absolute mode, with `length` bytes of
// `fill`, in class `cla`.
Bytes UpdateRecordOne(const std::string& cla, int length, std::uint8_t fill) {
    Bytes apdu = Apdu(cla + " DC 01 04");
    apdu.push_back(static_cast<std::uint8_t>(length));
    apdu.insert(apdu.end(), static_cast<std::size_t>(length), fill);
    return apdu;
}

TEST(CardFiles, SavedCopyHoldsEveryEfAsTheCardHasItNow) {
    simcard::VirtualCard card(simcard::LoadProfile(Profile("book_usim_global.json")));
    for (const char* select :
         {"00 A4 00 04 02 7F 10", "00 A4 00 04 02 5F 3A", "00 A4 00 04 02 4F 3B"})
        ASSERT_EQ(simcard::FormatHex(card.Process(Apdu(select))).substr(0, 2), "61") << select;
    const Bytes ok = card.Process(UpdateRecordOne("00", 28, 0x41));
    ASSERT_EQ(simcard::FormatHex(ok), "90 00");

    const nlohmann::json saved = nlohmann::json::parse(simcard::SaveFiles(card).dump());
    const Bytes adn = simcard::SavedFile(saved, {0x7F10, 0x5F3A, 0x4F3B});
    EXPECT_EQ(adn, card.Contents({0x7F10, 0x5F3A, 0x4F3B}));
    EXPECT_EQ(Bytes(adn.begin(), adn.begin() + 28), Bytes(28, 0x41));
    // Files under the MF, a DF and an ADF alike; directories are no entries.
    EXPECT_EQ(simcard::SavedFile(saved, {0x7FFF, 0x6F3C}), card.Contents({0x7FFF, 0x6F3C}));
    EXPECT_FALSE(saved.contains("7F10"));
    EXPECT_EQ(simcard::FileKey({0x7FFF, 0x6F3C}), "7FFF/6F3C");
    EXPECT_EQ(simcard::FileKey({0x2FE2}), "2FE2");
}

TEST(CardFiles, MissingOrDamagedEntriesAreErrors) {
    const nlohmann::json saved = {{"2FE2", "98 94 00"}, {"6F07", "ZZ"}, {"6F08", 5}};
    EXPECT_EQ(simcard::SavedFile(saved, {0x2FE2}), Bytes({0x98, 0x94, 0x00}));
    EXPECT_THROW(simcard::SavedFile(saved, {0x7F10, 0x6F3A}), std::runtime_error);
    EXPECT_THROW(simcard::SavedFile(saved, {0x6F07}), std::runtime_error);
    EXPECT_THROW(simcard::SavedFile(saved, {0x6F08}), std::runtime_error);
    EXPECT_THROW(simcard::SavedFile(nlohmann::json::array(), {0x2FE2}), std::runtime_error);
}

// simcard-vpcd against a reader of this test: a listening socket that speaks
// the vpcd framing.
class CardProgram : public testing::Test {
protected:
    void SetUp() override {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_GE(listener_, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(listener_, 1), 0);
        socklen_t length = sizeof address;
        ASSERT_EQ(getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length), 0);
        port_ = ntohs(address.sin_port);
        dir_ =
            std::filesystem::temp_directory_path() / ("simcard-save-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        if (reader_ >= 0)
            close(reader_);
        if (listener_ >= 0)
            close(listener_);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::filesystem::remove_all(dir_);
    }

    void Start(const std::vector<std::string>& extra) {
        std::vector<std::string> args = {SIMCARD_VPCD_PROGRAM};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back("--card");
        args.push_back(std::to_string(port_) + ":" + Profile("book_gsm_sim.json"));
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            std::vector<char*> argv;
            for (std::string& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        reader_ = accept(listener_, nullptr, nullptr);
        ASSERT_GE(reader_, 0);
    }

    std::string Send(const Bytes& apdu) {
        if (!simcard::WriteMessage(reader_, apdu))
            return "write failed";
        auto answer = simcard::ReadMessage(reader_);
        return answer ? simcard::FormatHex(*answer) : "no answer";
    }

    // Signals the program and returns its wait status.
    int Stop(int signal) {
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

    int listener_ = -1, reader_ = -1, port_ = 0;
    pid_t pid_ = -1;
    std::filesystem::path dir_;
};

TEST_F(CardProgram, StopSavesTheFilesAsWrittenAndTakesTheCardOut) {
    const std::string save = (dir_ / "card.json").string();
    Start({"--save", save});
    ASSERT_EQ(Send({0x04}), "3B 02 14 50");
    ASSERT_EQ(Send(Apdu("A0 A4 00 00 02 7F 10")).substr(0, 2), "9F");
    ASSERT_EQ(Send(Apdu("A0 A4 00 00 02 6F 3A")).substr(0, 2), "9F");
    ASSERT_EQ(Send(UpdateRecordOne("A0", 28, 0x5A)), "90 00");

    const int status = Stop(SIGTERM);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(simcard::ReadMessage(reader_).has_value()); // the card is out
    EXPECT_FALSE(std::filesystem::exists(save + ".part"));

    std::ifstream in(save);
    const nlohmann::json saved = nlohmann::json::parse(in);
    ASSERT_TRUE(saved.contains(std::to_string(port_)));
    const Bytes adn = simcard::SavedFile(saved[std::to_string(port_)], {0x7F10, 0x6F3A});
    EXPECT_EQ(Bytes(adn.begin(), adn.begin() + 28), Bytes(28, 0x5A));
    // The rest of the file is as the profile left it.
    simcard::VirtualCard fresh(simcard::LoadProfile(Profile("book_gsm_sim.json")));
    const Bytes& before = fresh.Contents({0x7F10, 0x6F3A});
    EXPECT_EQ(Bytes(adn.begin() + 28, adn.end()), Bytes(before.begin() + 28, before.end()));
}

TEST_F(CardProgram, WithoutSaveAStopEndsItAsBefore) {
    Start({});
    ASSERT_EQ(Send({0x04}), "3B 02 14 50");
    const int status = Stop(SIGTERM);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(CardProgram, UnwritableSaveFileIsReportedByTheExitStatus) {
    Start({"--save", (dir_ / "missing" / "card.json").string()});
    ASSERT_EQ(Send({0x04}), "3B 02 14 50");
    const int status = Stop(SIGINT);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

} // namespace
