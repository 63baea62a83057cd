#include "lighting_interface/lighting_protocol.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "app/utf8_text.h"
#include "lighting/effect_controls.h"
#include "profiles/key_grid_view.h"

namespace {

ProtocolError BadValue(std::string text) { return {ErrorCode::kBadValue, std::move(text)}; }

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// An integer field within [low, high]: nothing when absent, an error when bad.
std::variant<std::optional<int>, ProtocolError> IntField(const Json& message, const char* name, int low, int high) {
  const auto found = message.find(name);
  if (found == message.end()) return std::optional<int>{};
  if (!found->is_number_integer()) return BadValue(std::string(name) + ": a whole number is wanted");
  const auto value = found->get<long long>();
  if (value < low || value > high)
    return BadValue(std::string(name) + ": " + std::to_string(low) + " to " + std::to_string(high) + " is wanted");
  return std::optional<int>{static_cast<int>(value)};
}

// The effect named by a key of "colours" or "flags": its number as text.
std::optional<int> EffectKey(const std::string& key) {
  int effect = 0;
  const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), effect);
  if (error != std::errc() || end != key.data() + key.size()) return std::nullopt;
  return effect;
}

constexpr std::pair<LightingControls, const char*> kControlNames[] = {
    {LightingControls::kBrightness, "brightness"},
    {LightingControls::kSpeed, "speed"},
    {LightingControls::kDirection, "direction"},
};

}  // namespace

const char* ErrorCodeName(ErrorCode code) {
  switch (code) {
    case ErrorCode::kNotJson: return "not_json";
    case ErrorCode::kTooLarge: return "too_large";
    case ErrorCode::kUnknownRequest: return "unknown_request";
    case ErrorCode::kBadValue: return "bad_value";
    case ErrorCode::kHelloFirst: return "hello_first";
    case ErrorCode::kNoKeyboard: return "no_keyboard";
    case ErrorCode::kBusy: return "busy";
  }
  return "unknown_request";
}

ParsedLine ParseRequestLine(std::string_view line) {
  Json message = Json::parse(line, nullptr, false);
  if (message.is_discarded() || !message.is_object())
    return {ProtocolError{ErrorCode::kNotJson, "a message is one JSON object on one line"}, nullptr};
  Json id = message.contains("id") ? message["id"] : Json();
  const auto request = message.find("request");
  if (request == message.end() || !request->is_string())
    return {ProtocolError{ErrorCode::kUnknownRequest, "the message names no request"}, id};
  std::string name = request->get<std::string>();
  return {Request{id, std::move(name), std::move(message)}, id};
}

std::variant<SettingsChange, ProtocolError> ReadSettingsChange(const Json& message, const LightingState& state) {
  SettingsChange change;
  const struct {
    const char* name;
    int low, high;
    std::optional<int>* field;
  } fields[] = {{"effect", 0, 255, &change.effect},   {"brightness", 0, kMaxBrightness, &change.brightness},
                {"speed", 0, kMaxSpeed, &change.speed}, {"direction", 0, 1, &change.direction},
                {"option", 0, 1, &change.option}};
  for (const auto& field : fields) {
    auto value = IntField(message, field.name, field.low, field.high);
    if (auto* error = std::get_if<ProtocolError>(&value)) return std::move(*error);
    *field.field = std::get<std::optional<int>>(value);
  }
  if (change.effect && !OffersEffect(state, *change.effect)) return BadValue("effect: the keyboard does not offer it");

  if (const auto colours = message.find("colours"); colours != message.end()) {
    if (!colours->is_object()) return BadValue("colours: an object of effects and colours is wanted");
    for (const auto& [key, value] : colours->items()) {
      const std::optional<int> effect = EffectKey(key);
      if (!effect || ColourGroupIndex(*effect) < 0) return BadValue("colours: effect " + key + " has no colour");
      const std::optional<Rgb> colour = value.is_string() ? ParseColour(value.get<std::string>()) : std::nullopt;
      if (!colour) return BadValue("colours." + key + ": a colour \"rrggbb\" is wanted");
      change.colours.emplace_back(*effect, *colour);
    }
  }
  if (const auto flags = message.find("flags"); flags != message.end()) {
    if (!flags->is_object()) return BadValue("flags: an object of effects and true or false is wanted");
    for (const auto& [key, value] : flags->items()) {
      const std::optional<int> effect = EffectKey(key);
      const int group = effect ? ColourGroupIndex(*effect) : -1;
      if (group < 0 || kColourGroups[group].flagOn == 0) return BadValue("flags: effect " + key + " has no flag");
      if (!value.is_boolean()) return BadValue("flags." + key + ": true or false is wanted");
      change.flags.emplace_back(*effect, value.get<bool>());
    }
  }
  return change;
}

LightingWrites MakeSettingsChange(LightingState& state, const SettingsChange& change) {
  LightingWrites writes;
  const auto add = [&](LightingWrites more) { writes.insert(writes.end(), more.begin(), more.end()); };
  // Colours and flags first: an effect chosen with them starts with its flag as asked.
  for (const auto& [effect, colour] : change.colours) add(SetGroupColour(state, effect, colour));
  for (const auto& [effect, on] : change.flags)
    if (const EffectGroup* group = GroupOfEffect(state, effect); group && group->flag != on)
      add(ToggleGroupFlag(state, effect));
  if (change.effect) add(SelectEffect(state, *change.effect));
  if (change.brightness) add(SetBrightness(state, *change.brightness));
  if (change.speed) add(SetSpeed(state, *change.speed));
  if (change.direction) add(SetDirection(state, *change.direction));
  if (change.option) add(SetMode4Option(state, *change.option));
  return writes;
}

std::vector<std::string> ControlsOf(const SettingsChange& change) {
  std::vector<std::string> controls;
  const std::pair<const std::optional<int>&, const char*> fields[] = {{change.effect, "effect"},
                                                                       {change.brightness, "brightness"},
                                                                       {change.speed, "speed"},
                                                                       {change.direction, "direction"},
                                                                       {change.option, "option"}};
  for (const auto& [field, name] : fields)
    if (field) controls.push_back(name);
  for (const auto& [effect, colour] : change.colours) controls.push_back("colours." + std::to_string(effect));
  for (const auto& [effect, on] : change.flags) controls.push_back("flags." + std::to_string(effect));
  return controls;
}

std::vector<std::string> ChangedControls(const LightingState& before, const LightingState& after) {
  std::vector<std::string> controls;
  const std::pair<bool, const char*> fields[] = {{before.effectMode != after.effectMode, "effect"},
                                                 {before.brightness != after.brightness, "brightness"},
                                                 {before.speed != after.speed, "speed"},
                                                 {before.direction != after.direction, "direction"},
                                                 {before.mode4Option != after.mode4Option, "option"},
                                                 {before.keyColours != after.keyColours, "keys"}};
  for (const auto& [changed, name] : fields)
    if (changed) controls.push_back(name);
  for (int group = 0; group < kColourGroupCount; ++group) {
    const std::string effect = std::to_string(kColourGroups[group].effect);
    if (!(before.groups[group].colour == after.groups[group].colour)) controls.push_back("colours." + effect);
    if (before.groups[group].flag != after.groups[group].flag) controls.push_back("flags." + effect);
  }
  return controls;
}

std::variant<KeyColourTable, ProtocolError> ReadKeyColours(const Json& message, const KeyColourTable& table) {
  KeyColourTable colours = table;
  if (const auto keys = message.find("keys"); keys != message.end()) {
    if (!keys->is_object()) return BadValue("keys: an object of key names and colours is wanted");
    for (const auto& [name, value] : keys->items()) {
      const std::optional<int> position = FindKeyColourPosition(name);
      if (!position) return BadValue("keys: no key is named \"" + name + "\"");
      const std::optional<Rgb> colour = value.is_string() ? ParseColour(value.get<std::string>()) : std::nullopt;
      if (!colour) return BadValue("keys." + name + ": a colour \"rrggbb\" is wanted");
      colours[*position] = *colour;
    }
    return colours;
  }
  if (const auto all = message.find("colours"); all != message.end()) {
    if (!all->is_array() || all->size() != kKeyColourPositions)
      return BadValue("colours: an array of " + std::to_string(kKeyColourPositions) + " colours is wanted");
    for (int position = 0; position < kKeyColourPositions; ++position) {
      const Json& value = (*all)[position];
      const std::optional<Rgb> colour = value.is_string() ? ParseColour(value.get<std::string>()) : std::nullopt;
      if (!colour) return BadValue("colours[" + std::to_string(position) + "]: a colour \"rrggbb\" is wanted");
      colours[position] = *colour;
    }
    return colours;
  }
  if (const auto one = message.find("colour"); one != message.end()) {
    const std::optional<Rgb> colour = one->is_string() ? ParseColour(one->get<std::string>()) : std::nullopt;
    if (!colour) return BadValue("colour: a colour \"rrggbb\" is wanted");
    colours.fill(*colour);
    return colours;
  }
  return BadValue("keys, colours or colour is wanted");
}

std::optional<Rgb> ParseColour(std::string_view text) {
  if (text.starts_with('#')) text.remove_prefix(1);
  if (text.size() != 6) return std::nullopt;
  std::uint32_t rgb = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rgb, 16);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return Rgb{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)};
}

std::string ColourText(Rgb colour) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x%02x%02x", colour.r, colour.g, colour.b);
  return text;
}

const std::vector<NamedPosition>& KeyColourNames() {
  static const std::vector<NamedPosition> names = [] {
    std::vector<NamedPosition> all;
    for (int i = 0; i < kKeyboardKeyCount; ++i) all.push_back({ToUtf8(KeyButtonName(i)), KeyColourPosition(i)});
    all.push_back({"Fn", KeyColourPosition(kFnButton)});
    for (int j = 0; j < kExtraKeyButtonCount; ++j) all.push_back({ToUtf8(ExtraKeyName(j)), ExtraKeyColourPosition(j)});
    std::erase_if(all, [](const NamedPosition& named) { return named.name.empty() || named.position < 0; });
    return all;
  }();
  return names;
}

std::optional<int> FindKeyColourPosition(std::string_view name) {
  for (const NamedPosition& named : KeyColourNames())
    if (SameName(named.name, name)) return named.position;
  return std::nullopt;
}

Json CapabilitiesJson(const LightingState& state) {
  Json effects = Json::array();
  for (const int effect : state.offeredEffects) {
    Json uses = Json::array();
    for (const auto& [controls, name] : kControlNames)
      if (ShowsControls(effect, controls)) uses.push_back(name);
    if (ColourGroupIndex(effect) >= 0) uses.push_back("colour");
    if (effect == kMode4Effect) uses.push_back("option");
    if (effect == kPerKeyEffect) uses.push_back("keys");
    effects.push_back({{"effect", effect}, {"uses", std::move(uses)}});
  }
  Json keys = Json::object();
  for (const NamedPosition& named : KeyColourNames()) keys[named.name] = named.position;
  Json colourEffects = Json::array(), flagEffects = Json::array();
  for (const ColourGroupLayout& group : kColourGroups) {
    colourEffects.push_back(group.effect);
    if (group.flagOn != 0) flagEffects.push_back(group.effect);
  }
  return {{"effects", std::move(effects)},
          {"perKeyEffect", kPerKeyEffect},
          {"keys", std::move(keys)},
          {"positions", kKeyColourPositions},
          {"brightness", {0, kMaxBrightness}},
          {"speed", {0, kMaxSpeed}},
          {"direction", {0, 1}},
          {"option", {0, 1}},
          {"colourEffects", std::move(colourEffects)},
          {"flagEffects", std::move(flagEffects)}};
}

Json LightingJson(const LightingState& state) {
  Json colours = Json::object(), flags = Json::object();
  for (const ColourGroupLayout& layout : kColourGroups) {
    const EffectGroup* group = GroupOfEffect(state, layout.effect);
    colours[std::to_string(layout.effect)] = ColourText(group->colour);
    if (layout.flagOn != 0) flags[std::to_string(layout.effect)] = group->flag;
  }
  Json keyColours = Json::array();
  for (const Rgb colour : state.keyColours) keyColours.push_back(ColourText(colour));
  return {{"effect", state.effectMode},
          {"brightness", BrightnessPosition(state)},
          {"speed", SpeedPosition(state)},
          {"direction", state.direction},
          {"option", state.mode4Option},
          {"colours", std::move(colours)},
          {"flags", std::move(flags)},
          {"keyColours", std::move(keyColours)}};
}

std::string ReplyLine(const Json& id, Json fields) {
  Json reply = {{"id", id}, {"ok", true}};
  for (auto& [key, value] : fields.items()) reply[key] = std::move(value);
  return reply.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string ErrorLine(const Json& id, const ProtocolError& error) {
  const Json reply = {{"id", id}, {"ok", false}, {"error", {{"code", ErrorCodeName(error.code)}, {"text", error.text}}}};
  return reply.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string EventLine(std::string_view event, Json fields) {
  Json message = {{"event", event}};
  for (auto& [key, value] : fields.items()) message[key] = std::move(value);
  return message.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}
