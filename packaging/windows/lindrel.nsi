; The Lindrel installer: per user (no administrator), into
; %LOCALAPPDATA%\Programs\Lindrel, where the monitor's self-update can write beside the
; program. makensis -DVERSION=... -DSTAGE=folder -DOUTFILE=setup.exe lindrel.nsi
; 64-bit, as the program is (and as wine64 runs it).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"

Name "Lindrel"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Lindrel"
InstallDirRegKey HKCU "Software\Lindrel" "InstallDir"
BrandingText "Lindrel ${VERSION}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lindrel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

!define MUI_ICON "${STAGE}\lindrel.ico"
!define MUI_UNICON "${STAGE}\lindrel.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\lindrel.exe"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Lindrel"
VIAddVersionKey "FileDescription" "Lindrel installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "MIT licence"

Section "Lindrel" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Lindrel.lnk" "$INSTDIR\lindrel.exe"
  WriteRegStr HKCU "Software\Lindrel" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Lindrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\lindrel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Start with Windows" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "Lindrel" '"$INSTDIR\lindrel.exe"'
SectionEnd

; The program and what the installer put there go; the user's settings and log stay
; (lindrel.dat, global.dat, lindrellog.log, beside the program or in %APPDATA%\Lindrel).
Section "Uninstall"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$INSTDIR\lindrel.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\lindrel.ico"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\licenses"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Lindrel.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Lindrel"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Lindrel"
SectionEnd
