; The Windows installer of Pagetrim (NSIS 3, Modern UI 2), made by
; scripts/nsis-installer (for make dist-win32) as
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0.0 -DARCH=x86 -DPROGRAMS=DIR -DOUTFILE=SETUP.exe pagetrim.nsi
; PROGRAMS holds pagetrim.exe, pagetrim-cli.exe and README.txt; ARCH is
; x86 for the 32-bit programs (the installer people get) or amd64 for a
; 64-bit build of them. makensis works in the folder of this file: the
; paths given to it are absolute.
;
; It installs for the current user (the default; in
; %LOCALAPPDATA%\Programs\Pagetrim) or for all users (in Program Files),
; with a Start-menu entry, an uninstaller that "Apps" (or "Programs and
; Features") lists, and, when asked, the folder on the PATH for
; pagetrim-cli. Silent use:
;   pagetrim-VERSION-win32-setup.exe /S [/CurrentUser | /AllUsers] [/AddToPath] [/D=FOLDER]
;   uninstall.exe /S
; The uninstaller removes what the installer wrote and leaves the program's
; remembered paths (HKCU\Software\Brindle\Pagetrim).

!ifndef VERSION | ARCH | PROGRAMS | OUTFILE
  !error "define VERSION, ARCH, PROGRAMS and OUTFILE (see the top of this file)"
!endif

Unicode true
Target ${ARCH}-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!define PRODUCT "Pagetrim"
!define COMPANY "Brindle"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pagetrim"
!define USER_ENVIRONMENT "Environment"
!define SYSTEM_ENVIRONMENT "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright © 2026 ${COMPANY}"

; Per user or for all users: /CurrentUser and /AllUsers on the command
; line, a page otherwise; the uninstaller is told the mode it was
; installed in (an uninstaller started without it finds the mode from
; where the installer wrote its entry). A folder chosen before is offered
; again.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!if "${ARCH}" == "amd64"
  !define MULTIUSER_USE_PROGRAMFILES64
!endif
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include StrFunc.nsh
${Using:StrFunc} StrRep
${Using:StrFunc} UnStrRep

!define MUI_ICON "../../cmake/win/pagetrim.ico"
!define MUI_UNICON "../../cmake/win/pagetrim.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\pagetrim.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; The environment whose PATH the install mode changes: "HKLM" (the
; system's, for all users) or "HKCU" (the user's).
Var EnvRoot

!macro SelectEnvironment
  ${If} $MultiUser.InstallMode == "AllUsers"
    StrCpy $EnvRoot "HKLM"
  ${Else}
    StrCpy $EnvRoot "HKCU"
  ${EndIf}
!macroend

; Reads PATH of the selected environment into $R0 (empty when missing).
!macro ReadPath
  ${If} $EnvRoot == "HKLM"
    ReadRegStr $R0 HKLM "${SYSTEM_ENVIRONMENT}" "Path"
  ${Else}
    ReadRegStr $R0 HKCU "${USER_ENVIRONMENT}" "Path"
  ${EndIf}
!macroend

; Writes $R0 as PATH of the selected environment; an empty PATH of the
; user's is removed, as it was before the installer wrote one.
!macro WritePath
  ${If} $EnvRoot == "HKLM"
    WriteRegExpandStr HKLM "${SYSTEM_ENVIRONMENT}" "Path" "$R0"
  ${ElseIf} $R0 == ""
    DeleteRegValue HKCU "${USER_ENVIRONMENT}" "Path"
  ${Else}
    WriteRegExpandStr HKCU "${USER_ENVIRONMENT}" "Path" "$R0"
  ${EndIf}
  ; Programs started from now on see the new PATH.
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
!macroend

Section "Pagetrim" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}/pagetrim.exe"
  File "${PROGRAMS}/pagetrim-cli.exe"
  File "${PROGRAMS}/README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The entry of "Apps" (and "Programs and Features").
  ${If} $MultiUser.InstallMode == "AllUsers"
    StrCpy $R1 "/AllUsers"
  ${Else}
    StrCpy $R1 "/CurrentUser"
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\pagetrim.exe$\",0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\" $R1"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" $R1 /S"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $R2 $R3 $R4
  IntFmt $R2 "0x%08X" $R2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$R2"
SectionEnd

Section "Start menu entry" SecStartMenu
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\pagetrim.exe" "" "$INSTDIR\pagetrim.exe" 0 \
    SW_SHOWNORMAL "" "Make HTML and ASP documents smaller"
SectionEnd

; The folder on the PATH, so that pagetrim-cli runs from any command
; prompt. NSIS holds strings of up to ${NSIS_MAX_STRLEN} characters: a
; PATH that may not leave room for the folder and the separators would be
; cut, so it is left alone and the user told.
!define /math PATH_ROOM ${NSIS_MAX_STRLEN} - 300
Section /o "Add pagetrim-cli to the PATH" SecPath
  !insertmacro SelectEnvironment
  !insertmacro ReadPath
  StrLen $R1 $R0
  ${If} $R1 > ${PATH_ROOM}
    DetailPrint "The PATH is too long to change safely; add $INSTDIR to it by hand."
    MessageBox MB_OK|MB_ICONINFORMATION "The PATH is too long to change safely.$\r$\nAdd $INSTDIR to it by hand to run pagetrim-cli from any command prompt." /SD IDOK
  ${Else}
    ${StrRep} $R2 ";$R0;" ";$INSTDIR;" ""
    ${If} $R2 == ";$R0;"
      ; Not there yet.
      ${If} $R0 == ""
        StrCpy $R0 "$INSTDIR"
      ${Else}
        StrCpy $R0 "$R0;$INSTDIR"
      ${EndIf}
      !insertmacro WritePath
      WriteRegStr SHCTX "${UNINSTALL_KEY}" "PathEntry" "$INSTDIR"
    ${EndIf}
  ${EndIf}
SectionEnd

Function .onInit
  !insertmacro MULTIUSER_INIT
  ; /AddToPath on the command line selects the PATH entry (for /S).
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AddToPath" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecPath} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The PATH entry, when the installer made one.
  ReadRegStr $R3 SHCTX "${UNINSTALL_KEY}" "PathEntry"
  ${If} $R3 != ""
    !insertmacro SelectEnvironment
    !insertmacro ReadPath
    ${UnStrRep} $R0 ";$R0;" ";$R3;" ";"
    ; Take off the ";" added at both ends.
    StrCpy $R0 $R0 "" 1
    StrCpy $R0 $R0 -1
    !insertmacro WritePath
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\pagetrim.exe"
  Delete "$INSTDIR\pagetrim-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Only an empty folder goes: files the user put there stay.
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd
