#include "profiles/profile_list.h"

#include "app/app_paths.h"
#include "app/decimal_text.h"
#include "keyboard/key_assignment.h"
#include "profiles/settings.h"

ProfileRow ProfileRowOf(std::u16string_view path) {
  std::u16string name = FileNameOf(path);
  if (const std::size_t dot = name.rfind(u'.'); dot != std::u16string::npos && dot > 0) name.resize(dot);
  return {name, FolderOf(path)};
}

std::vector<std::pair<std::u16string, std::u16string>> ProfileListValues(const std::vector<ProfileRow>& rows) {
  std::vector<std::pair<std::u16string, std::u16string>> values;
  for (std::size_t r = 0; r < rows.size(); ++r)
    values.emplace_back(ProfileListValueName(static_cast<int>(r) + 1), rows[r].folder + rows[r].name + u".fwc");
  values.emplace_back(ProfileListValueName(0), DecimalText(static_cast<long long>(rows.size())));
  return values;
}

int KeyboardProfileOfRow(int tickedRow) { return IsKeyboardProfile(tickedRow) ? tickedRow : -1; }
