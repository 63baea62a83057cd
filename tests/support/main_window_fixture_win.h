// The main window with the simulated keyboard, for the Windows tests that drive
// it in this process: the simulator's server, the program's own paths, settings
// under a registry key of the test's own. A test's fixture derives from it and
// adds its own settings between starting the keyboard and opening the window,
// and waits for what it needs.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/app_paths.h"
#include "app/wide_win.h"
#include "profiles/settings_win.h"
#include "shell/main_dialog_win.h"
#include "tests/support/sim_server_win.h"
#include "tests/support/windows_test_support_win.h"

class MainWindowFixture : public ::testing::Test {
 protected:
  // Starts the simulator's server with `simulatorOptions` and points the device
  // service at it. The window loads HidServ.dll from the program folder of its
  // paths.
  void StartKeyboard(std::u16string_view registryKey, const std::wstring& simulatorOptions = L"") {
    ASSERT_TRUE(keyboard_.Start(simulatorOptions));
    SetEnvironmentVariableW(L"OSTRAK_DEVICE", (L"sim:127.0.0.1:" + std::to_wstring(keyboard_.Port())).c_str());
    SetPaths(MakeAppPaths(FromWide(BuiltProgramFolder() + L"Ostrak.exe")));
    SetRegistryRoot(u"Ostrak_Brelund", registryKey);
  }

  // Creates the window modeless, as the tests drive it.
  void OpenWindow() {
    window_ = std::make_unique<COstrakDlg>(app_, true);
    ASSERT_TRUE(window_->CreateModeless());
  }

  // Opens the window without a profile file: the keyboard arrives and its
  // profile is read back into a new one, which this waits for.
  void OpenWindowReadingProfile() {
    DeleteFileW(Wide(ProfileFilePath(0)).c_str());
    ASSERT_NO_FATAL_FAILURE(OpenWindow());
    ASSERT_TRUE(WaitUntil([&] { return FileExists(Wide(ProfileFilePath(0))); }, 10000));
  }

  void TearDown() override {
    window_.reset();
    keyboard_.Stop();
    SetEnvironmentVariableW(L"OSTRAK_DEVICE", nullptr);
  }

  SimServer keyboard_;
  COstrakApp app_;  // what the running instance holds; outlives the window
  std::unique_ptr<COstrakDlg> window_;
};
