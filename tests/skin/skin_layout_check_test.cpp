#include "skin/skin_layout_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "skin/skin_keys.h"

namespace {

// A sound update-dialog layout; each test breaks it in one way.
std::map<std::u16string, std::u16string> UpdateLayout() {
  return {{u"CONTROL_UPStatic", u"20,20,300,24"},  {u"CONTROL_UPCombox", u"20,50,300,24"},
          {u"CONTROL_OPENButton", u"20,90,80,30"}, {u"CONTROL_UPButton", u"110,90,80,30"},
          {u"CONTROL_CUPButton", u"200,90,80,30"}, {u"CONTROL_BACKUPButton", u"290,90,80,30"}};
}

std::vector<std::string> Check(SkinWindow window, const std::map<std::u16string, std::u16string>& values,
                               int height = 200) {
  return CheckSkinLayout(
      window,
      [&](const std::u16string& key, std::u16string& value) {
        const auto found = values.find(key);
        if (found == values.end()) return false;
        value = found->second;
        return true;
      },
      400, height);
}

// Every control of the window on a row of its own, 4 x 4 pixels.
std::map<std::u16string, std::u16string> RowLayout(SkinWindow window) {
  std::map<std::u16string, std::u16string> layout;
  int row = 0;
  for (const SkinKey& key : SkinKeysOf(window)) {
    const std::string value = "10," + std::to_string(10 + 5 * row++) + ",4,4";
    layout[key.key] = std::u16string(value.begin(), value.end());
  }
  return layout;
}

TEST(SkinLayoutCheck, FindsEachKindOfFault) {
  EXPECT_TRUE(Check(SkinWindow::kUpdate, UpdateLayout()).empty());
  const struct {
    const char16_t* key;
    const char16_t* value;  // nullptr removes the key
    const char* problem;
  } cases[] = {
      {u"CONTROL_UPButton", nullptr, "CONTROL_UPButton: missing"},
      {u"CONTROL_UPButton", u"1,1,10,10", "CONTROL_UPButton: at (1, 1), which disables it"},
      {u"CONTROL_UPButton", u"390,90,80,30", "CONTROL_UPButton: outside the background (390,90,80,30)"},
      {u"CONTROL_UPButton", u"110,90", "CONTROL_UPButton: no size (110,90,1,1)"},
      {u"CONTROL_UPButton", u"90,90,80,30", "CONTROL_UPButton overlaps CONTROL_OPENButton"},
  };
  for (const auto& c : cases) {
    auto values = UpdateLayout();
    if (c.value)
      values[c.key] = c.value;
    else
      values.erase(c.key);
    const auto problems = Check(SkinWindow::kUpdate, values);
    ASSERT_EQ(problems.size(), 1u) << c.problem;
    EXPECT_EQ(problems[0], c.problem);
  }
}

TEST(SkinLayoutCheck, PagesAndAlternatesMayShareSpace) {
  const auto layout = RowLayout(SkinWindow::kComposite);
  auto lookup = [](const std::map<std::u16string, std::u16string>& v) { return Check(SkinWindow::kComposite, v); };
  ASSERT_TRUE(lookup(layout).empty());
  auto pages = layout;
  pages[u"FUNC_MEDIA_SELECT"] = pages[u"FUNC_KEY_INPUT"];  // pages 3 and 1
  EXPECT_TRUE(lookup(pages).empty());
  auto samePage = layout;
  samePage[u"FUNC_MACRO_LIST"] = samePage[u"FUNC_MACRO_LIST2"];  // both on the macro page
  EXPECT_EQ(lookup(samePage).size(), 1u);
  auto shared = layout;
  shared[u"FUNC_MEDIA_SELECT"] = shared[u"KEY_SETTING"];  // the heading is on every page
  EXPECT_EQ(lookup(shared).size(), 1u);

  const auto main = RowLayout(SkinWindow::kMain);
  auto mainLookup = [](const std::map<std::u16string, std::u16string>& v) { return Check(SkinWindow::kMain, v, 1200); };
  ASSERT_TRUE(mainLookup(main).empty());
  auto alternate = main;
  alternate[u"CONTROL_SpeedSlider2"] = alternate[u"CONTROL_SpeedSlider"];  // used instead of it
  EXPECT_TRUE(mainLookup(alternate).empty());
  alternate[u"CONTROL_SpeedSlider2"] = alternate[u"CONTROL_LightSlider"];  // shown beside it
  EXPECT_EQ(mainLookup(alternate), (std::vector<std::string>{"CONTROL_LightSlider overlaps CONTROL_SpeedSlider2"}));
}

TEST(SkinKeys, TheMainWindowReadsEveryGridKeyOnce) {
  const auto& keys = SkinKeysOf(SkinWindow::kMain);
  std::map<std::u16string, int> seen;
  for (const SkinKey& key : keys) ++seen[key.key];
  for (const auto& [key, count] : seen) EXPECT_EQ(count, 1) << std::string(key.begin(), key.end());
  // 10 command buttons, 12 with the disable picture as checked face, 9 extra
  // keys, 6 D keys, 104 grid keys, 6 indicators, 2 arrows, 43 panel keys, 5 alternates.
  EXPECT_EQ(keys.size(), 10u + 12 + 9 + 6 + 104 + 6 + 2 + 43 + 5);
  EXPECT_EQ(DKeySkinKey(0), u"FUNC_D1");
  EXPECT_EQ(DKeySkinKey(5), u"FUNC_D6");
  EXPECT_EQ(KeyButtonSkinKey(0x01E), u"KEY_01E");
  EXPECT_EQ(KeyButtonSkinKey(0x152), u"KEY_0D2");  // E0 keys have slots 128 and up
  EXPECT_EQ(KeyButtonSkinKey(0x145), u"KEY_0C5");
  EXPECT_EQ(ExtraKeySkinKey(8), u"FUNC_G9");
  EXPECT_EQ(ArrowOriginKey(false, false, 1), u"UP_ARROW_LEFT1");
  EXPECT_EQ(ArrowOriginKey(true, true, 2), u"DOWN_ARROW_RIGHT2");
  for (const char16_t* slotted : {u"KEY_01E", u"FUNC_G1", u"FUNC_D1", u"FLIP_1"}) {
    const auto it = std::find_if(keys.begin(), keys.end(), [&](const SkinKey& k) { return k.key == slotted; });
    ASSERT_NE(it, keys.end());
    EXPECT_EQ(it->slots, "NODNX");
  }
}

TEST(SkinKeys, EveryLightingCaptionShowsATextOfTheSkinFile) {
  const std::vector<std::u16string>& texts = LightingCaptionKeys();
  int captions = 0;
  for (const SkinKey& key : SkinKeysOf(SkinWindow::kMain)) {
    const char16_t* text = LightingCaptionTextKey(key.key);
    if (!text) continue;
    ++captions;
    EXPECT_NE(std::find(texts.begin(), texts.end(), std::u16string(text)), texts.end());
  }
  EXPECT_EQ(captions, 21);
  EXPECT_EQ(LightingCaptionTextKey(u"CONTROL_FYYSButton"), nullptr);
  EXPECT_EQ(std::u16string(LightingCaptionTextKey(u"CONTROL_USERysStatic")), u"Tool");  // the key colour's button
}

}  // namespace
