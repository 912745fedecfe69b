// The log pane as a model: the lines the window shows, at most kMaxLines of
// them, and the file that keeps every line of a session.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orrick {

class LogPane {
public:
    // Reaching this many lines drops the oldest ones.
    static constexpr size_t kMaxLines = 100;
    using LineObserver = std::function<void(const std::string& line)>;

    // Sees every new line once, in order, also those the pane drops later.
    void SetObserver(LineObserver observer);

    // Callers end their lines with "\r\n"; a text without an ending still
    // makes a line of its own, as the pane shows it.
    void Append(std::string_view text);

    std::vector<std::string> Lines() const;
    size_t LineCount() const;
    // Grows with every appended text, so that a view redraws only on change.
    uint64_t Revision() const;
    // What the pane shows: every line followed by "\r\n".
    std::string Text() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::string> lines_;
    uint64_t revision_ = 0;
    LineObserver observer_;
};

// Splits an appended text into the pane's lines ("\r\n" or "\n" ends a line).
std::vector<std::string> SplitLogText(std::string_view text);

// Appends the session's log to a file, one line at a time, flushed at once so
// that a crash or a pulled plug loses nothing already shown.
class LogSink {
public:
    // Opens FILE for appending; on failure returns null and says why in error.
    static std::unique_ptr<LogSink> Open(const std::filesystem::path& file, std::string& error);

    void WriteLine(const std::string& line);
    // A verdict label of slot 0..7 changed to text (file only, not in the pane).
    void WriteVerdict(int slot, const std::string& text);
    // A write to the file failed at some point.
    bool Failed() const;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    explicit LogSink(std::FILE* file) : file_(file) {}
    void Put(const std::string& line);

    mutable std::mutex mutex_;
    std::unique_ptr<std::FILE, FileCloser> file_;
    bool failed_ = false;
};

} // namespace orrick
