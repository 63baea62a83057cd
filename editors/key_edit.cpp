#include "editors/key_edit.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <string_view>

namespace {

// The key entries follow the new list, which then replaces the profile's.
// The caller holds the profile's lock.
void CommitMacroList(WorkingProfile& profile, std::vector<MacroRecord>& macros) {
  if (profile.block) {
    for (KeyAssignment& entry : profile.block->area) {
      if (entry.type != AssignmentType::Macro) continue;
      const std::uint16_t id = PlayedMacroId(entry);
      if (id == 0 && !macros.empty()) {
        entry.param = macros.front().id;
        continue;
      }
      const auto played =
          std::find_if(macros.begin(), macros.end(), [id](const MacroRecord& record) { return record.id == id; });
      // The macro is gone, or its id now names a macro made since.
      if (played == macros.end() || played->newFlag != 0) entry.type = AssignmentType::Default;
    }
  }
  ClearNewFlags(macros);
  profile.macros.records.swap(macros);
}

// The key's entry takes type, gkey and param. The caller holds the profile's lock.
void StoreKeyAssignment(WorkingProfile& profile, int bank, int entry, const KeyAssignment& assignment) {
  if (!profile.block || !IsKeyboardProfile(bank)) return;
  const int index = AssignmentIndex(bank, entry);
  if (index < 0) return;
  KeyAssignment& stored = profile.block->area[static_cast<std::size_t>(index)];
  KeyAssignment changed = stored;
  changed.type = assignment.type;
  changed.gkey = assignment.gkey;
  changed.param = assignment.param;
  if (changed == stored) return;
  stored = changed;
  // A program path or text block the key held goes with its old assignment.
  SetAssignmentText(profile.text, index, std::u16string_view{});
}

}  // namespace

std::uint16_t PlayedMacroId(const KeyAssignment& entry) { return static_cast<std::uint16_t>(entry.param); }

void ApplyKeyEdit(WorkingProfile& profile, const KeyEdit& edit) {
  // The new list first, outside the lock: without it the macros and the keys
  // that play them stay as they are.
  std::optional<std::vector<MacroRecord>> macros;
  if (edit.macros) {
    try {
      macros.emplace(*edit.macros);
    } catch (const std::bad_alloc&) {
      macros.reset();
    }
  }
  std::lock_guard guard(profile.lock);
  if (macros) CommitMacroList(profile, *macros);
  if (edit.assignment) StoreKeyAssignment(profile, edit.bank, edit.entry, *edit.assignment);
}
