// The paths of the program folder, formed once at start from the running
// executable's own file name.
#pragma once

#include <string>
#include <string_view>

constexpr std::size_t kMaxPath = 260;  // every path fits a 260-character buffer

struct AppPaths {
  std::u16string modulePath;      // full path of the running executable
  std::u16string ownFileName;     // its file name and extension, to find a running instance
  std::u16string programFolder;   // drive and folder of the executable, ending in a backslash
  std::u16string applicationName; // the executable's base name: names the registry key
  std::u16string helpFolder;      // program folder + "Help\"
  std::u16string mainSkinFile, mainSkinFolder;
  std::u16string profileSkinFile, profileSkinFolder;
  std::u16string updateSkinFile, updateSkinFolder;
  std::u16string compositeSkinFile, compositeSkinFolder;
  std::u16string languageFile;    // program folder + "Skins\language.ini"
  std::u16string packageFolder;   // program folder + "Package" (no trailing backslash)
  std::u16string companionProgram;  // program folder + "VoDizuru.exe"
  std::u16string driverScript;      // program folder + "Driver_Setup.bat"
};

// Forms every path from the module path. A module path longer than the path
// buffer is cut to it first, as reading it into that buffer would.
AppPaths MakeAppPaths(std::u16string_view modulePath);

// Drive and folder of a path, up to and including its last backslash or slash.
std::u16string FolderOf(std::u16string_view path);

// The part after the last backslash or slash.
std::u16string FileNameOf(std::u16string_view path);

// Process-wide paths, set once by start-up before any window exists.
const AppPaths& Paths();
void SetPaths(AppPaths paths);
