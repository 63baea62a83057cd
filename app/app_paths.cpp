#include "app/app_paths.h"

namespace {

std::size_t LastSeparator(std::u16string_view path) { return path.find_last_of(u"\\/"); }

AppPaths& ProcessPaths() {
  static AppPaths paths;
  return paths;
}

}  // namespace

std::u16string FolderOf(std::u16string_view path) {
  const std::size_t at = LastSeparator(path);
  if (at == std::u16string_view::npos) {
    // "C:program.exe": only a drive.
    return path.size() >= 2 && path[1] == u':' ? std::u16string(path.substr(0, 2)) : std::u16string();
  }
  return std::u16string(path.substr(0, at + 1));
}

std::u16string FileNameOf(std::u16string_view path) {
  const std::size_t at = LastSeparator(path);
  if (at != std::u16string_view::npos) return std::u16string(path.substr(at + 1));
  if (path.size() >= 2 && path[1] == u':') return std::u16string(path.substr(2));
  return std::u16string(path);
}

AppPaths MakeAppPaths(std::u16string_view modulePath) {
  AppPaths p;
  p.modulePath = modulePath.substr(0, kMaxPath - 1);
  p.ownFileName = FileNameOf(p.modulePath);
  p.programFolder = FolderOf(p.modulePath);
  const std::size_t dot = p.ownFileName.find_last_of(u'.');
  p.applicationName = p.ownFileName.substr(0, dot);

  const auto inFolder = [&](std::u16string_view relative) {
    return (p.programFolder + std::u16string(relative)).substr(0, kMaxPath - 1);
  };
  p.helpFolder = inFolder(u"Help\\");
  p.mainSkinFile = inFolder(u"Skins\\Main.ini");
  p.profileSkinFile = inFolder(u"Skins\\Profile.ini");
  p.updateSkinFile = inFolder(u"Skins\\UpdateDlg.ini");
  p.compositeSkinFile = inFolder(u"Skins\\Composite.ini");
  p.mainSkinFolder = FolderOf(p.mainSkinFile);
  p.profileSkinFolder = FolderOf(p.profileSkinFile);
  p.updateSkinFolder = FolderOf(p.updateSkinFile);
  p.compositeSkinFolder = FolderOf(p.compositeSkinFile);
  p.languageFile = inFolder(u"Skins\\language.ini");
  p.packageFolder = inFolder(u"Package");
  p.companionProgram = inFolder(u"VoDizuru.exe");
  p.driverScript = inFolder(u"Driver_Setup.bat");
  return p;
}

const AppPaths& Paths() { return ProcessPaths(); }
void SetPaths(AppPaths paths) { ProcessPaths() = std::move(paths); }
