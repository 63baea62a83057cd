#include "panels/lighting_panel_win.h"

#include <algorithm>
#include <string>

#include "app/app_paths.h"
#include "app/shell_state.h"
#include "app/wide_win.h"
#include "lighting/lighting_transfers.h"
#include "localisation/language_file_win.h"
#include "localisation/text_slots.h"
#include "panels/key_grid_ids.h"
#include "profiles/profile_store.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "app/ini_section_win.h"
#include "skin/skin_file_win.h"
#include "skin/skin_keys.h"
#include "skin/skin_picture_win.h"

namespace {

// The lighting panel's block, but for the Fn key (the key grid's) and the wait
// picture (the window's own) in it.
constexpr IdRange kLightingCommands[] = {
    {IDC_SWITCH, IDC_KEY_FN - 1}, {IDC_KEY_FN + 1, IDC_WAIT_PICTURE - 1}, {IDC_WAIT_PICTURE + 1, 1194}};

// When a control shows: always, while the panel is on, or while it is on and
// the effect uses the control's group.
struct Shown {
  enum class When { kAlways, kWhileOn, kWithEffect } when;
  LightingControls group = LightingControls::kSpeed;
};
constexpr Shown kAlways{Shown::When::kAlways};
constexpr Shown kWhileOn{Shown::When::kWhileOn};
constexpr Shown With(LightingControls group) { return {Shown::When::kWithEffect, group}; }

struct Caption {
  int id;
  const char16_t* skinKey;  // its text: LightingCaptionTextKey
  Shown shown;
};
constexpr Caption kCaptions[] = {
    {IDC_REPORT_CAPTION, u"CONTROL_UsbStatic", kAlways},
    {IDC_LIGHTING_ON_CAPTION, u"CONTROL_DengStatic", kAlways},
    {IDC_BRIGHTNESS_CAPTION, u"CONTROL_LightStatic", With(LightingControls::kBrightness)},
    {IDC_SPEED_CAPTION, u"CONTROL_SpeedStatic", With(LightingControls::kSpeed)},
    {IDC_DIRECTION_CAPTION, u"CONTROL_BLFXStatic", With(LightingControls::kDirection)},
    {IDC_MODE4_COLOUR_CAPTION, u"CONTROL_FYYSStatic", With(LightingControls::kMode4Group)},
    {IDC_MODE4_FLAG_CAPTION, u"CONTROL_FYSJSStatic", With(LightingControls::kMode4Group)},
    {IDC_MODE4_TRIGGER_CAPTION, u"CONTROL_FYCFStatic", With(LightingControls::kMode4Group)},
    {IDC_MODE4_OPTION0_CAPTION, u"CONTROL_FYdjcfStatic", With(LightingControls::kMode4Group)},
    {IDC_MODE4_OPTION1_CAPTION, u"CONTROL_FYggcfStatc", With(LightingControls::kMode4Group)},
    {IDC_MODE11_COLOUR_CAPTION, u"CONTROL_HXysStatic", With(LightingControls::kMode11Group)},
    {IDC_MODE11_FLAG_CAPTION, u"CONTROL_HXsjsStatic", With(LightingControls::kMode11Group)},
    {IDC_MODE9_COLOUR_CAPTION, u"CONTROL_JTysStatic", With(LightingControls::kMode9Colour)},
    {IDC_SELECTION_CAPTION, u"CONTROL_USERysStatic", With(LightingControls::kPerKeyTools)},
    {IDC_BACKGROUND_CAPTION, u"CONTROL_USERjsStatic", With(LightingControls::kPerKeyTools)},
    {IDC_TOOL_CAPTION, u"CONTROL_USERgjStatic", With(LightingControls::kPerKeyTools)},
    {IDC_TOOL2_CAPTION, u"CONTROL_USERgj2Static", With(LightingControls::kPerKeyTools)},
    {IDC_MODE12_COLOUR_CAPTION, u"CONTROL_TSysStatic", With(LightingControls::kMode12Group)},
    {IDC_MODE12_FLAG_CAPTION, u"CONTROL_TSsjsStatic", With(LightingControls::kMode12Group)},
    {IDC_MODE14_COLOUR_CAPTION, u"CONTROL_CDysStatic", With(LightingControls::kMode14Group)},
    {IDC_MODE14_FLAG_CAPTION, u"CONTROL_CDsjsStatic", With(LightingControls::kMode14Group)},
};

struct Picture {
  int id;
  const char16_t* skinKey;
  Shown shown;
};
constexpr Picture kPictures[] = {
    {IDC_LIGHTING_ON, u"CONTROL_DengStaPic", kAlways},
    {IDC_DIRECTION_LEFT, u"CONTROL_BLFXLStaPic", With(LightingControls::kDirection)},
    {IDC_DIRECTION_RIGHT, u"CONTROL_BLFXRStaPic", With(LightingControls::kDirection)},
    {IDC_MODE4_FLAG, u"CONTROL_FYSJSStaPic", With(LightingControls::kMode4Group)},
    {IDC_MODE4_OPTION0, u"CONTROL_FYdjcfStaPic", With(LightingControls::kMode4Group)},
    {IDC_MODE4_OPTION1, u"CONTROL_FYggcfStaPic", With(LightingControls::kMode4Group)},
    {IDC_MODE11_FLAG, u"CONTROL_HXsjsStaPic", With(LightingControls::kMode11Group)},
    {IDC_MODE12_FLAG, u"CONTROL_TSsjsStaPic", With(LightingControls::kMode12Group)},
    {IDC_MODE14_FLAG, u"CONTROL_CDsjsStaPic", With(LightingControls::kMode14Group)},
    {IDC_TOOL0, u"CONTROL_USERgjStaPic1", With(LightingControls::kPerKeyTools)},
    {IDC_TOOL1, u"CONTROL_USERgjStaPic2", With(LightingControls::kPerKeyTools)},
};

struct ColourButton {
  int id;
  const char16_t* skinKey;
  int effect;  // whose group colour it sets; 0 for the per-key tools' two colours
  Shown shown;
};
constexpr ColourButton kColourButtons[] = {
    {IDC_MODE4_COLOUR, u"CONTROL_FYYSButton", 4, With(LightingControls::kMode4Group)},
    {IDC_MODE9_COLOUR, u"CONTROL_JTysButton", 9, With(LightingControls::kMode9Colour)},
    {IDC_MODE11_COLOUR, u"CONTROL_HXysButton", 11, With(LightingControls::kMode11Group)},
    {IDC_MODE12_COLOUR, u"CONTROL_TSysButton", 12, With(LightingControls::kMode12Group)},
    {IDC_MODE14_COLOUR, u"CONTROL_CDysButton", 14, With(LightingControls::kMode14Group)},
    {IDC_SELECTION_COLOUR, u"CONTROL_USERysButton", 0, With(LightingControls::kPerKeyTools)},
    {IDC_BACKGROUND_COLOUR, u"CONTROL_USERjsButton", 0, With(LightingControls::kPerKeyTools)},
};

// The flag pictures, by the effect whose group flag they show.
constexpr struct {
  int id;
  int effect;
} kFlagPictures[] = {{IDC_MODE4_FLAG, 4}, {IDC_MODE11_FLAG, 11}, {IDC_MODE12_FLAG, 12}, {IDC_MODE14_FLAG, 14}};

constexpr int kReportRateIds[] = {IDC_REPORT1, IDC_REPORT2, IDC_REPORT3, IDC_REPORT4};

// The panel's picture files in the main skin folder, in the order of bitmaps_.
enum Bitmap {
  kLightOnDown, kLightOnUp, kLeftDown, kLeftUp, kRightDown, kRightUp, kFlagDown, kFlagUp,
  kTool0Down, kTool0Up, kTool1Down, kTool1Up, kFirstSliderPicture  // then "0.bmp" to "51.bmp"
};
constexpr const char16_t* kBitmapFiles[] = {u"dengdown.bmp", u"dengup.bmp",  u"leftdown.bmp",  u"leftup.bmp",
                                            u"rightdown.bmp", u"rightup.bmp", u"sjsdown.bmp",   u"sjsup.bmp",
                                            u"user1down.bmp", u"user1up.bmp", u"user2down.bmp", u"user2up.bmp"};
constexpr int kSliderPictures = 52;  // "0.bmp" to "51.bmp"; 0-25 brightness, 27-51 speed
constexpr int kSpeedPictureFirst = 27;
constexpr std::size_t kBitmapCount = std::size(kBitmapFiles) + kSliderPictures;

constexpr UINT_PTR kFirstSliderTimer = 1060;  // one per slider: the kept position's turn
constexpr UINT_PTR kClientShowTimer = 1054;   // another program changed the lighting: show it
constexpr UINT kClientShowMs = 100;

COLORREF ToColorref(Rgb colour) { return RGB(colour.r, colour.g, colour.b); }
Rgb FromColorref(COLORREF colour) {
  return {static_cast<std::uint8_t>(GetRValue(colour)), static_cast<std::uint8_t>(GetGValue(colour)),
          static_cast<std::uint8_t>(GetBValue(colour))};
}

template <typename Table>
int IndexOfId(const Table& table, int id) {
  for (std::size_t i = 0; i < std::size(table); ++i)
    if (table[i].id == id) return static_cast<int>(i);
  return -1;
}

int IndexOfControl(std::span<const int> ids, int id) {
  const auto found = std::find(ids.begin(), ids.end(), id);
  return found == ids.end() ? -1 : static_cast<int>(found - ids.begin());
}

// Whether the skin's captions and effect names follow the language: the
// stored language 0 or 1 picks the first or second section; another value
// leaves them alone.
const char16_t* SkinTextSection(const char16_t* chinese, const char16_t* english) {
  const int stored = ReadStoredLanguage();
  if (stored != 0 && stored != 1) return nullptr;
  return ChosenLanguageSection() == std::u16string_view(kEnglishSection) ? english : chinese;
}

}  // namespace

const LightingState& LightingPanel::State() const {
  static const LightingState kNoneRead;
  return context_.session ? session().Lighting() : kNoneRead;
}

LightingPanel::~LightingPanel() {
  for (HBITMAP bitmap : bitmaps_)
    if (bitmap) DeleteObject(bitmap);
}

std::span<const IdRange> LightingPanel::Commands() const { return kLightingCommands; }

std::vector<PanelButton> LightingPanel::Buttons() {
  std::vector<PanelButton> buttons;
  for (int k = 0; k < 4; ++k)
    buttons.push_back({u"FUNC_REPORT" + std::u16string(1, char16_t(u'1' + k)), kReportRateIds[k], &reportRateButtons_[k]});
  // The colour-key switch is never offered.
  buttons.push_back({u"FUNC_SWITCH", IDC_SWITCH, &switchButton_, PanelButton::Start::kHidden});
  return buttons;
}

HWND LightingPanel::MakeControl(const wchar_t* windowClass, DWORD style, int id, const char16_t* skinKey, bool shown) {
  const SkinRect r = context_.placement ? SkinRectIn(context_.placement->buttonInfo, skinKey) : SkinRect{1, 1, 1, 1};
  HWND control = CreateWindowExW(0, windowClass, L"", WS_CHILD | style | (shown ? WS_VISIBLE : 0), r.x, r.y, r.w, r.h,
                                 host(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
  if (control) SendMessageW(control, WM_SETFONT, SendMessageW(host(), WM_GETFONT, 0, 0), FALSE);
  return control;
}

void LightingPanel::MakeControls() {
  if (!bind_ || effectList_.hwnd()) return;
  pictures_.resize(std::size(kPictures));
  colours_.resize(std::size(kColourButtons));
  captions_.resize(std::size(kCaptions));
  MakeControl(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IDC_EFFECT_LIST, u"CONTROL_XGcombox", false);
  bind_(effectList_, IDC_EFFECT_LIST);
  MakeControl(L"STATIC", SS_NOTIFY, IDC_BRIGHTNESS_SLIDER, u"CONTROL_LightSlider", false);
  bind_(brightnessSlider_, IDC_BRIGHTNESS_SLIDER);
  MakeControl(L"STATIC", SS_NOTIFY, IDC_SPEED_SLIDER, u"CONTROL_SpeedSlider", false);
  bind_(speedSlider_, IDC_SPEED_SLIDER);
  for (std::size_t i = 0; i < pictures_.size(); ++i) {
    MakeControl(L"STATIC", SS_BITMAP | SS_NOTIFY, kPictures[i].id, kPictures[i].skinKey,
                kPictures[i].shown.when == Shown::When::kAlways);
    bind_(pictures_[i], kPictures[i].id);
  }
  for (std::size_t i = 0; i < colours_.size(); ++i) {
    MakeControl(L"BUTTON", BS_OWNERDRAW, kColourButtons[i].id, kColourButtons[i].skinKey, false);
    bind_(colours_[i], kColourButtons[i].id);
  }
  for (std::size_t i = 0; i < captions_.size(); ++i) {
    MakeControl(L"STATIC", SS_LEFT, kCaptions[i].id, kCaptions[i].skinKey, kCaptions[i].shown.when == Shown::When::kAlways);
    bind_(captions_[i], kCaptions[i].id);
    captions_[i].SetBackground(context_.background ? context_.background() : nullptr);
  }
  sliders_ = {{{IDC_BRIGHTNESS_SLIDER, {}}, {IDC_SPEED_SLIDER, {}}}};
}

void LightingPanel::MoveToSkinKey(HWND control, const char16_t* skinKey, bool keepSize) const {
  if (!control || !context_.placement) return;
  const SkinRect r = SkinRectIn(context_.placement->buttonInfo, skinKey);
  RECT now{};
  GetWindowRect(control, &now);
  const int width = keepSize ? now.right - now.left : r.w, height = keepSize ? now.bottom - now.top : r.h;
  SetWindowPos(control, nullptr, r.x, r.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void LightingPanel::OnButtonsMade() {
  MakeControls();
  switchButton_.SetTextStyle(true, 10, u"Arial", RGB(0xE4, 0xE4, 0xE4), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  const int selector = ReadVoviSetting(kSelectorValue, 1);
  for (int k = 0; k < 4; ++k) reportRateButtons_[k].SetChecked(selector == k + 1, true);
  on_ = ReadVoviSetting(kLightingOnValue, 0) == 1;
  SetTexts();  // and shows the state
}

bool LightingPanel::LateStartStep() {
  if (bitmapsRead_ == kBitmapCount) return false;
  if (bitmaps_.empty()) bitmaps_.resize(kBitmapCount, nullptr);
  const std::size_t i = bitmapsRead_++;
  const std::u16string folder = Paths().mainSkinFolder;
  std::u16string name;
  if (i < std::size(kBitmapFiles)) {
    name = kBitmapFiles[i];
  } else {
    for (char c : std::to_string(i - std::size(kBitmapFiles))) name += static_cast<char16_t>(c);
    name += u".bmp";
  }
  bitmaps_[i] = LoadBitmapFile(folder + name);
  if (bitmapsRead_ == kBitmapCount) {
    std::vector<HBITMAP> brightness(bitmaps_.begin() + kFirstSliderPicture,
                                    bitmaps_.begin() + kFirstSliderPicture + kMaxBrightness + 1);
    std::vector<HBITMAP> speed(bitmaps_.begin() + kFirstSliderPicture + kSpeedPictureFirst,
                               bitmaps_.begin() + kFirstSliderPicture + kSpeedPictureFirst + kMaxSpeed + 1);
    brightnessSlider_.SetPictures(std::move(brightness));
    speedSlider_.SetPictures(std::move(speed));
    ShowState();  // the sliders' positions need their pictures
  }
  return true;
}

// --- What the panel shows ---

void LightingPanel::SetTexts() {
  if (const char16_t* section = SkinTextSection(u"Control_Name", u"Control_Name1")) {
    const IniSection names = ReadIniSection(Paths().mainSkinFile, section);
    for (std::size_t i = 0; i < captions_.size(); ++i)
      if (const char16_t* textKey = LightingCaptionTextKey(kCaptions[i].skinKey)) captions_[i].SetText(names.Get(textKey));
  }
  effectNames_ = {};
  if (const char16_t* section = SkinTextSection(u"Mode", u"Mode1")) effectNames_ = ReadIniSection(Paths().mainSkinFile, section);
  ShowSwitchText();
  // The switch says what it changes: which key clicks paint and which edit.
  switchTooltip_.Set(GetDlgItem(host(), IDC_LIGHTING_ON), std::u16string(Text(TextKey::MAIN_LIGHTING_SWITCH_PROMPT)));
  ShowState();  // the effect names
}

void LightingPanel::ShowSwitchText() { switchButton_.SetText(Text(TextKey::MAIN_SWITCH_FUNCTION_TEXT)); }

void LightingPanel::ShowState() {
  effectList_.Clear();
  int selected = -1;
  for (std::size_t entry = 0; entry < State().offeredEffects.size(); ++entry) {
    const int effect = State().offeredEffects[entry];
    // An effect the skin does not name is listed as "1"; another language setting lists no names.
    const bool named = SkinTextSection(u"Mode", u"Mode1") != nullptr;
    effectList_.AddItem(named ? effectNames_.Get(FromWide(std::to_wstring(effect)), u"1") : u"");
    if (effect == State().effectMode) selected = static_cast<int>(entry);
  }
  effectList_.Select(selected);
  brightnessSlider_.SetPosition(BrightnessPosition(State()));
  speedSlider_.SetPosition(SpeedPosition(State()));
  for (std::size_t i = 0; i < colours_.size(); ++i) {
    const int effect = kColourButtons[i].effect;
    const EffectGroup* group = GroupOfEffect(State(), effect);
    const Rgb colour = group                                 ? group->colour
                       : kColourButtons[i].id == IDC_SELECTION_COLOUR ? State().selectionColour
                                                                     : State().backgroundColour;
    colours_[i].SetColour(ToColorref(colour));
  }
  ShowPictures();
  ShowControls();
  ShowKeyTint();
}

void LightingPanel::ShowPictures() {
  if (bitmapsRead_ < kBitmapCount) return;
  const auto show = [this](int id, Bitmap down, bool isDown) {
    const int i = IndexOfId(kPictures, id);
    if (i < 0 || i >= static_cast<int>(pictures_.size()) || !pictures_[i].hwnd()) return;
    SendMessageW(pictures_[i].hwnd(), STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(bitmaps_[isDown ? down : down + 1]));
  };
  show(IDC_LIGHTING_ON, kLightOnDown, on_);
  show(IDC_DIRECTION_LEFT, kLeftDown, State().direction == 0);
  show(IDC_DIRECTION_RIGHT, kRightDown, State().direction == 1);
  for (const auto& flag : kFlagPictures) {
    const EffectGroup* group = GroupOfEffect(State(), flag.effect);
    show(flag.id, kFlagDown, group && group->flag);
  }
  show(IDC_MODE4_OPTION0, kFlagDown, State().mode4Option == 0);
  show(IDC_MODE4_OPTION1, kFlagDown, State().mode4Option == 1);
  show(IDC_TOOL0, kTool0Down, State().tool == kToolOfPicture[0]);
  show(IDC_TOOL1, kTool1Down, State().tool == kToolOfPicture[1]);
}

void LightingPanel::ShowControls() {
  const int effect = State().effectMode;
  const auto shows = [&](const Shown& shown) {
    switch (shown.when) {
      case Shown::When::kAlways: return true;
      case Shown::When::kWhileOn: return on_;
      case Shown::When::kWithEffect: return on_ && ShowsControls(effect, shown.group);
    }
    return false;
  };
  effectList_.Show(shows(kWhileOn));
  brightnessSlider_.Show(shows(With(LightingControls::kBrightness)));
  speedSlider_.Show(shows(With(LightingControls::kSpeed)));
  for (std::size_t i = 0; i < pictures_.size(); ++i) pictures_[i].Show(shows(kPictures[i].shown));
  for (std::size_t i = 0; i < colours_.size(); ++i) colours_[i].Show(shows(kColourButtons[i].shown));
  for (std::size_t i = 0; i < captions_.size(); ++i) captions_[i].Show(shows(kCaptions[i].shown));

  // Effect 4 moves the speed controls, effect 1 the direction controls, to their second places.
  if (captions_.empty()) return;
  const bool speedSecond = UsesSecondPlace(effect, LightingControls::kSpeed);
  MoveToSkinKey(captions_[IndexOfId(kCaptions, IDC_SPEED_CAPTION)].hwnd(),
                speedSecond ? u"CONTROL_SpeedStatic2" : u"CONTROL_SpeedStatic", false);
  MoveToSkinKey(speedSlider_.hwnd(), speedSecond ? u"CONTROL_SpeedSlider2" : u"CONTROL_SpeedSlider", true);
  const bool directionSecond = UsesSecondPlace(effect, LightingControls::kDirection);
  MoveToSkinKey(captions_[IndexOfId(kCaptions, IDC_DIRECTION_CAPTION)].hwnd(),
                directionSecond ? u"CONTROL_BLFXStatic2" : u"CONTROL_BLFXStatic", true);
  MoveToSkinKey(pictures_[IndexOfId(kPictures, IDC_DIRECTION_LEFT)].hwnd(),
                directionSecond ? u"CONTROL_BLFXLStaPic2" : u"CONTROL_BLFXLStaPic", true);
  MoveToSkinKey(pictures_[IndexOfId(kPictures, IDC_DIRECTION_RIGHT)].hwnd(),
                directionSecond ? u"CONTROL_BLFXRStaPic2" : u"CONTROL_BLFXRStaPic", true);
}

void LightingPanel::ShowKeyTint() {
  if (!tintKeys_) return;
  const KeyTint tint = on_ ? KeyTintOf(State()) : KeyTint{};
  tintKeys_([&](int position) -> std::optional<COLORREF> {
    switch (tint.kind) {
      case KeyTint::Kind::kNormal: return std::nullopt;
      case KeyTint::Kind::kAllOneColour: return ToColorref(tint.colour);
      case KeyTint::Kind::kOwnColours:
        if (position < 0 || position >= kKeyColourPositions) return std::nullopt;
        return ToColorref(State().keyColours[position]);
    }
    return std::nullopt;
  });
}

// --- Commands ---

bool LightingPanel::OnCommand(int id, int notifyCode) {
  const int report = IndexOfControl(kReportRateIds, id);
  if (report >= 0) {
    SetReportRate(report);
  } else if (id == IDC_EFFECT_LIST) {
    if (notifyCode == CBN_SELCHANGE) SelectEffect(effectList_.Selection());
  } else if (id == IDC_LIGHTING_ON) {
    if (on_) SwitchOff(); else SwitchOn();
  } else if (id == IDC_DIRECTION_LEFT || id == IDC_DIRECTION_RIGHT) {
    const int direction = id == IDC_DIRECTION_LEFT ? 0 : 1;
    Send([direction](LightingState& state) { return SetDirection(state, direction); });
  } else if (id == IDC_MODE4_OPTION0 || id == IDC_MODE4_OPTION1) {
    const int option = id == IDC_MODE4_OPTION0 ? 0 : 1;
    Send([option](LightingState& state) { return SetMode4Option(state, option); });
  } else if (id == IDC_TOOL0 || id == IDC_TOOL1) {
    const PaintTool tool = kToolOfPicture[id == IDC_TOOL0 ? 0 : 1];
    Send([tool](LightingState& state) {
      state.tool = tool;  // only the panel's: nothing to write
      return LightingWrites{};
    });
  } else if (IndexOfId(kColourButtons, id) >= 0) {
    if (notifyCode == BN_CLICKED) PickColour(id);
  } else {
    for (const auto& flag : kFlagPictures)
      if (flag.id == id) {
        Send([effect = flag.effect](LightingState& state) { return ToggleGroupFlag(state, effect); });
      }
  }
  return true;
}

void LightingPanel::SetReportRate(int button) {
  WriteVoviSetting(kSelectorValue, button + 1);
  for (int k = 0; k < 4; ++k) reportRateButtons_[k].SetChecked(k == button, true);
}

void LightingPanel::SelectEffect(int listIndex) {
  if (listIndex < 0 || listIndex >= static_cast<int>(State().offeredEffects.size())) return;
  const int effect = State().offeredEffects[listIndex];
  Send([effect](LightingState& state) { return ::SelectEffect(state, effect); });
}

void LightingPanel::PickColour(int id) {
  CSkinColorButton& button = colours_[IndexOfId(kColourButtons, id)];
  if (!button.Pick()) return;
  const Rgb colour = FromColorref(button.Colour());
  const int effect = kColourButtons[IndexOfId(kColourButtons, id)].effect;
  Send([id, effect, colour](LightingState& state) {
    if (id == IDC_BACKGROUND_COLOUR) {
      state.backgroundColour = colour;  // the keyboard hears of it when a key is painted
      return LightingWrites{};
    }
    return id == IDC_SELECTION_COLOUR ? SetSelectionColour(state, colour) : SetGroupColour(state, effect, colour);
  });
}

bool LightingPanel::PaintsKeys() const { return on_ && State().effectMode == kPerKeyEffect; }

void LightingPanel::PaintKey(int controlId) {
  const int key = IndexOfControl(kKeyButtonIds, controlId);
  const int button = controlId == IDC_KEY_FN ? kFnButton : key;
  if (button < 0) return;
  Send([button](LightingState& state) { return ::PaintKey(state, button); });
}

void LightingPanel::SwitchOn() {
  // Switching profiles first asks about unsaved edits of the keys.
  if (!link() || !context_.switchProfile) return;
  if (!context_.switchProfile(CurrentProfile())) return;
  on_ = true;
  WriteVoviSetting(kLightingOnValue, 1);
  ShowPictures();
  ShowControls();
  ShowKeyTint();
}

void LightingPanel::SwitchOff() {
  on_ = false;
  WriteVoviSetting(kLightingOnValue, 0);
  ShowPictures();
  ShowControls();
  ShowKeyTint();
}

void LightingPanel::RestoreDefaultLighting() {
  Send(DefaultLighting, 0, true);  // then read what the keyboard holds
}

// --- Transfers ---

void LightingPanel::Send(const Change& change, int draggedId, bool readAfter) {
  if (!context_.session) return;
  std::function<void()> written;
  if (draggedId) written = [this, draggedId] { OnWriteEnded(draggedId); };
  const bool queued = link() && session().ChangeLighting(LightingSource::kWindow, change, readAfter, std::move(written));
  if (!queued && draggedId) OnWriteEnded(draggedId);
}

// --- Dragged controls: the latest position wins, at most one write under way ---

LightingPanel::Slider* LightingPanel::SliderOf(int id) {
  for (Slider& slider : sliders_)
    if (slider.id == id) return &slider;
  return nullptr;
}

void LightingPanel::OnSliderMoved(int id, int position) {
  Slider* slider = SliderOf(id);
  if (!slider) return;
  const auto now = std::chrono::steady_clock::now();
  if (const std::optional<int> due = OfferPosition(slider->coalescer, position, now)) {
    SendDragged(*slider, *due);
    return;
  }
  if (const auto at = KeptPositionDue(slider->coalescer)) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*at - now).count();
    SetTimer(host(), kFirstSliderTimer + (slider - sliders_.data()), static_cast<UINT>(std::max<long long>(wait, 1)),
             nullptr);
  }
}

void LightingPanel::SendDragged(Slider& slider, int position) {
  const bool brightness = slider.id == IDC_BRIGHTNESS_SLIDER;
  Send([brightness, position](LightingState& state) {
    return brightness ? SetBrightness(state, position) : SetSpeed(state, position);
  }, slider.id);
}

void LightingPanel::OnWriteEnded(int id) {
  Slider* slider = SliderOf(id);
  if (!slider) return;
  WriteFinished(slider->coalescer);
  OnTimer(kFirstSliderTimer + (slider - sliders_.data()));
}

void LightingPanel::OnSessionEvent(const SessionEvent& event) {
  if (event.kind != SessionEvent::Kind::kLightingChanged) return;
  if (event.value == static_cast<int>(LightingSource::kClient)) {
    // Another program may change the lighting a thousand times a second: the
    // panel follows it a few times a second.
    if (!clientShowDue_) clientShowDue_ = SetTimer(host(), kClientShowTimer, kClientShowMs, nullptr) != 0;
    return;
  }
  if (event.value == static_cast<int>(LightingSource::kKeyboard)) {
    // A read: the panel's own settings are taken again with it.
    on_ = ReadVoviSetting(kLightingOnValue, 0) == 1;
    const int selector = ReadVoviSetting(kSelectorValue, 1);
    for (int k = 0; k < 4; ++k) reportRateButtons_[k].SetChecked(selector == k + 1, true);
  }
  ShowState();
}

bool LightingPanel::OnTimer(UINT_PTR timer) {
  if (timer == kClientShowTimer) {
    KillTimer(host(), kClientShowTimer);
    clientShowDue_ = false;
    ShowState();
    return true;
  }
  if (timer < kFirstSliderTimer || timer >= kFirstSliderTimer + sliders_.size()) return false;
  Slider& slider = sliders_[timer - kFirstSliderTimer];
  KillTimer(host(), timer);
  const auto now = std::chrono::steady_clock::now();
  if (const std::optional<int> due = TakeKeptPosition(slider.coalescer, now)) {
    SendDragged(slider, *due);
  } else if (const auto at = KeptPositionDue(slider.coalescer)) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*at - now).count();
    SetTimer(host(), timer, static_cast<UINT>(std::max<long long>(wait, 1)), nullptr);
  }
  return true;
}
