// Settings kept in a map, standing for the registry's section in tests.
#pragma once

#include <map>
#include <string>

#include "profiles/game_rules.h"

class MapSettingValues : public SettingValues {
 public:
  std::u16string Read(std::u16string_view name, std::u16string_view defaultValue) const override {
    const auto found = values.find(std::u16string(name));
    return found == values.end() ? std::u16string(defaultValue) : found->second;
  }
  bool Write(std::u16string_view name, std::u16string_view value) override {
    if (refuseWrites) return false;
    values[std::u16string(name)] = value;
    return true;
  }

  std::map<std::u16string, std::u16string> values;
  bool refuseWrites = false;
};
