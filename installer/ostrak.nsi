; Ostrak's installer, built by scripts/package:
;   makensis -DVERSION=1.0.0 -DSOURCE=<program folder> -DOUTFILE=<setup.exe> [-DICON=<icon>] installer/ostrak.nsi
; A per-user install: the program writes its language choice into its own
; folder, so it goes into the user's own programs folder, which needs no
; administrator. The profile file in Documents belongs to the user and is never
; touched, neither by the install nor by the uninstall.

!ifndef VERSION | SOURCE | OUTFILE
  !error "define VERSION, SOURCE and OUTFILE (see scripts/package)"
!endif

; A 64-bit installer for the 64-bit program (and Wine runs it without its 32-bit part).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Ostrak"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) Ostrak. All rights reserved."

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running Ostrak holds its files open: "Ostrak.exe /Kill" ends it and returns
; once it has ended (at once when none runs).
!macro EndRunningProgram
  ${If} ${FileExists} "$INSTDIR\Ostrak.exe"
    DetailPrint "Ending a running ${PRODUCT}"
    ExecWait '"$INSTDIR\Ostrak.exe" /Kill'
  ${EndIf}
!macroend

Section "${PRODUCT}" ProgramSection
  SectionIn RO
  !insertmacro EndRunningProgram
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; From the Start menu the window opens at once (at log-on it stays in the notification area).
  CreateShortcut "${SHORTCUT}" "$INSTDIR\Ostrak.exe" "/Show" "$INSTDIR\Ostrak.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Ostrak.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; Installed again without the start at log-on: the earlier choice goes.
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
SectionEnd

; Started without arguments, Ostrak starts hidden in the notification area.
Section "Start at log-on" RunSection
  WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Ostrak.exe"'
SectionEnd

; The uninstaller removes what the installer put there, and the files the
; program keeps in its own folder (the language choice in Skins\, updaters in
; Package\); a file someone else put in the folder keeps the folder.
Section "Uninstall"
  !insertmacro EndRunningProgram
  Delete "${SHORTCUT}"
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$INSTDIR\Ostrak.exe"
  Delete "$INSTDIR\HidServ.dll"
  Delete "$INSTDIR\ostrak-cli.exe"
  RMDir /r "$INSTDIR\Skins"
  RMDir /r "$INSTDIR\Help"
  RMDir /r "$INSTDIR\Package"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
