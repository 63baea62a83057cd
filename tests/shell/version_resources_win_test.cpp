// The version of the VERSION file, as each file of the program folder carries it
// in its version resource and as the About box shows it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "shell/about_dialog_win.h"
#include "tests/support/windows_test_support_win.h"

namespace {

#define WIDEN2(text) L##text
#define WIDEN(text) WIDEN2(text)
constexpr const wchar_t* kVersion = WIDEN(OSTRAK_VERSION);

struct VersionResource {
  bool found = false;
  DWORD fileVersionHigh = 0, fileVersionLow = 0, productVersionHigh = 0, productVersionLow = 0, fileType = 0;
  std::wstring fileVersion, productVersion, productName, originalFilename, fileDescription;
};

VersionResource ReadVersionResource(const std::wstring& path) {
  VersionResource resource;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return resource;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return resource;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return resource;
  resource.found = true;
  resource.fileVersionHigh = fixed->dwFileVersionMS;
  resource.fileVersionLow = fixed->dwFileVersionLS;
  resource.productVersionHigh = fixed->dwProductVersionMS;
  resource.productVersionLow = fixed->dwProductVersionLS;
  resource.fileType = fixed->dwFileType;
  const auto text = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT characters = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &characters) || !value)
      return std::wstring();
    return std::wstring(value);
  };
  resource.fileVersion = text(L"FileVersion");
  resource.productVersion = text(L"ProductVersion");
  resource.productName = text(L"ProductName");
  resource.originalFilename = text(L"OriginalFilename");
  resource.fileDescription = text(L"FileDescription");
  return resource;
}

TEST(VersionResourcesTest, EveryFileOfTheProgramFolderCarriesTheVersion) {
  const DWORD high = MAKELONG(OSTRAK_VERSION_MINOR, OSTRAK_VERSION_MAJOR);
  const DWORD low = MAKELONG(0, OSTRAK_VERSION_PATCH);
  const struct {
    const wchar_t* name;
    DWORD fileType;
  } files[] = {{L"Ostrak.exe", VFT_APP}, {L"HidServ.dll", VFT_DLL}, {L"ostrak-cli.exe", VFT_APP}};
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    const VersionResource resource = ReadVersionResource(BuiltProgramFolder() + file.name);
    ASSERT_TRUE(resource.found);
    EXPECT_EQ(resource.fileVersion, kVersion);
    EXPECT_EQ(resource.productVersion, kVersion);
    EXPECT_EQ(resource.fileVersionHigh, high);
    EXPECT_EQ(resource.fileVersionLow, low);
    EXPECT_EQ(resource.productVersionHigh, high);
    EXPECT_EQ(resource.productVersionLow, low);
    EXPECT_EQ(resource.fileType, file.fileType);
    EXPECT_EQ(resource.productName, L"Ostrak");
    EXPECT_EQ(resource.originalFilename, file.name);
    EXPECT_FALSE(resource.fileDescription.empty());
  }
}

TEST(VersionResourcesTest, TheAboutBoxShowsTheVersion) {
  CAboutDlg about;
  ASSERT_TRUE(about.Show(u"https://www.ostrak.example/"));
  wchar_t shown[128] = {};
  GetDlgItemTextW(about.hwnd(), IDC_ABOUT_VERSION, shown, 128);
  const std::wstring text = shown;
  const std::wstring ending = std::wstring(L" ") + kVersion;
  EXPECT_TRUE(text.size() > ending.size() && text.ends_with(ending)) << "shown: " << text;
  about.Close();
}

}  // namespace
