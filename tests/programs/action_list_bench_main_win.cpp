// The macro page's action list with a long macro: loading a macro of 2000
// actions into the page and the list (and painting the list) against loading
// one of 20, and saving the rows back into the macro the same way, each in
// turns. The list asks only for the rows it paints, so loading should cost far
// less than 100 times more (the rows are 100 times more). Never fails on time.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "controls/action_list_win.h"
#include "editors/macro_page.h"
#include "tests/support/action_list_host_win.h"
#include "tests/support/paired_ratio.h"
#include "tests/support/windows_test_support_win.h"

namespace {

// A macro of `count` actions: presses and releases of the letter keys.
MacroRecord MacroOf(int count, std::uint16_t id) {
  MacroRecord macro;
  FillNewMacroRecord(macro, u"Bench", id);
  const KeyCode letters[] = {0x01E, 0x030, 0x02E, 0x020, 0x012};
  for (int i = 0; i < count; ++i)
    macro.actions[i] = MacroAction{static_cast<std::uint32_t>(10 * (i % 7)), letters[i / 2 % 5],
                                   static_cast<std::uint16_t>(i % 2 == 0 ? kMacroPress : kMacroRelease)};
  macro.actionCount = static_cast<std::uint16_t>(count);
  return macro;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  ActionListHost dialog(300);
  if (!dialog.CreateModeless()) return 4;
  HWND list = dialog.list.hwnd();

  MacroPage page;
  page.macros = {MacroOf(20, 1), MacroOf(kMaxMacroActions, 2)};
  const int kShort = 0, kLong = 1;

  // What the key editor does when the user picks a macro: the page loads its
  // rows, the list shows them, and the list paints.
  auto load = [&](int position) {
    SelectMacro(page, -1);  // nothing to save into a macro before the timing
    const double start = SecondsNow();
    SelectMacro(page, position);
    dialog.list.ShowRows(&page.rows);
    UpdateWindow(list);
    return SecondsNow() - start;
  };
  // The rows back into the selected macro, as before another macro loads;
  // repeated, a single save being too short for the clock.
  constexpr int kSaves = 200;
  auto save = [&](int position) {
    SelectMacro(page, position);
    const double start = SecondsNow();
    for (int i = 0; i < kSaves; ++i) SaveMacroActions(page);
    return (SecondsNow() - start) / kSaves;
  };

  const PairedRatio loads = MeasurePairs(kFewestPairs, [&] { return load(kLong); }, [&] { return load(kShort); });
  load(kLong);
  const bool shown = dialog.list.RowCount() == kMaxMacroActions && dialog.list.CellText(1999, 2) == u"40";
  const PairedRatio saves = MeasurePairs(kFewestPairs, [&] { return save(kLong); }, [&] { return save(kShort); });
  std::printf("action list: load 20: %.3f ms, load 2000: %.3f ms, save 20: %.2f us, save 2000: %.2f us%s\n",
              loads.BaselineSeconds() * 1e3, loads.SubjectSeconds() * 1e3, saves.BaselineSeconds() * 1e6,
              saves.SubjectSeconds() * 1e6, shown ? "" : "; the long macro was NOT shown");
  ReportRatio("action list: load 2000 / load 20 actions", loads, "far below 100");
  ReportRatio("action list: save 2000 / save 20 actions", saves, "-");
  dialog.list.ShowRows(nullptr);
  return 0;
}
