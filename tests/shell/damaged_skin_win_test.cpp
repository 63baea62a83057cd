// The program started from a copy of its folder whose main skin is damaged:
// it names the damaged file in one message box, in English whatever the
// language file holds, and ends with exit code 0 once the box is closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/skin/skin_test_pictures_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

constexpr DWORD kStartTimeoutMs = 20000;

enum class Damage { kRemoved, kHugeHeader, kHeaderWithoutPicture };

TEST(DamagedSkin, TheProgramNamesTheDamagedFileInOneBoxThenEnds) {
  SetEnvironmentVariableW(L"OSTRAK_DEVICE", nullptr);  // no keyboard
  const std::wstring folder = MakeScratchFolder(L"damaged-skin");
  ASSERT_TRUE(CopyTree(BuiltProgramFolder(), folder));
  const std::wstring skins = folder + L"Skins\\";
  wchar_t main[MAX_PATH] = {}, mask[MAX_PATH] = {};
  GetPrivateProfileStringW(L"SCREEN", L"Main", L"", main, MAX_PATH, (skins + L"Main.ini").c_str());
  GetPrivateProfileStringW(L"SCREEN", L"Mask", L"", mask, MAX_PATH, (skins + L"Main.ini").c_str());
  ASSERT_NE(std::wstring(main), mask) << "our skin has a mask of its own";

  const struct {
    const char* what;
    std::wstring file;  // in the Skins folder
    Damage damage;
  } cases[] = {
      {"no skin file", L"Main.ini", Damage::kRemoved},
      {"a background claiming 16000 x 16000", main, Damage::kHugeHeader},
      // Its size reads well: found when the picture is decoded, after the window is made.
      {"a background with a header and no picture", main, Damage::kHeaderWithoutPicture},
      {"no mask", mask, Damage::kRemoved},
  };
  for (const auto& c : cases) {
    const std::wstring path = skins + c.file;
    const std::string kept = ReadBytes(path);
    switch (c.damage) {
      case Damage::kRemoved:
        ASSERT_TRUE(DeleteFileW(path.c_str())) << c.what;
        break;
      case Damage::kHugeHeader:
        WriteBytes(path, JpegHeaderOnly(16000, 16000));
        break;
      case Damage::kHeaderWithoutPicture:
        WriteBytes(path, JpegHeaderOnly(960, 600));
        break;
    }

    std::wstring commandLine = L"\"" + folder + L"Ostrak.exe\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                               &startup, &process));
    std::wstring text;
    EXPECT_TRUE(WaitUntil([&] { return MessageBoxOf(process.dwProcessId, &text) != nullptr; }, kStartTimeoutMs))
        << c.what;
    EXPECT_NE(text.find(path), std::wstring::npos) << c.what << ": " << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(L"missing or damaged"), std::wstring::npos) << c.what;
    PostMessageW(MessageBoxOf(process.dwProcessId, nullptr), WM_COMMAND, IDOK, 0);

    // One box: OK ends the program.
    DWORD exitCode = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, kStartTimeoutMs) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u) << c.what;
    WriteBytes(path, kept);
  }
  RemoveTree(folder);
}

}  // namespace
