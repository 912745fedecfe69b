// A window and dialogs that write what they are asked to show into the
// scripted library's log, so a test reads one sequence of everything.
#pragma once

#include "core/card_information.h"
#include "core/card_load.h"
#include "core/card_save.h"
#include "scripted_card_library.h"

#include <chrono>
#include <deque>
#include <optional>
#include <thread>

namespace brisken::testing {

class RecordingView final : public LoadView {
public:
    explicit RecordingView(ScriptedCardLibrary& library) : library_(library) {}

    void Message(int id, const QString& argument) override {
        library_.Note("message " + std::to_string(id) +
                      (argument.isEmpty() ? "" : " " + argument.toStdString()));
    }
    void ShowCardType(CardFamily family) override {
        static const char* const kNames[] = {"unknown", "GSM SIM", "USIM", "R-UIM"};
        library_.Note(std::string("card type ") + kNames[static_cast<int>(family)]);
    }
    void ShowIdentity(const QString& iccid) override {
        library_.Note("identity " + iccid.toStdString());
    }
    void BeginRead() override { library_.Note("begin read"); }
    void SetProgress(int percent) override { percents.push_back(percent); }
    void StopTimer() override { library_.Note("stop timer"); }
    void ShowRows(BookKind, const std::vector<BookRow>& shown, int selected) override {
        rows = shown;
        selectedRow = selected;
        library_.Note("rows " + std::to_string(shown.size()));
    }
    void ShowStatus(BookKind, const QString& line) override {
        library_.Note("status " + line.toStdString());
    }
    void EndRead() override { library_.Note("end read"); }

    std::vector<int> percents;
    std::vector<BookRow> rows;
    int selectedRow = -2;

private:
    ScriptedCardLibrary& library_;
};

class RecordingSaveView final : public SaveView {
public:
    explicit RecordingSaveView(ScriptedCardLibrary& library) : library_(library) {}

    void Message(int id, const QString& argument) override {
        library_.Note("message " + std::to_string(id) +
                      (argument.isEmpty() ? "" : " " + argument.toStdString()));
    }
    void BeginWrite() override { library_.Note("begin write"); }
    void SetProgress(int percent) override { percents.push_back(percent); }
    void StopTimer() override { library_.Note("stop timer"); }
    void ShowWritten(BookKind, const std::bitset<kStoreSlots>& failedSlots) override {
        failed = failedSlots;
        library_.Note("rows drawn, " + std::to_string(failedSlots.count()) + " failed");
    }
    void ShowStatus(BookKind, const QString& line) override {
        library_.Note("status " + line.toStdString());
    }
    void EndWrite() override { library_.Note("end write"); }

    std::vector<int> percents;
    std::bitset<kStoreSlots> failed;

private:
    ScriptedCardLibrary& library_;
};

class RecordingInfoView final : public CardInfoView {
public:
    explicit RecordingInfoView(ScriptedCardLibrary& library) : library_(library) {}

    void Message(int id, const QString&) override {
        library_.Note("message " + std::to_string(id));
    }
    void SetProgress(int percent) override { percents.push_back(percent); }
    void StopTimer() override { library_.Note("stop timer"); }
    void ShowCardType(CardFamily family) override {
        static const char* const kNames[] = {"unknown", "GSM SIM", "USIM", "R-UIM"};
        library_.Note(std::string("card type ") + kNames[static_cast<int>(family)]);
    }
    void Pause(int milliseconds) override { pauses.push_back(milliseconds); }
    void BeginMeasure() override { library_.Note("begin measure"); }
    void EndMeasure(bool succeeded) override {
        library_.Note(succeeded ? "end measure, New enabled" : "end measure");
    }
    void ShowText(const QString& text) override { shown = text; }

    std::vector<int> percents;
    std::vector<int> pauses;
    QString shown;

private:
    ScriptedCardLibrary& library_;
};

class ScriptedPrompt final : public PinPrompt {
public:
    explicit ScriptedPrompt(ScriptedCardLibrary& library) : library_(library) {}

    bool AskCode(bool unblock, int retries, SecretText& code) override {
        library_.Note(std::string(unblock ? "ask PUK " : "ask PIN ") + std::to_string(retries));
        return Answer(codes, code);
    }
    bool AskNewPin(bool unblock, SecretText& newPin, SecretText& confirmed) override {
        library_.Note(unblock ? "ask new PIN (unblock)" : "ask new PIN");
        return Answer(newPins, newPin) && Answer(newPins, confirmed);
    }

    // nullopt answers Cancel.
    std::deque<std::optional<std::u16string>> codes;
    std::deque<std::optional<std::u16string>> newPins;

private:
    static bool Answer(std::deque<std::optional<std::u16string>>& queue, SecretText& out) {
        if (queue.empty() || !queue.front()) {
            if (!queue.empty()) {
                queue.pop_front();
            }
            return false;
        }
        out.Set(queue.front()->data(), queue.front()->size());
        queue.pop_front();
        return true;
    }

    ScriptedCardLibrary& library_;
};

// Load as the window runs it: Start, then the timer until completion.
inline bool RunLoad(BookLoader& loader, BookKind kind, PinRunner& pins, PinPrompt& prompt,
                    RecordingView& view) {
    if (!loader.Start(kind, pins, prompt, view)) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!loader.Tick(view)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Save as the window runs it.
inline bool RunSave(BookSaver& saver, BookKind kind, PinRunner& pins, PinPrompt& prompt,
                    RecordingSaveView& view) {
    if (!saver.Start(kind, pins, prompt, view)) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!saver.Tick(view)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace brisken::testing
