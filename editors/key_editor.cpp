#include "editors/key_editor.h"

#include <algorithm>
#include <mutex>

#include "editors/macro_page.h"

namespace {

// The type a page button gives the key.
AssignmentType TypeOfPage(EditorPage page) {
  switch (page) {
    case EditorPage::kMacro:
      return AssignmentType::Macro;
    case EditorPage::kMedia:
      return AssignmentType::Media;
    case EditorPage::kFunction:
      return AssignmentType::Function;
    case EditorPage::kSingleKey:
      break;
  }
  return AssignmentType::Key;
}

// The key's place in the area, or -1 while no profile is loaded or the bank
// is not one the keyboard holds. The caller holds the profile's lock.
int EditedIndex(const WorkingProfile& profile, int bank, int entry) {
  if (!profile.block || !IsKeyboardProfile(bank)) return -1;
  return AssignmentIndex(bank, entry);
}

std::uint32_t ListIndex(int index) { return static_cast<std::uint32_t>(std::max(0, index)); }

}  // namespace

EditorPage PageOfType(AssignmentType type) {
  switch (type) {
    case AssignmentType::Macro:
      return EditorPage::kMacro;
    case AssignmentType::Media:
      return EditorPage::kMedia;
    case AssignmentType::Function:
      return EditorPage::kFunction;
    default:
      return EditorPage::kSingleKey;
  }
}

std::optional<KeyEditorState> OpenKeyEditor(WorkingProfile& profile, int bank, int entry, bool macroRole) {
  std::lock_guard guard(profile.lock);
  const int index = EditedIndex(profile, bank, entry);
  if (index < 0) return std::nullopt;
  const KeyAssignment& stored = profile.block->area[index];

  KeyEditorState state;
  state.bank = bank;
  state.entry = entry;
  state.macroRole = macroRole;
  state.type = macroRole ? AssignmentType::Macro : stored.type;
  state.storedParam = stored.param;
  state.storedGKey = stored.gkey;
  // Only a Key's param is a key code (a program's or a text's is where its string lies).
  if (state.type == AssignmentType::Key) state.capturedKey = static_cast<KeyCode>(stored.param);
  return state;
}

PageSwitch ShowPageByButton(KeyEditorState& state, EditorPage page) {
  const AssignmentType type = TypeOfPage(page);
  if (state.macroRole || state.type == type) return {};
  // Default is shown on the single-key page already.
  if (page == EditorPage::kSingleKey && state.type == AssignmentType::Default) return {};

  state.type = type;
  state.modified = true;
  PageSwitch result{true, false};
  if (page == EditorPage::kMacro) {
    result.selectFirstMacro = state.firstMacroPage && state.storedParam == 0;
    state.firstMacroPage = false;
  }
  return result;
}

bool ClearKey(KeyEditorState& state) {
  if (state.macroRole) return false;
  ShowPageByButton(state, EditorPage::kSingleKey);
  if (state.type != AssignmentType::Key) return false;
  state.type = AssignmentType::Default;
  state.capturedKey = kNoKey;
  state.modified = true;  // also when the key was a Key already
  return true;
}

void CaptureKey(KeyEditorState& state, KeyCode key) {
  if (state.macroRole) return;  // that key carries only a macro
  state.type = AssignmentType::Key;
  state.capturedKey = key;
  state.modified = true;
}

std::optional<KeyAssignment> BuildKeyAssignment(const KeyEditorState& state, const PageChoices& choices,
                                                const KeyAssignment& old) {
  KeyAssignment built = old;  // the colour mark and the reserved word stay
  built.type = state.type;
  built.gkey = GKeyIdOfEntry(state.entry);
  built.param = 0;
  switch (state.type) {
    case AssignmentType::Key:
      built.param = state.capturedKey;
      // Sending the key itself is what the key does anyway.
      if (state.capturedKey == kNoKey || KeyCodeToSlot(state.capturedKey) == state.entry)
        built.type = AssignmentType::Default;
      break;
    case AssignmentType::Macro:
      if (choices.macroListEmpty) {
        built.type = AssignmentType::Default;
        break;
      }
      // The play count goes into the entry too, in place of a G key's id.
      built.param = choices.selectedMacroId;
      built.gkey = static_cast<std::uint16_t>(std::clamp(choices.cycles, kMinCycles, kMaxCycles));
      break;
    case AssignmentType::Media:
      built.param = ListIndex(choices.mediaIndex);
      break;
    case AssignmentType::Function:
      built.param = ListIndex(choices.functionIndex);
      break;
    case AssignmentType::Default:
      break;
    default:
      return std::nullopt;  // a type only a profile file brings: the editor cannot edit it, so it stays whole
  }
  return built;
}

std::optional<KeyAssignment> ReadEditedEntry(WorkingProfile& profile, const KeyEditorState& state) {
  std::lock_guard guard(profile.lock);
  const int index = EditedIndex(profile, state.bank, state.entry);
  if (index < 0) return std::nullopt;
  return profile.block->area[index];
}

ScreenPoint PlaceBesideKey(const ScreenRect& key, int width, int height, int screenWidth, int screenHeight) {
  const bool fitsRight = screenWidth - key.right >= width;
  const bool fitsBelow = screenHeight - key.bottom >= height;
  const bool fitsLeft = key.left >= width;
  const bool fitsAbove = key.top >= height;
  if (fitsRight && fitsBelow) return {key.right, key.bottom};
  if (fitsRight && fitsAbove) return {key.right, key.top - height};
  if (fitsLeft && fitsBelow) return {key.left - width, key.bottom};
  if (fitsLeft && fitsAbove) return {key.left - width, key.top - height};
  return {key.right, key.bottom};
}
