#include "skin/skin_keys.h"

#include <cstdio>

namespace {

SkinKey Faces(const char16_t* key, const char* slots, int page = 0) {
  return {key, Placement::kWithFaces, slots, page, {}};
}
SkinKey Plain(const char16_t* key, int page = 0) { return {key, Placement::kPlace, {}, page, {}}; }
SkinKey Alternate(const char16_t* key, Placement placement, const char16_t* of) { return {key, placement, {}, 0, of}; }

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

std::vector<SkinKey> MainKeys() {
  std::vector<SkinKey> keys;
  for (const char16_t* key : {u"FUNC_PROFILES", u"FUNC_MACRO", u"CONTROL_OK", u"CONTROL_CANCEL", u"CONTROL_HELP",
                              u"CONTROL_CLOSE", u"CONTROL_MINIMIZE", u"CONTROL_MENU"})
    keys.push_back(Faces(key, "NODNN"));
  keys.push_back(Faces(u"KORVAN_LINK", "NOXNN"));
  keys.push_back(Faces(u"CONTROL2_APPLY", "NODXN"));
  for (const char16_t* key :
       {u"FLIP_1", u"FLIP_2", u"FUNC_PROFILE1", u"FUNC_PROFILE2", u"FUNC_PROFILE3", u"FUNC_DEFAULT", u"FUNC_SWITCH",
        u"FUNC_REPORT1", u"FUNC_REPORT2", u"FUNC_REPORT3", u"FUNC_REPORT4", u"KEY_FN"})
    keys.push_back(Faces(key, "NODNX"));
  for (int j = 0; j < 9; ++j) keys.push_back({ExtraKeySkinKey(j), Placement::kWithFaces, "NODNX", 0, {}});
  for (int d = 0; d < 6; ++d) keys.push_back({DKeySkinKey(d), Placement::kWithFaces, "NODNX", 0, {}});
  for (KeyCode code : KeyboardKeys) keys.push_back({KeyButtonSkinKey(code), Placement::kWithFaces, "NODNX", 0, {}});
  for (const char16_t* key : {u"LOCK_CAPS", u"LOCK_NUM", u"LOCK_SCROLL", u"LOCK_AB"})
    keys.push_back(Faces(key, "NNNNO"));
  keys.push_back(Faces(u"FLIP_0", "NNNNX"));
  keys.push_back(Faces(u"KORVAN_VER", "NNNNN"));
  keys.push_back({u"LEFT_ARROW", Placement::kWithOrigin, "AAAAA", 0, {}});
  keys.push_back({u"RIGHT_ARROW", Placement::kWithOrigin, "AAAAA", 0, {}});
  for (const char16_t* key :
       {u"CONTROL_UsbStatic",     u"CONTROL_DengStatic",    u"CONTROL_DengStaPic",    u"CONTROL_XGcombox",
        u"CONTROL_JDTStatic",     u"CONTROL_LightStatic",   u"CONTROL_LightSlider",   u"CONTROL_SpeedStatic",
        u"CONTROL_SpeedSlider",   u"CONTROL_BLFXStatic",    u"CONTROL_BLFXLStaPic",   u"CONTROL_BLFXRStaPic",
        u"CONTROL_FYYSStatic",    u"CONTROL_FYYSButton",    u"CONTROL_FYSJSStaPic",   u"CONTROL_FYSJSStatic",
        u"CONTROL_FYCFStatic",    u"CONTROL_FYdjcfStatic",  u"CONTROL_FYggcfStatc",   u"CONTROL_FYdjcfStaPic",
        u"CONTROL_FYggcfStaPic",  u"CONTROL_HXysStatic",    u"CONTROL_HXysButton",    u"CONTROL_HXsjsStatic",
        u"CONTROL_HXsjsStaPic",   u"CONTROL_JTysStatic",    u"CONTROL_JTysButton",    u"CONTROL_USERysStatic",
        u"CONTROL_USERysButton",  u"CONTROL_USERjsStatic",  u"CONTROL_USERjsButton",  u"CONTROL_USERgjStatic",
        u"CONTROL_USERgj2Static", u"CONTROL_USERgjStaPic1", u"CONTROL_USERgjStaPic2", u"CONTROL_TSysStatic",
        u"CONTROL_TSysButton",    u"CONTROL_TSsjsStatic",   u"CONTROL_TSsjsStaPic",   u"CONTROL_CDysStatic",
        u"CONTROL_CDysButton",    u"CONTROL_CDsjsStatic",   u"CONTROL_CDsjsStaPic"})
    keys.push_back(Plain(key));
  keys.push_back(Alternate(u"CONTROL_SpeedStatic2", Placement::kPlace, u"CONTROL_SpeedStatic"));
  keys.push_back(Alternate(u"CONTROL_SpeedSlider2", Placement::kKeepSize, u"CONTROL_SpeedSlider"));
  keys.push_back(Alternate(u"CONTROL_BLFXStatic2", Placement::kKeepSize, u"CONTROL_BLFXStatic"));
  keys.push_back(Alternate(u"CONTROL_BLFXLStaPic2", Placement::kKeepSize, u"CONTROL_BLFXLStaPic"));
  keys.push_back(Alternate(u"CONTROL_BLFXRStaPic2", Placement::kKeepSize, u"CONTROL_BLFXRStaPic"));
  return keys;
}

std::vector<SkinKey> ProfileKeys() {
  std::vector<SkinKey> keys;
  for (const char16_t* key :
       {u"CONTROL_OK", u"CONTROL_CANCEL", u"FUNC_ADD", u"FUNC_LOAD", u"FUNC_DELETE", u"CONTROL2_APPLY"})
    keys.push_back(Faces(key, "NODXN"));
  keys.push_back(Plain(u"PROGRAM_LIST"));
  return keys;
}

// Pages of the composite editor: 1 single key, 2 macro, 3 multimedia, 4 function.
std::vector<SkinKey> CompositeKeys() {
  std::vector<SkinKey> keys;
  for (const char16_t* key : {u"CONTROL_MASK", u"CONTROL_TITLE", u"CONTROL_OSK", u"CONTROL_CLEAR", u"CONTROL_MEDIA",
                              u"CONTROL_MACRO", u"CONTROL_KEY", u"CONTROL_FUNCTION", u"CONTROL_OK", u"CONTROL_CANCEL"})
    keys.push_back(Faces(key, "NODXD"));
  for (const char16_t* key :
       {u"FUNC_MACRO_DELETE", u"FUNC_MACRO_ADD", u"FUNC_MACRO_UP_TOP", u"FUNC_MACRO_UP", u"FUNC_MACRO_DOWN",
        u"FUNC_MACRO_DOWN_BOTTOM", u"FUNC_MACRO_DELETE2", u"FUNC_MACRO_CLEAR", u"FUNC_MACRO_RECORD"})
    keys.push_back(Faces(key, "NODXD", 2));
  // Apply: the macro set, the only one with a disabled face of its own.
  keys.push_back(Faces(u"CONTROL2_APPLY", "NODXN"));
  const struct {
    const char16_t* key;
    int page;
  } plain[] = {
      {u"FUNC_MACRO_RECORD_DELAY", 2},
      {u"FUNC_MACRO_LIST2", 2},
      {u"FUNC_MACRO_CYCLES", 2},
      {u"FUNC_MACRO_CYCLES_PROMPT", 0},
      {u"TISHI_SINGLE_STATIC", 1},
      {u"MARCO_NAME_SETTING", 2},
      {u"KEY_SETTING", 0},
      {u"MEDIA_SETTING_TISHI", 3},
      {u"FUNCTION_KEY_SETTING_TISHI", 4},
      {u"FUNC_MACRO_RECORD_DELAY2", 2},
      {u"FUNC_KEY_INPUT", 1},
      {u"FUNC_MEDIA_SELECT", 3},
      {u"FUNC_MACRO_LIST", 2},
      {u"FUNC_FUNCTION_SELECT", 4},
  };
  for (const auto& row : plain) keys.push_back(Plain(row.key, row.page));
  return keys;
}

std::vector<SkinKey> UpdateKeys() {
  std::vector<SkinKey> keys{Plain(u"CONTROL_UPStatic"), Plain(u"CONTROL_UPCombox")};
  for (const char16_t* key :
       {u"CONTROL_CUPButton", u"CONTROL_UPButton", u"CONTROL_OPENButton", u"CONTROL_BACKUPButton"})
    keys.push_back(Faces(key, "NOOOO"));
  return keys;
}

}  // namespace

const char16_t* SkinFileName(SkinWindow window) {
  switch (window) {
    case SkinWindow::kMain:
      return u"Skins\\Main.ini";
    case SkinWindow::kProfile:
      return u"Skins\\Profile.ini";
    case SkinWindow::kComposite:
      return u"Skins\\Composite.ini";
    case SkinWindow::kUpdate:
      return u"Skins\\UpdateDlg.ini";
  }
  return u"";
}

const std::vector<SkinKey>& SkinKeysOf(SkinWindow window) {
  static const std::vector<SkinKey> main = MainKeys(), profile = ProfileKeys(), composite = CompositeKeys(),
                                    update = UpdateKeys();
  switch (window) {
    case SkinWindow::kMain:
      return main;
    case SkinWindow::kProfile:
      return profile;
    case SkinWindow::kComposite:
      return composite;
    case SkinWindow::kUpdate:
      return update;
  }
  return main;
}

std::u16string KeyButtonSkinKey(KeyCode code) {
  char text[24];
  std::snprintf(text, sizeof text, "KEY_%03X", static_cast<unsigned>(KeyCodeToSlot(code)) & 0xFFFu);
  return Ascii(text);
}

std::u16string ExtraKeySkinKey(int j) {
  char text[24];
  std::snprintf(text, sizeof text, "FUNC_G%d", j + 1);
  return Ascii(text);
}

std::u16string DKeySkinKey(int d) {
  char text[24];
  std::snprintf(text, sizeof text, "FUNC_D%d", d + 1);
  return Ascii(text);
}

std::u16string ArrowOriginKey(bool right, bool down, int state) {
  char text[32];
  std::snprintf(text, sizeof text, "%s_ARROW_%s%d", down ? "DOWN" : "UP", right ? "RIGHT" : "LEFT", state);
  return Ascii(text);
}

const std::vector<std::u16string>& LightingCaptionKeys() {
  static const std::vector<std::u16string> keys{u"Usb",   u"Deng",   u"Light",  u"FX",    u"Speed", u"SingleColor",
                                                u"Color", u"Color1", u"JColor", u"QCFY",  u"CF",    u"DJCF",
                                                u"GGCF",  u"QCHX",   u"Tool",   u"Tool2", u"QCTS",  u"QCCD"};
  return keys;
}

const char16_t* LightingCaptionTextKey(std::u16string_view skinKey) {
  // Each colour button's caption names its effect's colour; the caption after
  // a group's flag picture says what the flag turns on (a random colour).
  static constexpr struct {
    std::u16string_view skinKey;
    const char16_t* textKey;
  } kCaptions[] = {
      {u"CONTROL_UsbStatic", u"Usb"},       {u"CONTROL_DengStatic", u"Deng"},
      {u"CONTROL_LightStatic", u"Light"},   {u"CONTROL_SpeedStatic", u"Speed"},
      {u"CONTROL_BLFXStatic", u"FX"},       {u"CONTROL_FYYSStatic", u"QCFY"},
      {u"CONTROL_FYSJSStatic", u"Color1"},  {u"CONTROL_FYCFStatic", u"CF"},
      {u"CONTROL_FYdjcfStatic", u"DJCF"},   {u"CONTROL_FYggcfStatc", u"GGCF"},
      {u"CONTROL_HXysStatic", u"QCHX"},     {u"CONTROL_HXsjsStatic", u"Color1"},
      {u"CONTROL_JTysStatic", u"JColor"},   {u"CONTROL_USERysStatic", u"Tool"},
      {u"CONTROL_USERjsStatic", u"Tool2"},  {u"CONTROL_USERgjStatic", u"Color"},
      {u"CONTROL_USERgj2Static", u"SingleColor"}, {u"CONTROL_TSysStatic", u"QCTS"},
      {u"CONTROL_TSsjsStatic", u"Color1"},  {u"CONTROL_CDysStatic", u"QCCD"},
      {u"CONTROL_CDsjsStatic", u"Color1"},
  };
  for (const auto& caption : kCaptions)
    if (caption.skinKey == skinKey) return caption.textKey;
  return nullptr;
}

const SkinKey* FindSkinKey(SkinWindow window, std::u16string_view name) {
  for (const SkinKey& key : SkinKeysOf(window))
    if (key.key == name) return &key;
  return nullptr;
}
