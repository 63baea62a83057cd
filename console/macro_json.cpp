#include "console/macro_json.h"

#include <cstring>
#include <nlohmann/json.hpp>

#include "app/utf8_text.h"
#include "console/console_names.h"

using Json = nlohmann::ordered_json;

Json MacroJson(const MacroRecord& macro) {
  Json actions = Json::array();
  for (const MacroAction& action : MacroActions(macro))
    actions.push_back({{"key", KeyCodeName(action.keyCode)},
                       {"direction", action.direction == kMacroRelease ? "release" : "press"},
                       {"delay", action.delayMs}});
  return {{"name", ToUtf8(MacroName(macro))}, {"cycles", macro.cycles}, {"actions", std::move(actions)}};
}

namespace {

// An unsigned whole number within [low, high], else nothing.
std::optional<std::uint32_t> NumberIn(const Json& value, std::uint32_t low, std::uint32_t high) {
  if (!value.is_number_integer()) return std::nullopt;
  if (value.is_number_unsigned()) {
    const auto n = value.get<std::uint64_t>();
    if (n >= low && n <= high) return static_cast<std::uint32_t>(n);
    return std::nullopt;
  }
  const auto n = value.get<std::int64_t>();
  if (n >= static_cast<std::int64_t>(low) && n <= static_cast<std::int64_t>(high)) return static_cast<std::uint32_t>(n);
  return std::nullopt;
}

bool ReadAction(const Json& item, MacroAction& action, std::string& error) {
  if (!item.is_object() || !item.contains("key") || !item["key"].is_string()) {
    error = "needs a \"key\" name";
    return false;
  }
  const std::string name = item["key"].get<std::string>();
  const std::optional<KeyCode> key = FindKeyCode(name);
  if (!key) {
    error = UnknownName("key", name, NamedKeys());
    return false;
  }
  const Json direction = item.value("direction", Json("press"));
  if (direction != "press" && direction != "release") {
    error = "direction must be \"press\" or \"release\"";
    return false;
  }
  const std::optional<std::uint32_t> delay = NumberIn(item.value("delay", Json(0)), 0, kMaxActionDelayMs);
  if (!delay) {
    error = "delay must be a whole number of milliseconds from 0 to " + std::to_string(kMaxActionDelayMs);
    return false;
  }
  action = {*delay, *key, direction == "release" ? kMacroRelease : kMacroPress};
  return true;
}

}  // namespace

bool MacroFromJson(std::string_view text, MacroRecord& macro, std::string& error) {
  std::memset(&macro, 0, sizeof macro);
  const Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    error = "not a JSON object";
    return false;
  }
  if (!json.contains("name") || !json["name"].is_string() || json["name"].get<std::string>().empty()) {
    error = "the macro needs a \"name\"";
    return false;
  }
  const std::u16string name = FromUtf8(json["name"].get<std::string>());
  if (name.size() > static_cast<std::size_t>(kMaxMacroNameLength)) {
    error = "the name is longer than " + std::to_string(kMaxMacroNameLength) + " characters";
    return false;
  }
  const std::optional<std::uint32_t> cycles = NumberIn(json.value("cycles", Json(1)), 1, 255);
  if (!cycles) {
    error = "cycles must be from 1 to 255";
    return false;
  }
  const Json actions = json.value("actions", Json::array());
  if (!actions.is_array()) {
    error = "\"actions\" must be a list";
    return false;
  }
  if (actions.size() > static_cast<std::size_t>(kMaxMacroActions)) {
    error = "the macro has " + std::to_string(actions.size()) + " actions; a macro holds at most " +
            std::to_string(kMaxMacroActions);
    return false;
  }
  for (std::size_t i = 0; i < actions.size(); ++i) {
    std::string why;
    if (!ReadAction(actions[i], macro.actions[i], why)) {
      error = "action " + std::to_string(i + 1) + ": " + why;
      return false;
    }
  }
  SetMacroName(macro, name);
  macro.cycles = static_cast<std::uint8_t>(*cycles);
  macro.actionCount = static_cast<std::uint16_t>(actions.size());
  return true;
}
