// The main window's own costs, with the simulated keyboard in this process:
// refreshing the whole key grid after a profile switch against one repaint of
// the whole window, in turns (goal: at most 2), and a lighting slider dragged
// across its range (at most one write per 30 ms, the last position always
// arriving). Never fails on time.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/messages.h"
#include "app/wide_win.h"
#include "profiles/profile_store.h"
#include "profiles/settings.h"
#include "profiles/settings_win.h"
#include "resources/resource_ids.h"
#include "shell/main_dialog_win.h"
#include "simulator/sim_protocol.h"
#include "tests/support/paired_ratio.h"
#include "tests/support/sim_server_win.h"
#include "tests/support/session_profile.h"
#include "tests/support/windows_test_support_win.h"

namespace {


int Commands(SimServer& keyboard) { return std::stoi(keyboard.Control("commands").substr(3)); }

// Handles this thread's messages until `seconds` have passed.
void PumpFor(double seconds) {
  const double end = SecondsNow() + seconds;
  while (SecondsNow() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

// Every key of bank 0 assigned, or none: each refresh then changes every button.
void AssignEveryKey(KeyboardSession& session, bool assigned) {
  SetUpProfile(session, [&](WorkingProfile& profile) {
    for (int entry = 0; entry < 256; ++entry)
      profile.block->area[AssignmentIndex(0, entry)] =
          assigned ? KeyAssignment{AssignmentType::Key, 0, 0x030, 0, 0} : KeyAssignment{};
  });
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  SimServer keyboard;
  if (!keyboard.Start(L"")) return 3;
  SetEnvironmentVariableW(L"OSTRAK_DEVICE", (L"sim:127.0.0.1:" + std::to_wstring(keyboard.Port())).c_str());
  SetPaths(MakeAppPaths(FromWide(BuiltProgramFolder() + L"Ostrak.exe")));
  SetRegistryRoot(u"Ostrak_Brelund", u"OstrakWindowBench");
  FormVoviIniPath();
  WriteVoviSetting(kLightingOnValue, 0);

  COstrakApp app;
  auto window = std::make_unique<COstrakDlg>(app, true);
  if (!window->CreateModeless()) return 4;
  const bool ready = WaitUntil(
      [&] {
        return FileExists(Wide(ProfileFilePath(0))) && window->Item(IDC_EFFECT_LIST) &&
               !window->lightingPanel().State().offeredEffects.empty() && !window->KeyboardBusy();
      },
      30000);
  if (!ready) return 5;
  SendMessageW(window->hwnd(), WM_INSTANCE_OPEN, kOpenTag, 0);
  HWND shown = window->hwnd();

  // What the window does when the keyboard has switched profiles (to a bank
  // that differs in every key), and the paints that follow from it.
  int switches = 0;
  const PairedRatio grid = MeasurePairs(
      kFewestPairs,
      [&] {
        AssignEveryKey(window->session(), ++switches % 2 == 0);
        const double start = SecondsNow();
        window->RefreshKeyGrid();
        window->keyGrid().ShowColourFaces();
        window->profilePanel().RefreshProfileButtons();
        RedrawWindow(shown, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        return SecondsNow() - start;
      },
      [&] {
        const double start = SecondsNow();
        RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return SecondsNow() - start;
      });
  std::printf("key grid refreshed after a profile switch: %.2f ms; whole window repainted: %.2f ms\n",
              grid.SubjectSeconds() * 1000, grid.BaselineSeconds() * 1000);
  ReportRatio("key grid refresh / whole window repaint", grid, "at most 2");

  // A slider dragged across its range, a position every 2 ms.
  const int before = Commands(keyboard);
  const double dragStart = SecondsNow();
  for (int position = 0; position <= 25; ++position) {
    PostMessageW(shown, WM_SLIDER_CHANGED, IDC_BRIGHTNESS_SLIDER, position);
    PumpFor(0.002);
  }
  std::vector<std::uint8_t> brightness;
  WaitUntil(
      [&] {
        brightness.clear();
        ParseHexBytes(keyboard.Control("read settings 1 1").substr(3), brightness);
        return !brightness.empty() && brightness[0] == 25 && !window->KeyboardBusy();
      },
      10000);
  const double dragMs = (SecondsNow() - dragStart) * 1000;
  const int writes = (Commands(keyboard) - before) / 3;  // command 1, the write, command 2
  // n writes leave n - 1 gaps of at least 30 ms between their starts.
  const double gapsPer30Ms = (writes - 1) * 30.0 / std::max(dragMs, 1.0);
  std::printf("brightness slider dragged over 26 positions: %d writes in %.0f ms; the last position %s\n", writes,
              dragMs, !brightness.empty() && brightness[0] == 25 ? "arrived" : "did NOT arrive");
  ReportValue("brightness slider drag: write gaps per 30 ms", gapsPer30Ms, "at most 1");

  window.reset();
  keyboard.Stop();
  return 0;
}
