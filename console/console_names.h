// The names the console program reads and prints: keys, media and editing
// functions, macros, key assignments as text ("key:B", "macro:Reload"...),
// and the nearest names offered for one it does not know.
//
// Names match ignoring case, spaces and underscores: "num 7", "Num7" and
// "NUM_7" all name Num 7.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keyboard/key_assignment.h"
#include "keyboard/key_codes.h"
#include "macros/macro_record.h"

// A name reduced to what matching looks at.
std::string MatchForm(std::string_view name);

// The whole text as an unsigned number in `base` (no sign, no spaces);
// nothing for anything else or a number past 32 bits.
std::optional<std::uint32_t> WholeNumber(std::string_view text, int base);

// Up to `most` of `names` closest to `wanted` (by edits of the match form),
// closest first; none when nothing is close.
std::vector<std::string> NearestNames(std::string_view wanted, const std::vector<std::string>& names,
                                      std::size_t most = 3);

// "unknown <what> 'Spcae' (did you mean Space?)"; without the question when
// nothing is close.
std::string UnknownName(std::string_view what, std::string_view wanted, const std::vector<std::string>& names);

// ---- The keys of the keyboard: what `key set` and `key reset` name -------

// The keyboard's keys by their names, then "G1" to "G9".
std::vector<std::string> KeyboardKeyNames();

// The entry of a key in a profile's bank: its slot, or the G key's entry in
// `layer` (0 or 1). Nothing for a name that is not one of KeyboardKeyNames.
std::optional<int> FindKeyEntry(std::string_view name, int layer);

// The name of an entry: the key's name, "G3", or "G3 (layer 2)".
std::string EntryName(int entry);

// ---- Keys in macros and in `key:` ----------------------------------------

// A key's name; a key without one is named by its code, "0x1ab".
std::string KeyCodeName(KeyCode code);
// A key by its name or its code ("0x1ab"). Nothing for an unknown name or a
// code outside the code space.
std::optional<KeyCode> FindKeyCode(std::string_view name);
// Every named key.
std::vector<std::string> NamedKeys();

// ---- Media keys and editing functions --------------------------------------

std::vector<std::string> MediaNames();      // by media index, 0 to 17
std::vector<std::string> FunctionNames();   // by function number, 0 to 10
// The index of a name in one of these lists.
std::optional<int> FindName(std::string_view name, const std::vector<std::string>& names);

// The lighting effects 1 to 14 by their English names ("Wave" ... "Ribbon"),
// as the window's lighting panel lists them.
std::vector<std::string> EffectNames();
// An effect by its number or its name; nothing for neither.
std::optional<int> FindEffect(std::string_view text);

// ---- Assignments ------------------------------------------------------------

// What a key is given, as parsed from "key:NAME", "media:NAME",
// "function:NAME", "macro:NAME", "default" or "disabled". For a macro, the
// param is its id and `cycles` its play count.
struct AssignmentChoice {
  AssignmentType type = AssignmentType::Default;
  std::uint32_t param = 0;
  int cycles = 1;
};

// Parses an assignment against the profile's macros. Nothing, with the reason
// in `error`, for an unknown form or name (the nearest names offered) or a key
// the keyboard cannot send.
std::optional<AssignmentChoice> ParseAssignment(std::string_view text, std::span<const MacroRecord> macros,
                                                std::string& error);

// An entry as the same text: "key:B", "media:Mute", "function:Copy",
// "macro:<name>", "default", "disabled", and for the types only a profile
// file brings, "stop-macro", "program:<path>", "text:<text>".
std::string DescribeAssignment(const KeyAssignment& entry, std::span<const MacroRecord> macros,
                               std::u16string_view text);

// The entry a choice gives a key at `entry` that held `old`: its colour mark
// and reserved word stay, a G key keeps its id (except under a macro, whose
// play count takes that place), and a key sending itself is Default.
KeyAssignment AssignmentOfChoice(const AssignmentChoice& choice, int entry, const KeyAssignment& old);
