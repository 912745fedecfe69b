#include "log_pane.h"

#include <cerrno>
#include <cstring>

namespace orrick {

std::vector<std::string> SplitLogText(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

void LogPane::SetObserver(LineObserver observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void LogPane::Append(std::string_view text) {
    std::lock_guard lock(mutex_);
    ++revision_;
    for (std::string& line : SplitLogText(text)) {
        // Under the lock, so that the file keeps the pane's order.
        if (observer_)
            observer_(line);
        lines_.push_back(std::move(line));
    }
    // The newest lines always stay, however many one text brought.
    if (lines_.size() >= kMaxLines)
        lines_.erase(lines_.begin(),
                     lines_.begin() + static_cast<std::ptrdiff_t>(lines_.size() - (kMaxLines - 1)));
}

std::vector<std::string> LogPane::Lines() const {
    std::lock_guard lock(mutex_);
    return {lines_.begin(), lines_.end()};
}

size_t LogPane::LineCount() const {
    std::lock_guard lock(mutex_);
    return lines_.size();
}

uint64_t LogPane::Revision() const {
    std::lock_guard lock(mutex_);
    return revision_;
}

std::string LogPane::Text() const {
    std::lock_guard lock(mutex_);
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::unique_ptr<LogSink> LogSink::Open(const std::filesystem::path& file, std::string& error) {
    std::FILE* f = std::fopen(file.c_str(), "a");
    if (!f) {
        error = "cannot open log file " + file.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<LogSink>(new LogSink(f));
}

void LogSink::Put(const std::string& line) {
    std::lock_guard lock(mutex_);
    if (std::fputs(line.c_str(), file_.get()) < 0 || std::fputc('\n', file_.get()) == EOF ||
        std::fflush(file_.get()) != 0)
        failed_ = true;
}

void LogSink::WriteLine(const std::string& line) {
    Put(line);
}

void LogSink::WriteVerdict(int slot, const std::string& text) {
    Put("verdict " + std::to_string(slot) + " " + text);
}

bool LogSink::Failed() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

} // namespace orrick
