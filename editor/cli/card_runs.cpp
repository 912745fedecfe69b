#include "cli/card_runs.h"

#include "cli/cli_options.h"
#include "core/card_information.h"
#include "core/card_load.h"
#include "core/card_save.h"
#include "core/catalogue.h"
#include "core/language.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include <unistd.h>

namespace brisken::cli {
namespace {

// The window ticks every 50 ms; nobody watches a terminal for that long.
constexpr auto kTickPeriod = std::chrono::milliseconds(10);

// The count in a "records not read / written" message.
int CountIn(const QString& argument) {
    bool number = false;
    const int count = argument.toInt(&number);
    return number ? count : 0;
}

class LoadToConsole final : public LoadView {
public:
    LoadToConsole(Console& console, BookKind kind) : console_(console), kind_(kind) {}

    void Message(int messageId, const QString& argument) override {
        console_.EndProgress();
        if (messageId == kMsgRecordsNotRead) {
            unreadable = CountIn(argument);
            console_.Say(QStringLiteral("%1: %2 record(s) could not be read")
                             .arg(BookName(kind_), argument));
            return;
        }
        failedMessage = messageId;
        console_.Message(messageId, argument);
    }
    void SetProgress(int percent) override {
        console_.Progress(QStringLiteral("reading %1").arg(BookName(kind_)), percent);
    }
    void StopTimer() override {}
    void ShowCardType(CardFamily shown) override { family = shown; }
    void ShowIdentity(const QString& shown) override { iccid = shown; }
    void BeginRead() override {}
    void ShowRows(BookKind, const std::vector<BookRow>&, int) override {}
    void ShowStatus(BookKind, const QString&) override {}
    void EndRead() override { console_.EndProgress(); }

    int unreadable = 0;
    int failedMessage = 0;
    CardFamily family = CardFamily::Unknown;
    QString iccid;

private:
    Console& console_;
    BookKind kind_;
};

class SaveToConsole final : public SaveView {
public:
    SaveToConsole(Console& console, BookKind kind) : console_(console), kind_(kind) {}

    void Message(int messageId, const QString& argument) override {
        console_.EndProgress();
        // The window's wording speaks of Save; the summary says it here.
        if (messageId != kMsgRecordsNotWritten) {
            console_.Message(messageId, argument);
        }
    }
    void SetProgress(int percent) override {
        console_.Progress(QStringLiteral("writing %1").arg(BookName(kind_)), percent);
    }
    void StopTimer() override {}
    void BeginWrite() override {}
    void ShowWritten(BookKind, const std::bitset<kStoreSlots>&) override {}
    void ShowStatus(BookKind, const QString&) override {}
    void EndWrite() override { console_.EndProgress(); }

private:
    Console& console_;
    BookKind kind_;
};

class MeasureToConsole final : public CardInfoView {
public:
    explicit MeasureToConsole(Console& console) : console_(console) {}

    void Message(int messageId, const QString& argument) override {
        console_.EndProgress();
        console_.Message(messageId, argument);
    }
    void SetProgress(int percent) override {
        console_.Progress(QStringLiteral("measuring the card"), percent);
    }
    void StopTimer() override {}
    void ShowCardType(CardFamily) override {}
    // The window's pauses are for the eye; a terminal need not wait.
    void Pause(int) override {}
    void BeginMeasure() override {}
    void EndMeasure(bool succeeded) override {
        console_.EndProgress();
        measured = succeeded;
    }
    void ShowText(const QString&) override {}

    bool measured = false;

private:
    Console& console_;
};

} // namespace

Console::Console(bool quiet) : bar_(!quiet && ::isatty(STDERR_FILENO) == 1) {}

void Console::Say(const QString& text) const {
    const QByteArray line = QStringLiteral("brisken-cli: %1\n").arg(text).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
}

void Console::Message(int messageId, const QString& argument) const {
    QString text = Text(messageId);
    if (!argument.isEmpty()) {
        text = text.arg(argument);
    }
    Say(text.simplified());
}

void Console::Progress(const QString& label, int percent) {
    if (!bar_ || percent == lastPercent_) {
        return;
    }
    lastPercent_ = percent;
    constexpr int kWidth = 30;
    const int filled = std::clamp(percent, 0, 100) * kWidth / 100;
    const QByteArray line = QStringLiteral("\r%1 [%2%3] %4%")
                                .arg(label, QString(filled, u'#'), QString(kWidth - filled, u' '))
                                .arg(percent, 3)
                                .toUtf8();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
    drawn_ = true;
}

void Console::EndProgress() {
    if (drawn_) {
        std::fputs("\n", stderr);
        std::fflush(stderr);
    }
    drawn_ = false;
    lastPercent_ = -1;
}

int FailureExit(const CodePrompt& prompt) {
    // No code to give is the caller's to fix; a refused one is the card's.
    return *prompt.Problem() != '\0' ? kExitUsage : kExitCard;
}

BookRead LoadBook(CardLibrary& library, BookKind kind, Books& books, PinRunner& pins,
                  CodePrompt& prompt, Console& console) {
    BookRead read;
    LoadToConsole view(console, kind);
    BookLoader loader(library, books);
    if (!loader.Start(kind, pins, prompt, view)) {
        if (*prompt.Problem() != '\0') {
            console.Say(QString::fromLatin1(prompt.Problem()));
        }
        read.exitCode = FailureExit(prompt);
        read.failedMessage = view.failedMessage;
        read.family = view.family;
        return read;
    }
    while (!loader.Tick(view)) {
        std::this_thread::sleep_for(kTickPeriod);
    }
    read.loaded = true;
    read.unreadable = view.unreadable;
    read.family = view.family;
    read.iccid = view.iccid;
    return read;
}

BookWrite SaveBook(CardLibrary& library, BookKind kind, Books& books, PinRunner& pins,
                   CodePrompt& prompt, Console& console) {
    BookWrite write;
    SaveToConsole view(console, kind);
    BookSaver saver(library, books);
    if (!saver.Start(kind, pins, prompt, view)) {
        if (*prompt.Problem() != '\0') {
            console.Say(QString::fromLatin1(prompt.Problem()));
        }
        write.exitCode = FailureExit(prompt);
        return write;
    }
    while (!saver.Tick(view)) {
        std::this_thread::sleep_for(kTickPeriod);
    }
    write.started = true;
    write.outcome = saver.Outcome();
    return write;
}

CardSizes MeasureCard(CardLibrary& library, Console& console) {
    MeasureToConsole view(console);
    CardInformation information(library);
    CardSizes sizes;
    if (!information.Start(view)) {
        return sizes;
    }
    while (!information.Tick(view)) {
        std::this_thread::sleep_for(kTickPeriod);
    }
    sizes.measured = view.measured;
    sizes.totalBytes = view.measured ? information.MeasuredTotal() : 0;
    return sizes;
}

QString FamilyName(CardFamily family) {
    switch (family) {
    case CardFamily::GsmSim:
        return QStringLiteral("GSM SIM");
    case CardFamily::Usim:
        return QStringLiteral("USIM");
    case CardFamily::Ruim:
        return QStringLiteral("R-UIM");
    case CardFamily::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

} // namespace brisken::cli
