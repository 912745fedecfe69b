// Scripted production-line sessions: a JSON list of timed events (the reader
// plugged and unplugged, cards inserted and removed) played against the
// simulated reader and the tester's device events.
//
//   {"events": [
//     {"at_ms": 0,    "event": "plug"},
//     {"at_ms": 300,  "event": "insert", "slot": 1, "image": "sd.img", "sectors": 65536},
//     {"at_ms": 300,  "event": "insert", "slot": 0, "image": "wp.img", "sectors": 8192,
//      "write_protect": true},
//     {"at_ms": 3000, "event": "remove", "slot": 1},
//     {"at_ms": 3500, "event": "insert", "slot": 4, "image": "ms.img", "sectors": 8192,
//      "init_fail": true},
//     {"at_ms": 5000, "event": "unplug"},
//     {"at_ms": 6000, "event": "quit"}
//   ]}
//
// at_ms counts from program start; slot is the tester's slot index 0..6;
// image is relative to the scenario file and made (sparse, sectors long)
// when missing. Unplugging takes the reader away with its cards: the next
// plug brings a reader with empty slots.
#pragma once

#include "device_events.h"
#include "sim_reader.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace simreader {

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ScenarioAction { Plug, Unplug, Insert, Remove, Quit };

struct ScenarioEvent {
    int64_t atMs = 0;
    ScenarioAction action = ScenarioAction::Quit;
    int slot = -1;
    std::filesystem::path image; // resolved against the scenario's folder
    uint32_t sectors = 0;
    bool writeProtect = false;
    bool initFail = false;
};

struct Scenario {
    std::vector<ScenarioEvent> events; // in playing order (by at_ms, stable)
};

constexpr int kScenarioSlots = 7;
constexpr int64_t kScenarioMaxMs = 0x7FFFFFFF; // about 24 days

// Throws ScenarioError with the event's index and what is wrong.
Scenario ParseScenario(std::string_view json, const std::filesystem::path& baseDir);
Scenario LoadScenario(const std::filesystem::path& file);
// Makes every missing card image as a sparse file of its sector count.
void PrepareImages(const Scenario& scenario);

class ScenarioPlayer {
public:
    ScenarioPlayer(Scenario scenario, SimReaderBackend& backend, size_t controller,
                   orrick::DeviceEvents& events);

    // Plays the events at start + at_ms. Returns true when a quit event ended
    // the session, false when RequestStop did; after the last event without
    // a quit it waits for RequestStop.
    bool Play(std::chrono::steady_clock::time_point start);
    // Safe from any thread (not from a signal handler).
    void RequestStop();

    // Problems found while playing (a slot this reader does not have).
    std::function<void(const std::string&)> onProblem;

private:
    void Apply(const ScenarioEvent& event);
    void Problem(const std::string& text);

    Scenario scenario_;
    SimReaderBackend& backend_;
    size_t controller_;
    orrick::DeviceEvents& events_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
};

} // namespace simreader
