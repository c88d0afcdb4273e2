; The Windows setup program (NSIS 3, makensis -INPUTCHARSET UTF8). scripts/package-windows.sh
; compiles it with these definitions:
;   VERSION       the project version (0.1.0)
;   VERSION_QUAD  the same in four parts (0.1.0.0)
;   OUTFILE       the setup program to write
;   ICON          the program icon
;   FILES_NSH     "SetOutPath" and "File" lines for every file of the package folder
;   UNFILES_NSH   "Delete" lines for those files and "RMDir" lines for their folders
;
; Per machine into %ProgramFiles%\Epub polcaro for an administrator (after the elevation prompt,
; with the choice of a per-user installation into %LOCALAPPDATA%\Programs), per user otherwise.
; Silent: setup.exe /S [/AllUsers | /CurrentUser] [/D=folder], uninstall.exe /S.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all

!define PRODUCT "Epub polcaro"
!define PUBLISHER "Epub polcaro developers"
!define PROGRAM "epub-polcaro.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\EpubPolcaro"
; The context-menu entries the program registers, and the elevated copy's switches that remove
; them (the program keeps the registry work in one place).
!define FOLDER_VERB_COMMAND "Directory\shell\epubpolcaro\command"
!define FILE_VERB_COMMAND "SystemFileAssociations\.epub\shell\Gyüjtö könyvtárba másolás ...\command"
!define UNREGISTER_SWITCHES "/5E1A7C93D04B4F2A8E61B7C0D9F34A27 /unregister_global_file_associations"
; Settings, favourites and run journals of the user.
!define SETTINGS_FOLDER "Epub_polcaro"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!define MULTIUSER_INSTALLMODE_FUNCTION KeepCommandLineFolder
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include StrFunc.nsh
${Using:StrFunc} UnStrStr

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_UNCOMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "$(SettingsKept)"
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the system's is neither.
!insertmacro MUI_LANGUAGE "English"
; The Hungarian language file has no texts for the choice of users; defined before it is read,
; these take their place.
!define MULTIUSER_TEXT_INSTALLMODE_TITLE "Felhasználók kiválasztása"
!define MULTIUSER_TEXT_INSTALLMODE_SUBTITLE "Kinek települjön a(z) $(^NameDA)?"
!define MULTIUSER_INNERTEXT_INSTALLMODE_TOP "Válassza ki, hogy a(z) $(^NameDA) csak Önnek vagy a számítógép minden felhasználójának települjön. $(^ClickNext)"
!define MULTIUSER_INNERTEXT_INSTALLMODE_ALLUSERS "Telepítés a számítógép minden felhasználójának"
!define MULTIUSER_INNERTEXT_INSTALLMODE_CURRENTUSER "Telepítés csak nekem"
!insertmacro MUI_LANGUAGE "Hungarian"

LangString DesktopShortcut ${LANG_ENGLISH} "Desktop shortcut"
LangString DesktopShortcut ${LANG_HUNGARIAN} "Parancsikon az asztalon"
LangString RemoveSettings ${LANG_ENGLISH} "Remove my settings and favourites"
LangString RemoveSettings ${LANG_HUNGARIAN} "Beállításaim és kedvenceim törlése"
LangString SettingsKept ${LANG_ENGLISH} "Your settings, favourites and run journals in %APPDATA%\${SETTINGS_FOLDER} are kept, so that a new installation finds them. Tick the box to remove them too. $(^ClickUninstall)"
LangString SettingsKept ${LANG_HUNGARIAN} "A beállításai, kedvencei és futásnaplói (%APPDATA%\${SETTINGS_FOLDER}) megmaradnak, hogy egy új telepítés is megtalálja őket. Jelölje be a négyzetet, ha ezeket is törölni szeretné. $(^ClickUninstall)"
LangString UnregisterFailed ${LANG_ENGLISH} "The context-menu entries could not be removed (code $0)."
LangString UnregisterFailed ${LANG_HUNGARIAN} "A helyi menü bejegyzéseit nem sikerült törölni (kód: $0)."
; A folder given with /D= wins over the default of the install mode (MultiUser sets $INSTDIR
; after NSIS has read /D=).
Var CommandLineFolder

Function .onInit
  StrCpy $CommandLineFolder $INSTDIR
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function KeepCommandLineFolder
  ${If} $CommandLineFolder != ""
    StrCpy $INSTDIR $CommandLineFolder
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "-Program"
  ; The program, its DLLs and plugins, translations\ (eng.lng: copied beside the program or into
  ; %APPDATA%\Epub_polcaro by the user for English captions) and licences\.
  !include "${FILES_NSH}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0

  ; "Apps & features" / "Programs and Features"; HKLM or HKCU as the install mode chose.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section /o "$(DesktopShortcut)" DesktopSection
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0
SectionEnd

Section "-un.Program"
  ; The context-menu entries of this copy go first, while the program is still there: its own
  ; "Regisztráció törlése" action, run through the elevated copy's switches. Entries that point at
  ; another copy of the program are left to it.
  ReadRegStr $0 HKCR "${FOLDER_VERB_COMMAND}" ""
  ReadRegStr $1 HKCR "${FILE_VERB_COMMAND}" ""
  ${UnStrStr} $2 "$0|$1" "$INSTDIR\${PROGRAM}"
  ${If} $2 != ""
  ${AndIf} ${FileExists} "$INSTDIR\${PROGRAM}"
    ClearErrors
    ExecWait '"$INSTDIR\${PROGRAM}" ${UNREGISTER_SWITCHES}' $0
    ${If} ${Errors}
    ${OrIf} $0 != 0
      DetailPrint "$(UnregisterFailed)"
    ${EndIf}
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  !include "${UNFILES_NSH}"
  ; The English file a user may have copied beside the program (README.txt tells how).
  Delete "$INSTDIR\eng.lng"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ; Last: the entry in "Apps & features" goes once everything else has gone.
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

; Unticked unless the user ticks it (a silent uninstall keeps the settings).
Section /o "un.$(RemoveSettings)" un.SettingsSection
  ; The settings are the user's own, also after a per-machine installation.
  SetShellVarContext current
  RMDir /r "$APPDATA\${SETTINGS_FOLDER}"
  ${If} $MultiUser.InstallMode == "AllUsers"
    SetShellVarContext all
  ${EndIf}
SectionEnd
