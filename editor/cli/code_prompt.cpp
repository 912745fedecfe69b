#include "cli/code_prompt.h"

#include <cerrno>
#include <cstdio>
#include <string.h>
#include <string>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace brisken::cli {
namespace {

// The terminal's echo is off for the life of this object.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (tcgetattr(fd_, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
            quiet.c_lflag |= ICANON;
            active_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff() {
        if (active_) {
            tcsetattr(fd_, TCSAFLUSH, &saved_);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    bool Active() const { return active_; }

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

void Say(int fd, const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
}

} // namespace

LineResult ReadSecretLine(int fd, SecretText& text) {
    text.Clear();
    char16_t units[SecretText::kCapacity] = {};
    std::size_t length = 0;
    bool tooLong = false;
    bool any = false;
    for (;;) {
        unsigned char byte = 0;
        const ssize_t n = ::read(fd, &byte, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::explicit_bzero(units, sizeof units);
            return LineResult::Failed;
        }
        if (n == 0) {
            if (!any) {
                return LineResult::End;
            }
            break;
        }
        any = true;
        if (byte == '\n') {
            break;
        }
        if (byte == '\r') {
            continue;
        }
        if (length < SecretText::kCapacity) {
            units[length++] = byte; // ISO 8859-1, as the card takes codes
        } else {
            tooLong = true; // read on to the line end, keep nothing more
        }
    }
    if (tooLong) {
        ::explicit_bzero(units, sizeof units);
        return LineResult::TooLong;
    }
    text.Set(units, length);
    ::explicit_bzero(units, sizeof units);
    return LineResult::Ok;
}

bool CodePrompt::Ask(const char* question, SecretText& answer) {
    asked_ = true;
    problem_ = "";
    LineResult result = LineResult::Failed;
    if (pinFd_ >= 0) {
        result = ReadSecretLine(pinFd_, answer);
    } else {
        const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (tty < 0) {
            problem_ = "no terminal to ask for the code; give it with --pin-fd N";
            return false;
        }
        {
            EchoOff quiet(tty);
            Say(tty, question);
            result = ReadSecretLine(tty, answer);
            Say(tty, "\n");
        }
        ::close(tty);
    }
    switch (result) {
    case LineResult::Ok:
        if (answer.size() == 0) {
            problem_ = "no code given";
            return false;
        }
        return true;
    case LineResult::End:
        problem_ = "no code given";
        return false;
    case LineResult::TooLong:
        // Cutting it would send another code and spend a try of the card.
        problem_ = "a code has at most 8 characters";
        return false;
    case LineResult::Failed:
        break;
    }
    problem_ = "the code could not be read";
    return false;
}

bool CodePrompt::AskCode(bool unblock, int retries, SecretText& code) {
    std::string question = unblock ? "PUK" : "PIN";
    if (retries >= 0) {
        question += " (" + std::to_string(retries) + (retries == 1 ? " try" : " tries") + " left)";
    }
    question += ": ";
    return Ask(question.c_str(), code);
}

bool CodePrompt::AskNewPin(bool, SecretText& newPin, SecretText& confirmed) {
    if (!Ask("New PIN: ", newPin)) {
        return false;
    }
    if (pinFd_ >= 0) {
        // A script gives the new code once; there is no typing to confirm.
        confirmed.Set(newPin.data(), newPin.size());
        return true;
    }
    return Ask("New PIN again: ", confirmed);
}

} // namespace brisken::cli
