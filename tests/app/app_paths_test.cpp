#include "app/app_paths.h"

#include <gtest/gtest.h>

#include "app/messages.h"

namespace {

TEST(AppPaths, EveryPathStandsInTheProgramFolder) {
  const AppPaths p = MakeAppPaths(u"C:\\Games\\Ostrak\\Ostrak.exe");
  EXPECT_EQ(p.ownFileName, u"Ostrak.exe");
  EXPECT_EQ(p.applicationName, u"Ostrak");
  EXPECT_EQ(p.programFolder, u"C:\\Games\\Ostrak\\");
  EXPECT_EQ(p.helpFolder, u"C:\\Games\\Ostrak\\Help\\");
  EXPECT_EQ(p.mainSkinFile, u"C:\\Games\\Ostrak\\Skins\\Main.ini");
  EXPECT_EQ(p.mainSkinFolder, u"C:\\Games\\Ostrak\\Skins\\");
  EXPECT_EQ(p.profileSkinFile, u"C:\\Games\\Ostrak\\Skins\\Profile.ini");
  EXPECT_EQ(p.updateSkinFile, u"C:\\Games\\Ostrak\\Skins\\UpdateDlg.ini");
  EXPECT_EQ(p.compositeSkinFolder, u"C:\\Games\\Ostrak\\Skins\\");
  EXPECT_EQ(p.languageFile, u"C:\\Games\\Ostrak\\Skins\\language.ini");
  EXPECT_EQ(p.packageFolder, u"C:\\Games\\Ostrak\\Package");
  EXPECT_EQ(p.companionProgram, u"C:\\Games\\Ostrak\\VoDizuru.exe");
  EXPECT_EQ(p.driverScript, u"C:\\Games\\Ostrak\\Driver_Setup.bat");
}

TEST(AppPaths, ProgramInADriveRootAndARenamedProgram) {
  const AppPaths root = MakeAppPaths(u"D:\\Ostrak.exe");
  EXPECT_EQ(root.programFolder, u"D:\\");
  EXPECT_EQ(root.languageFile, u"D:\\Skins\\language.ini");

  // The application name, and so the registry key, follows the file name.
  const AppPaths renamed = MakeAppPaths(u"C:\\Tools\\Keyboard.Setup.exe");
  EXPECT_EQ(renamed.applicationName, u"Keyboard.Setup");
  EXPECT_EQ(renamed.ownFileName, u"Keyboard.Setup.exe");
}

TEST(AppPaths, PathsNeverOutgrowTheirBuffer) {
  std::u16string deep = u"C:\\";
  while (deep.size() < 300) deep += u"folder\\";
  const AppPaths p = MakeAppPaths(deep + u"Ostrak.exe");
  for (const std::u16string* path : {&p.modulePath, &p.programFolder, &p.mainSkinFile, &p.languageFile,
                                     &p.companionProgram, &p.helpFolder, &p.packageFolder})
    EXPECT_LT(path->size(), kMaxPath);
}

TEST(AppPaths, FolderAndFileNameSplit) {
  struct Case { const char16_t* path; const char16_t* folder; const char16_t* file; };
  const Case cases[] = {
      {u"C:\\a\\b.exe", u"C:\\a\\", u"b.exe"},
      {u"C:b.exe", u"C:", u"b.exe"},
      {u"b.exe", u"", u"b.exe"},
      {u"/unix/style/b.exe", u"/unix/style/", u"b.exe"},
      {u"C:\\folder\\", u"C:\\folder\\", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder);
    EXPECT_EQ(FileNameOf(c.path), c.file);
  }
}

TEST(InstanceMessages, TagsAndMarkerAreTheLettersTheySpell) {
  EXPECT_EQ(kMainWindowMarker, 0x4D41494Eu);
  EXPECT_EQ(kOpenTag, 0x4F50454Eu);
  // KILL is stored with its first letter in the lowest byte.
  const std::uint32_t kill = kKillTag;
  EXPECT_EQ(static_cast<char>(kill & 0xFF), 'K');
  EXPECT_EQ(static_cast<char>((kill >> 24) & 0xFF), 'L');
  EXPECT_EQ(kInitTag, 0x494E4954u);
}

}  // namespace
