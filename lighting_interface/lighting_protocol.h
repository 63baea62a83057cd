// The lighting interface's messages: what other programs send (requests with
// an id, one reply each) and what they are sent (replies, errors, events), as
// JSON. Plain functions: parsing and checking a message never touches the
// keyboard, so that it can be tested and fuzzed alone. docs/lighting-interface.md
// describes the protocol for the programs that speak it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "lighting/lighting_changes.h"
#include "lighting/lighting_settings.h"

using Json = nlohmann::json;

// The protocol's version. A new minor version only adds (new requests,
// optional fields, new events); a new major version changes what was there
// and is announced in the hello reply's list of majors.
inline constexpr int kProtocolMajor = 1;
inline constexpr int kProtocolMinor = 0;

enum class ErrorCode {
  kNotJson,         // the line is not a JSON object
  kTooLarge,        // the line is longer than the limit
  kUnknownRequest,  // no such request, or no request named
  kBadValue,        // a field is missing or holds a value out of its range; the text names it
  kHelloFirst,      // a request before the hello exchange
  kNoKeyboard,      // no keyboard is attached
  kBusy,            // the keyboard is being read back or is lent to a console command
};
const char* ErrorCodeName(ErrorCode code);

struct ProtocolError {
  ErrorCode code;
  std::string text;
};

// A request: its id (any JSON value the client chose, null when it gave
// none) and name, and the whole message for its fields.
struct Request {
  Json id;
  std::string name;
  Json message;
};

// One received line as a request, or why it is not one (the id is kept when
// it could be read, for the error reply).
struct ParsedLine {
  std::variant<Request, ProtocolError> parsed;
  Json id;
};
ParsedLine ParseRequestLine(std::string_view line);

// A change of the lighting settings as a request asks it; each field optional.
struct SettingsChange {
  std::optional<int> effect;
  std::optional<int> brightness;  // 0 to 25
  std::optional<int> speed;       // 0 (slowest) to 24 (fastest), as the window's slider
  std::optional<int> direction;   // 0 or 1
  std::optional<int> option;      // effect 4's option, 0 or 1
  std::vector<std::pair<int, Rgb>> colours;  // by effect with a colour group
  std::vector<std::pair<int, bool>> flags;   // by effect whose group has a flag
};
// The fields of a "set" request checked against what `state` offers;
// nothing changes when one is bad.
std::variant<SettingsChange, ProtocolError> ReadSettingsChange(const Json& message, const LightingState& state);
// Makes the change in `state` and returns its writes, in the window's order.
LightingWrites MakeSettingsChange(LightingState& state, const SettingsChange& change);

// The names of the controls a change touches, and those in which two states
// differ ("effect", "brightness", "speed", "direction", "option",
// "colours.N", "flags.N", "keys"), so that the user's change of a control
// can win over a program's.
std::vector<std::string> ControlsOf(const SettingsChange& change);
std::vector<std::string> ChangedControls(const LightingState& before, const LightingState& after);

// The key colours of a "set_keys" request ({"keys": {"W": "ff0000", ...}})
// or of a "set_all" request ({"colours": [162 colours by position]} or
// {"colour": "rrggbb"}) applied to a copy of `table`.
std::variant<KeyColourTable, ProtocolError> ReadKeyColours(const Json& message, const KeyColourTable& table);

// "rrggbb" or "#rrggbb".
std::optional<Rgb> ParseColour(std::string_view text);
std::string ColourText(Rgb colour);

// The key names programs colour keys by ("W", "Space", "G1", "Fn"), each with
// its key colour position; several names may share a position.
struct NamedPosition {
  std::string name;
  int position;
};
const std::vector<NamedPosition>& KeyColourNames();
// Case does not matter.
std::optional<int> FindKeyColourPosition(std::string_view name);

// The hello reply's description of the keyboard: effects offered, key names
// and their positions, the ranges.
Json CapabilitiesJson(const LightingState& state);
// The lighting as "get" replies and events tell it.
Json LightingJson(const LightingState& state);

// Whole lines, ready to send.
std::string ReplyLine(const Json& id, Json fields);
std::string ErrorLine(const Json& id, const ProtocolError& error);
std::string EventLine(std::string_view event, Json fields);
