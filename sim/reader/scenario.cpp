#include "scenario.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace simreader {
namespace {

using nlohmann::json;

[[noreturn]] void Fail(size_t index, const std::string& what) {
    throw ScenarioError("scenario event " + std::to_string(index) + ": " + what);
}

// A whole, non-negative number of at most max; floats and booleans are not.
int64_t WholeNumber(const json& value, size_t index, const char* key, int64_t max) {
    if (!value.is_number_integer())
        Fail(index, std::string("\"") + key + "\" must be a whole number");
    if (value.is_number_unsigned()) {
        if (value.get<uint64_t>() > static_cast<uint64_t>(max))
            Fail(index, std::string("\"") + key + "\" is too large");
        return static_cast<int64_t>(value.get<uint64_t>());
    }
    const int64_t n = value.get<int64_t>();
    if (n < 0)
        Fail(index, std::string("\"") + key + "\" must not be negative");
    if (n > max)
        Fail(index, std::string("\"") + key + "\" is too large");
    return n;
}

const json& Required(const json& event, size_t index, const char* key) {
    const auto it = event.find(key);
    if (it == event.end())
        Fail(index, std::string("missing \"") + key + "\"");
    return *it;
}

bool Flag(const json& event, size_t index, const char* key) {
    const auto it = event.find(key);
    if (it == event.end())
        return false;
    if (!it->is_boolean())
        Fail(index, std::string("\"") + key + "\" must be true or false");
    return it->get<bool>();
}

ScenarioAction ActionFromName(const std::string& name, size_t index) {
    if (name == "plug")
        return ScenarioAction::Plug;
    if (name == "unplug")
        return ScenarioAction::Unplug;
    if (name == "insert")
        return ScenarioAction::Insert;
    if (name == "remove")
        return ScenarioAction::Remove;
    if (name == "quit")
        return ScenarioAction::Quit;
    Fail(index, "unknown event \"" + name + "\"");
}

// Keys each event may carry; anything else is most likely a typing error
// that would silently change the session.
bool KnownKey(ScenarioAction action, const std::string& key) {
    if (key == "at_ms" || key == "event")
        return true;
    if (action == ScenarioAction::Remove)
        return key == "slot";
    if (action == ScenarioAction::Insert)
        return key == "slot" || key == "image" || key == "sectors" || key == "write_protect" ||
               key == "init_fail";
    return false;
}

ScenarioEvent ParseEvent(const json& e, size_t index, const std::filesystem::path& baseDir) {
    if (!e.is_object())
        Fail(index, "not an object");
    ScenarioEvent event;
    event.atMs = WholeNumber(Required(e, index, "at_ms"), index, "at_ms", kScenarioMaxMs);
    const json& name = Required(e, index, "event");
    if (!name.is_string())
        Fail(index, "\"event\" must be a text");
    event.action = ActionFromName(name.get<std::string>(), index);
    for (const auto& item : e.items())
        if (!KnownKey(event.action, item.key()))
            Fail(index,
                 "unexpected \"" + item.key() + "\" for \"" + name.get<std::string>() + "\"");
    if (event.action == ScenarioAction::Insert || event.action == ScenarioAction::Remove) {
        const json& slot = Required(e, index, "slot");
        if (!slot.is_number_integer())
            Fail(index, "\"slot\" must be a whole number");
        const int64_t n =
            slot.is_number_unsigned()
                ? static_cast<int64_t>(std::min<uint64_t>(slot.get<uint64_t>(), kScenarioSlots))
                : slot.get<int64_t>();
        if (n < 0 || n >= kScenarioSlots)
            Fail(index, "\"slot\" out of range (0 to 6)");
        event.slot = static_cast<int>(n);
    }
    if (event.action == ScenarioAction::Insert) {
        const json& image = Required(e, index, "image");
        if (!image.is_string() || image.get<std::string>().empty())
            Fail(index, "\"image\" must be a file name");
        const std::filesystem::path path = image.get<std::string>();
        if (path.is_absolute())
            Fail(index, "\"image\" must be relative to the scenario file");
        event.image = baseDir / path;
        event.sectors = static_cast<uint32_t>(
            WholeNumber(Required(e, index, "sectors"), index, "sectors", 0xFFFFFFFF));
        if (event.sectors == 0)
            Fail(index, "\"sectors\" must be at least 1");
        event.writeProtect = Flag(e, index, "write_protect");
        event.initFail = Flag(e, index, "init_fail");
    }
    return event;
}

} // namespace

Scenario ParseScenario(std::string_view text, const std::filesystem::path& baseDir) {
    const json root = json::parse(text.begin(), text.end(), nullptr, false);
    if (root.is_discarded())
        throw ScenarioError("scenario: not valid JSON");
    if (!root.is_object())
        throw ScenarioError("scenario: the top level must be an object");
    const auto events = root.find("events");
    if (events == root.end() || !events->is_array())
        throw ScenarioError("scenario: \"events\" must be a list");
    Scenario scenario;
    for (size_t i = 0; i < events->size(); ++i)
        scenario.events.push_back(ParseEvent((*events)[i], i, baseDir));
    std::stable_sort(
        scenario.events.begin(), scenario.events.end(),
        [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.atMs < b.atMs; });
    return scenario;
}

Scenario LoadScenario(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw ScenarioError("scenario: cannot read " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw ScenarioError("scenario: cannot read " + file.string());
    return ParseScenario(text.str(), file.parent_path());
}

void PrepareImages(const Scenario& scenario) {
    for (const ScenarioEvent& event : scenario.events) {
        if (event.action != ScenarioAction::Insert)
            continue;
        std::error_code ec;
        const auto status = std::filesystem::status(event.image, ec);
        if (std::filesystem::exists(status)) {
            if (!std::filesystem::is_regular_file(status))
                throw ScenarioError("scenario: card image " + event.image.string() +
                                    " is not a file");
            continue;
        }
        {
            std::ofstream create(event.image, std::ios::binary);
            if (!create)
                throw ScenarioError("scenario: cannot create card image " + event.image.string());
        }
        std::filesystem::resize_file(event.image,
                                     uint64_t{event.sectors} * orrick::scsi::kBlockSize, ec);
        if (ec)
            throw ScenarioError("scenario: cannot size card image " + event.image.string() + ": " +
                                ec.message());
    }
}

ScenarioPlayer::ScenarioPlayer(Scenario scenario, SimReaderBackend& backend, size_t controller,
                               orrick::DeviceEvents& events)
    : scenario_(std::move(scenario)), backend_(backend), controller_(controller), events_(events) {
    backend_.Controller(controller_); // throws on a controller that does not exist
    // A session that begins by plugging the reader in starts without it.
    const auto firstReaderEvent =
        std::find_if(scenario_.events.begin(), scenario_.events.end(), [](const auto& e) {
            return e.action == ScenarioAction::Plug || e.action == ScenarioAction::Unplug;
        });
    if (firstReaderEvent != scenario_.events.end() &&
        firstReaderEvent->action == ScenarioAction::Plug)
        backend_.Unplug(controller_);
}

void ScenarioPlayer::Problem(const std::string& text) {
    if (onProblem)
        onProblem(text);
}

void ScenarioPlayer::Apply(const ScenarioEvent& event) {
    SimController& controller = backend_.Controller(controller_);
    switch (event.action) {
    case ScenarioAction::Plug:
        backend_.Replug(controller_);
        events_.OnDeviceArrival();
        break;
    case ScenarioAction::Unplug:
        backend_.Unplug(controller_);
        for (int slot = 0; slot < kScenarioSlots; ++slot)
            controller.RemoveCard(slot);
        events_.OnDeviceRemoval();
        break;
    case ScenarioAction::Insert: {
        SimCard card;
        card.imagePath = event.image;
        card.blockCount = event.sectors;
        card.writeProtected = event.writeProtect;
        card.initFail = event.initFail;
        controller.InsertCard(event.slot, card);
        if (!controller.HasCard(event.slot))
            Problem("scenario: this reader has no slot " + std::to_string(event.slot));
        break;
    }
    case ScenarioAction::Remove:
        controller.RemoveCard(event.slot);
        break;
    case ScenarioAction::Quit:
        break;
    }
}

bool ScenarioPlayer::Play(std::chrono::steady_clock::time_point start) {
    for (const ScenarioEvent& event : scenario_.events) {
        {
            std::unique_lock lock(mutex_);
            if (wake_.wait_until(lock, start + std::chrono::milliseconds(event.atMs),
                                 [this] { return stop_; }))
                return false;
        }
        if (event.action == ScenarioAction::Quit)
            return true;
        Apply(event);
    }
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stop_; });
    return false;
}

void ScenarioPlayer::RequestStop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

} // namespace simreader
