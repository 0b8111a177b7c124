; The Brasswick installer: puts Brasswick.scr where Windows runs it, for all
; users or for the current user alone, optionally makes it the current screen
; saver (keeping the one it replaces), and registers an uninstaller that gives
; that one back. scripts/release.sh builds it:
;   makensis -DVERSION=x.y.z -DSCR=path/Brasswick.scr -DOUTFILE=path/setup.exe brasswick.nsi
; Silent: setup.exe /S [/AllUsers | /CurrentUser] [/NOSET] [/D=folder]
; (/NOSET keeps the current screen saver). A run that fails removes what it
; wrote and ends non-zero.

!ifndef VERSION | SCR | OUTFILE
  !error "VERSION, SCR and OUTFILE must be defined (-D) on the command line"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PUBLISHER "Korvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brasswick"
!define DESKTOP_KEY "Control Panel\Desktop"
; Where the screen saver that Brasswick replaced is kept until it is given back.
!define OWN_KEY "Software\${PUBLISHER}\Brasswick"
!define PREVIOUS_SAVER "PreviousScreenSaver"
!define FOLDERID_UserProgramFiles {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}
!define ERROR_ACCESS_DENIED 5
!define ERROR_INVALID_PARAMETER 87
!define ERROR_ELEVATION_REQUIRED 740

; ANSI, like the saver, so that it runs wherever the saver does (Windows Me
; included).
Unicode false
Name "Brasswick"
OutFile "${OUTFILE}"
; As the convention has it: an administrator's account runs elevated (so that
; the uninstaller of an all-users install works from Apps and Features), a
; standard account runs as itself and may install for itself alone.
RequestExecutionLevel highest
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
BrandingText "Brasswick ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "Brasswick"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "Brasswick screen saver setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "${PUBLISHER}"

!define MUI_ICON "${__FILEDIR__}\..\resources\brasswick.ico"
!define MUI_UNICON "${__FILEDIR__}\..\resources\brasswick.ico"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var Mode      ; AllUsers or CurrentUser
Var Win9x     ; 1 on Windows 95, 98 and Me
Var ScrDir
Var ScrFile
Var HadEntry  ; an earlier install's entry was there: a failed run leaves it
Var WroteScr
Var ChangedSaver
Var MadeParent  ; the run made the folder that holds the install folder

; Ends the run before anything is written.
!macro Refuse MESSAGE CODE
  MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
  SetErrorLevel ${CODE}
  Quit
!macroend

; GetVersion's top bit, as Windows documents it (WinVer.nsh's answer does not
; follow the version that Wine is told to report).
!macro DetectWindows9x
  System::Call 'kernel32::GetVersion() i .r0'
  IntOp $Win9x $0 >>> 31
!macroend

; Sets $Mode from /AllUsers or /CurrentUser, or to "" when neither is given.
!macro ReadModeSwitch
  !insertmacro DetectWindows9x
  ${GetParameters} $0
  StrCpy $Mode ""
  ClearErrors
  ${GetOptions} $0 "/AllUsers" $1
  ${IfNot} ${Errors}
    StrCpy $Mode AllUsers
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/CurrentUser" $1
  ${IfNot} ${Errors}
    ${If} $Mode != ""
      !insertmacro Refuse "Give /AllUsers or /CurrentUser, not both." ${ERROR_INVALID_PARAMETER}
    ${EndIf}
    StrCpy $Mode CurrentUser
  ${EndIf}
  ; Windows 9x keeps one screen saver for the machine.
  ${If} $Win9x == 1
    StrCpy $Mode AllUsers
  ${EndIf}
!macroend

!macro IsAdministrator RESULT
  UserInfo::GetAccountType
  Pop ${RESULT}
  ${If} ${RESULT} == ""   ; Windows 9x has no accounts
    StrCpy ${RESULT} "Admin"
  ${EndIf}
!macroend

!macro RequireAdministratorForAllUsers
  ${If} $Mode == AllUsers
    !insertmacro IsAdministrator $0
    ${If} $0 != "Admin"
      !insertmacro Refuse "Brasswick for all users is installed and removed by an administrator: run this as one (right-click, Run as administrator)." ${ERROR_ELEVATION_REQUIRED}
    ${EndIf}
  ${EndIf}
!macroend

; SysWOW64 on 64-bit Windows, where $SYSDIR (System32) is redirected to it for
; this 32-bit installer; the registry values must name the real folder, since
; 64-bit Windows reads them.
!macro FindSystemSaverFolder
  System::Call 'kernel32::GetSystemWow64DirectoryA(t .r0, i ${NSIS_MAX_STRLEN}) i .r1'
  ${If} $1 == "error"
  ${OrIf} $1 == 0
    StrCpy $0 $SYSDIR
  ${EndIf}
  StrCpy $ScrDir $0
!macroend

; The current screen saver: [boot] in SYSTEM.INI on Windows 9x, the user's
; desktop settings elsewhere. Sets the error flag when there is none.
!macro ReadCurrentSaver RESULT
  ClearErrors
  ${If} $Win9x == 0
    ReadRegStr ${RESULT} HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${Else}
    ReadINIStr ${RESULT} "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE"
  ${EndIf}
!macroend

; Makes VALUE current; "" means none.
!macro WriteCurrentSaver VALUE
  ClearErrors
  ${If} $Win9x == 0
    ${If} ${VALUE} == ""
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "${VALUE}"
    ${EndIf}
  ${Else}
    ${If} ${VALUE} == ""
      DeleteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE"
    ${Else}
      WriteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE" "${VALUE}"
    ${EndIf}
    ; Windows 9x keeps what is written in memory until flushed; the flush's
    ; own answer says nothing of the write.
    ${IfNot} ${Errors}
      FlushINI "$WINDIR\system.ini"
      ClearErrors
    ${EndIf}
  ${EndIf}
!macroend

; Puts back the screen saver kept when Brasswick was made current, or none when
; none was kept; then forgets it.
!macro GiveBackPreviousSaver
  ClearErrors
  ReadRegStr $2 HKCU "${OWN_KEY}" "${PREVIOUS_SAVER}"
  !insertmacro WriteCurrentSaver $2
  DeleteRegValue HKCU "${OWN_KEY}" "${PREVIOUS_SAVER}"
  DeleteRegKey /ifempty HKCU "${OWN_KEY}"
  DeleteRegKey /ifempty HKCU "Software\${PUBLISHER}"
!macroend

Function SetModeFolders
  ${If} $Mode == AllUsers
    SetShellVarContext all
    !insertmacro FindSystemSaverFolder
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$PROGRAMFILES\${PUBLISHER}\Brasswick"
    ${EndIf}
  ${Else}
    SetShellVarContext current
    ${If} $INSTDIR == ""
      GetKnownFolderPath $0 ${FOLDERID_UserProgramFiles}
      ${If} $0 == ""   ; before Windows 7
        StrCpy $0 "$LOCALAPPDATA\Programs"
      ${EndIf}
      StrCpy $INSTDIR "$0\Brasswick"
    ${EndIf}
    ; Windows lists the savers of the system folders only; one elsewhere runs
    ; from the full path that SCRNSAVE.EXE names.
    StrCpy $ScrDir $INSTDIR
  ${EndIf}
  StrCpy $ScrFile "$ScrDir\Brasswick.scr"
FunctionEnd

; Whether $0, a full path, lies inside folder $1: sets $2 to 1 or 0.
Function IsInside
  StrLen $3 "$1\"
  StrCpy $4 $0 $3
  ${If} $4 == "$1\"   ; compared without regard to case
    StrCpy $2 1
  ${Else}
    StrCpy $2 0
  ${EndIf}
FunctionEnd

; The uninstaller of an all-users install runs elevated: it stays where only
; administrators write.
Function RequireProgramFilesFolder
  ${If} $Mode != AllUsers
    Return
  ${EndIf}
  ; ".." and "/" resolved, so that only the real folder is compared.
  System::Call 'kernel32::GetFullPathNameA(t "$INSTDIR", i ${NSIS_MAX_STRLEN}, t .r0, i 0) i .r1'
  ${If} $1 == "error"
  ${OrIf} $1 == 0
    StrCpy $0 $INSTDIR
  ${EndIf}
  StrCpy $1 $PROGRAMFILES
  Call IsInside
  ${If} $2 == 0
  ${AndIf} $PROGRAMFILES64 != $PROGRAMFILES
    StrCpy $1 $PROGRAMFILES64
    Call IsInside
  ${EndIf}
  ${If} $2 == 0
    !insertmacro Refuse "Brasswick for all users goes into a folder under $PROGRAMFILES, not $INSTDIR." ${ERROR_ACCESS_DENIED}
  ${EndIf}
FunctionEnd

; The install folder and, for all users, the publisher's folder, when empty;
; the user's programs folder only when the install made it.
!macro RemoveInstallFolders
  RMDir "$INSTDIR"
  ${If} $Mode == AllUsers
  ${OrIf} $MadeParent == 1
    ${GetParent} "$INSTDIR" $0
    RMDir "$0"
  ${EndIf}
!macroend

; What this run wrote, taken back after a failure; an earlier install that
; this run was replacing keeps its entry and uninstaller.
Function UndoInstall
  ${If} $ChangedSaver == 1
    !insertmacro GiveBackPreviousSaver
  ${EndIf}
  ${If} $HadEntry == 1
    Return
  ${EndIf}
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${If} $WroteScr == 1
    Delete "$ScrFile"
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  !insertmacro RemoveInstallFolders
FunctionEnd

!macro FailInstall MESSAGE CODE
  MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
  DetailPrint "${MESSAGE}"
  Call UndoInstall
  SetErrorLevel ${CODE}
  Abort
!macroend

Section "Brasswick screen saver" SecSaver
  SectionIn RO
  ClearErrors
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "UninstallString"
  ${IfNot} ${Errors}
    StrCpy $HadEntry 1
  ${EndIf}

  ; The uninstaller first: whatever fails after it, an entry can name it.
  ${GetParent} "$INSTDIR" $0
  ${IfNot} ${FileExists} "$0\*.*"
    StrCpy $MadeParent 1
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    !insertmacro FailInstall "Could not write $INSTDIR\uninstall.exe." ${ERROR_ACCESS_DENIED}
  ${EndIf}

  ; The file is in use while the saver or its settings run: Retry, or on a
  ; silent run (which answers Ignore) the report below and a non-zero end.
  ClearErrors
  File "/oname=$ScrFile" "${SCR}"
  ${If} ${Errors}
    !insertmacro FailInstall "Could not write $ScrFile. Close Brasswick (the screen saver or its settings) and run the installer again." ${ERROR_ACCESS_DENIED}
  ${EndIf}
  StrCpy $WroteScr 1

  ; The uninstaller is told its mode, as the convention has it.
  ClearErrors
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Brasswick"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$ScrFile,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$Mode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$Mode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} $MadeParent == 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "MadeParentFolder" 1
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${If} $ScrDir != $INSTDIR
    ${GetSize} "$ScrDir" "/M=Brasswick.scr /S=0K /G=0" $3 $1 $2
    IntOp $0 $0 + $3
  ${EndIf}
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
  ${If} ${Errors}
    !insertmacro FailInstall "Could not write the uninstall entry." ${ERROR_ACCESS_DENIED}
  ${EndIf}
SectionEnd

Section "Make it the current screen saver" SecCurrent
  !insertmacro ReadCurrentSaver $0
  ${If} ${Errors}
    StrCpy $0 ""   ; none is kept as well, to be given back as none
  ${EndIf}
  ; Installed again over itself: the saver kept the first time stays kept.
  ${If} $0 == $ScrFile
    Return
  ${EndIf}
  ClearErrors
  WriteRegStr HKCU "${OWN_KEY}" "${PREVIOUS_SAVER}" $0
  ${If} ${Errors}
    !insertmacro FailInstall "Could not keep the current screen saver." ${ERROR_ACCESS_DENIED}
  ${EndIf}
  StrCpy $ChangedSaver 1
  !insertmacro WriteCurrentSaver $ScrFile
  ${If} ${Errors}
    !insertmacro FailInstall "Could not make Brasswick the current screen saver." ${ERROR_ACCESS_DENIED}
  ${EndIf}
SectionEnd

Function .onInit
  !insertmacro ReadModeSwitch
  ${If} $Mode == ""
    !insertmacro IsAdministrator $0
    ${If} ${Silent}
      ; As the convention has it: all users when the run may, else the user.
      StrCpy $Mode CurrentUser
      ${If} $0 == "Admin"
        StrCpy $Mode AllUsers
      ${EndIf}
    ${Else}
      MessageBox MB_YESNOCANCEL|MB_ICONQUESTION "Install Brasswick for all users of this computer?$\n$\nYes: for all users, in the Screen Saver settings of each (needs the installer run as an administrator).$\nNo: just for you (no administrator needed)." IDYES all IDNO me
      Quit
      all:
        StrCpy $Mode AllUsers
        Goto chosen
      me:
        StrCpy $Mode CurrentUser
      chosen:
    ${EndIf}
  ${EndIf}
  !insertmacro RequireAdministratorForAllUsers
  Call SetModeFolders
  Call RequireProgramFilesFolder

  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOSET" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecCurrent}
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro ReadModeSwitch
  ${If} $Mode == ""   ; an entry written before there were two modes
    StrCpy $Mode AllUsers
  ${EndIf}
  !insertmacro RequireAdministratorForAllUsers
  ${If} $Mode == AllUsers
    SetShellVarContext all
    !insertmacro FindSystemSaverFolder
  ${Else}
    SetShellVarContext current
    StrCpy $ScrDir $INSTDIR
  ${EndIf}
  StrCpy $ScrFile "$ScrDir\Brasswick.scr"
FunctionEnd

; The settings file under the user's local application data stays: it is the
; user's own.
Section "Uninstall"
  ; Windows may keep either form of the path.
  GetFullPathName /SHORT $1 "$ScrFile"
  ClearErrors
  Delete "$ScrFile"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Could not remove $ScrFile. Close Brasswick (the screen saver or its settings) and run the uninstaller again." /SD IDOK
    SetErrorLevel ${ERROR_ACCESS_DENIED}
    Abort
  ${EndIf}

  ; Only a setting that still names this file is changed; another saver the
  ; user chose since stays.
  !insertmacro ReadCurrentSaver $0
  ${If} $0 == $ScrFile
  ${OrIf} $0 == $1
    !insertmacro GiveBackPreviousSaver
  ${EndIf}

  Delete "$INSTDIR\uninstall.exe"
  ReadRegDWORD $MadeParent SHCTX "${UNINSTALL_KEY}" "MadeParentFolder"
  !insertmacro RemoveInstallFolders
  ; Last, so that the entry stays for as long as anything is left to remove.
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
