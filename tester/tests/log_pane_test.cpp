// The log pane's line rule and the session log file.
#include "log_pane.h"
#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace orrick::testing {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(LogPaneTest, TextsBecomeLinesWhateverTheirEnding) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(SplitLogText("CF slot WP .. !!\r\n"), Lines{"CF slot WP .. !!"});
    EXPECT_EQ(SplitLogText("Device plug in !! "), Lines{"Device plug in !! "});
    EXPECT_EQ(SplitLogText("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLogText("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLogText(""), Lines{});

    LogPane pane;
    pane.Append("Device plug in !! ");
    pane.Append("Found Device !! ");
    pane.Append("=== CHECK ROM ===\r\nCheck Rom OK !! \r\n");
    EXPECT_EQ(
        pane.Text(),
        "Device plug in !! \r\nFound Device !! \r\n=== CHECK ROM ===\r\nCheck Rom OK !! \r\n");
}

TEST(LogPaneTest, NeverHoldsMoreThanAHundredLinesAndKeepsTheNewest) {
    LogPane pane;
    std::vector<std::string> seen;
    pane.SetObserver([&](const std::string& line) { seen.push_back(line); });
    int written = 0;
    for (int text = 0; text < 120; ++text) {
        // Texts of one to three lines, so that a text can cross the limit.
        std::string chunk;
        for (int i = 0; i <= text % 3; ++i)
            chunk += "line " + std::to_string(written++) + "\r\n";
        pane.Append(chunk);
        ASSERT_LT(pane.LineCount(), LogPane::kMaxLines);
    }
    const auto lines = pane.Lines();
    EXPECT_EQ(lines.size(), LogPane::kMaxLines - 1);
    EXPECT_EQ(lines.back(), "line " + std::to_string(written - 1));
    EXPECT_EQ(lines.front(), "line " + std::to_string(written - 99));
    // The observer (the log file) saw every line, the dropped ones included.
    ASSERT_EQ(seen.size(), static_cast<size_t>(written));
    EXPECT_EQ(seen.front(), "line 0");
}

TEST(LogSinkTest, AppendsLinesAndVerdictsFlushedAsTheyCome) {
    TempDir dir;
    const auto path = dir.path() / "session.log";
    std::ofstream(path) << "earlier session\n";
    std::string error;
    auto sink = LogSink::Open(path, error);
    ASSERT_TRUE(sink) << error;
    sink->WriteLine("Device Found!!");
    sink->WriteVerdict(1, "Pass-(4)");
    sink->WriteVerdict(kSlotCount, "NG-(0)");
    // Readable while the sink is still open.
    EXPECT_EQ(ReadFile(path),
              "earlier session\nDevice Found!!\nverdict 1 Pass-(4)\nverdict 7 NG-(0)\n");
    EXPECT_FALSE(sink->Failed());

    EXPECT_FALSE(LogSink::Open(dir.path(), error));
    EXPECT_NE(error.find(dir.path().string()), std::string::npos);
}

} // namespace
} // namespace orrick::testing
