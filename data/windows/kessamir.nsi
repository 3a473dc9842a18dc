; KESSAMIR's Windows installer (scripts/package runs makensis on it). STAGE is the folder laid out
; as installed: bin\ (the program, its Qt and MinGW DLLs and plugins), share\kessamir\ (the help
; text), standins\ (the stand-in programs with their DLLs), LICENSE.txt. Silent with /S; /D=<folder>
; chooses the folder. The stand-ins are an optional part, chosen by default.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifndef VERSION
  !error "makensis -DVERSION=<version> -DSTAGE=<folder> -DOUTFILE=<file>"
!endif

Name "KESSAMIR ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\KESSAMIR"
InstallDirRegKey HKLM "Software\KESSAMIR" "InstallDir"

!include "MUI2.nsh"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KESSAMIR"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "KESSAMIR" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR\bin"
  File /r "${STAGE}\bin\*.*"
  SetOutPath "$INSTDIR\share\kessamir"
  File "${STAGE}\share\kessamir\kessphelp.txt"
  SetOutPath "$INSTDIR"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\KESSAMIR"
  CreateShortcut "$SMPROGRAMS\KESSAMIR\KESSAMIR.lnk" "$INSTDIR\bin\kessamir.exe"
  CreateShortcut "$SMPROGRAMS\KESSAMIR\Uninstall KESSAMIR.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\KESSAMIR" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "KESSAMIR"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "KESSAMIR developers"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\bin\kessamir.exe"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1
SectionEnd

Section "Stand-in programs for the demo" SecStandins
  SetOutPath "$INSTDIR\standins"
  File /r "${STAGE}\standins\*.*"
SectionEnd

LangString DESC_Program ${LANG_ENGLISH} "The program, its libraries and its help text."
LangString DESC_Standins ${LANG_ENGLISH} "Stand-in companion programs that make a synthetic forecast, for trying KESSAMIR in a demo folder."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} $(DESC_Program)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecStandins} $(DESC_Standins)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Removes what the installer put there, by name: a working folder someone made inside the
; installation folder stays.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\KESSAMIR\KESSAMIR.lnk"
  Delete "$SMPROGRAMS\KESSAMIR\Uninstall KESSAMIR.lnk"
  RMDir "$SMPROGRAMS\KESSAMIR"
  RMDir /r "$INSTDIR\bin"
  RMDir /r "$INSTDIR\standins"
  Delete "$INSTDIR\share\kessamir\kessphelp.txt"
  RMDir "$INSTDIR\share\kessamir"
  RMDir "$INSTDIR\share"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTKEY}"
  DeleteRegKey HKLM "Software\KESSAMIR"
SectionEnd
