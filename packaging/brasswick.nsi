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
!include WordFunc.nsh

!define PUBLISHER "Korvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brasswick"
!define DESKTOP_KEY "Control Panel\Desktop"
; Where the screen saver that Brasswick replaced is kept until it is given back.
!define OWN_KEY "Software\${PUBLISHER}\Brasswick"
!define PREVIOUS_SAVER "PreviousScreenSaver"
!define FOLDERID_UserProgramFiles {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}
!define ERROR_ACCESS_DENIED 5
!define ERROR_ALREADY_EXISTS 183
!define ERROR_INVALID_PARAMETER 87
!define ERROR_ELEVATION_REQUIRED 740

; ANSI, like the saver, so that it runs wherever the saver does (Windows Me
; included). TARGET=amd64-unicode builds the 64-bit twin around the saver's
; 64-bit twin, for the tests on kernels that run no 32-bit program.
!ifdef TARGET
  Target ${TARGET}
!else
  Unicode false
!endif
; The suffix of Win32 functions that take strings: the plain names are not
; always the build's own (shell32's ShellExecuteEx is the ANSI one).
!if ${NSIS_CHAR_SIZE} > 1
  !define AW W
!else
  !define AW A
!endif
Name "Brasswick"
OutFile "${OUTFILE}"
; Runs as the user, installer and uninstaller alike: a per-user install needs
; no administrator, and its uninstaller, in a folder the user can write, must
; never run elevated. All users relaunches itself elevated (RelaunchElevated).
RequestExecutionLevel user
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

Var Mode       ; AllUsers or CurrentUser
Var OtherMode
Var Win9x      ; 1 on Windows 95, 98 and Me
Var ScrDir
Var ScrFile
; What this run found and did, so that a failure takes back only its own.
Var HadEntry   ; an earlier install of this mode: a failed run leaves it whole
Var MadeDir    ; the install folder, made by this install (kept in the entry)
Var MadeParent ; the folder that holds it, likewise
Var RunMadeDir ; the same, made by this run
Var RunMadeParent
Var ScrExisted ; an earlier Brasswick.scr, copied aside until the run succeeds
Var WroteScr
Var WroteUninstaller
Var ChangedSaver
Var SaverBefore  ; the current saver and the kept one before this run
Var SaverWasSet
Var KeptBefore
Var KeptWasSet

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
    ${If} $Mode == AllUsers
      !insertmacro Refuse "Give /AllUsers or /CurrentUser, not both." ${ERROR_INVALID_PARAMETER}
    ${EndIf}
    StrCpy $Mode CurrentUser
  ${EndIf}
!macroend

; Windows 9x keeps one screen saver for the machine.
!macro SettleMode
  ${If} $Win9x == 1
    StrCpy $Mode AllUsers
  ${EndIf}
  StrCpy $OtherMode AllUsers
  ${If} $Mode == AllUsers
    StrCpy $OtherMode CurrentUser
  ${EndIf}
!macroend

!macro IsAdministrator RESULT
  UserInfo::GetAccountType
  Pop ${RESULT}
  ${If} ${RESULT} == ""   ; Windows 9x has no accounts
    StrCpy ${RESULT} "Admin"
  ${EndIf}
!macroend

; For all users the run needs an administrator: started as a user, it starts
; itself again through UAC (ShellExecuteEx "runas"), with SWITCH before the
; rest of its command line (/D= and _?= must come last), waits for that run
; and ends with its code. Refused where that cannot be done (the prompt
; declined, or Windows before Vista).
!macro ElevateForAllUsers SWITCH
  ${If} $Mode == AllUsers
    !insertmacro IsAdministrator $0
    ${If} $0 != "Admin"
      ${GetParameters} $1
      StrCpy $1 "${SWITCH} $1"
      ; SHELLEXECUTEINFO, padded as 64-bit Windows lays it out.
      !if ${NSIS_PTR_SIZE} > 4
        System::Call '*(&l4, i 0x40, p $HWNDPARENT, t "runas", t "$EXEPATH", t "$1", p 0, i 1, i 0, p, p, p, p, i, i 0, p, p) p .r2'
      !else
        System::Call '*(&l4, i 0x40, p $HWNDPARENT, t "runas", t "$EXEPATH", t "$1", p 0, i 1, p, p, p, p, i, p, p) p .r2'
      !endif
      System::Call 'shell32::ShellExecuteEx${AW}(p r2) i .r3'
      ${If} $3 <> 0
        !if ${NSIS_PTR_SIZE} > 4
          System::Call '*$2(i, i, p, p, p, p, p, i, i, p, p, p, p, i, i, p, p .r4)'
        !else
          System::Call '*$2(i, i, p, p, p, p, p, i, p, p, p, p, i, p, p .r4)'
        !endif
        System::Free $2
        System::Call 'kernel32::WaitForSingleObject(p r4, i -1)'
        System::Call 'kernel32::GetExitCodeProcess(p r4, *i .r5)'
        System::Call 'kernel32::CloseHandle(p r4)'
        SetErrorLevel $5
        Quit
      ${EndIf}
      System::Free $2
      !insertmacro Refuse "Brasswick for all users is installed and removed by an administrator: run this as one (right-click, Run as administrator)." ${ERROR_ELEVATION_REQUIRED}
    ${EndIf}
  ${EndIf}
!macroend

; The folder where Windows looks for screen savers of the installer's own
; kind: SysWOW64 on 64-bit Windows for the 32-bit installer, where $SYSDIR
; (System32) is redirected to it; the registry values must name the real
; folder, since 64-bit Windows reads them.
!macro FindSystemSaverFolder
  StrCpy $ScrDir $SYSDIR
  !if ${NSIS_PTR_SIZE} <= 4
    System::Call 'kernel32::GetSystemWow64Directory${AW}(t .r0, i ${NSIS_MAX_STRLEN}) i .r1'
    ${If} $1 != "error"
    ${AndIf} $1 <> 0
      StrCpy $ScrDir $0
    ${EndIf}
  !endif
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

; Makes VALUE current; "" means none. Sets the error flag when it cannot.
!macro WriteCurrentSaver VALUE
  ClearErrors
  ${If} $Win9x == 0
    ${If} "${VALUE}" == ""
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "${VALUE}"
    ${EndIf}
  ${Else}
    ${If} "${VALUE}" == ""
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

; The saver that an install of MODE replaced, kept beside the setting it
; came from: the user's on NT, the machine's on Windows 9x. Each mode keeps
; its own, so either may be removed first. "" is none; the error flag is set
; when nothing is kept.
!macro ReadKeptSaver MODE RESULT
  ClearErrors
  ${If} $Win9x == 0
    ReadRegStr ${RESULT} HKCU "${OWN_KEY}" "${PREVIOUS_SAVER}${MODE}"
  ${Else}
    ReadRegStr ${RESULT} HKLM "${OWN_KEY}" "${PREVIOUS_SAVER}${MODE}"
  ${EndIf}
!macroend
!macro WriteKeptSaver VALUE
  ClearErrors
  ${If} $Win9x == 0
    WriteRegStr HKCU "${OWN_KEY}" "${PREVIOUS_SAVER}$Mode" "${VALUE}"
  ${Else}
    WriteRegStr HKLM "${OWN_KEY}" "${PREVIOUS_SAVER}$Mode" "${VALUE}"
  ${EndIf}
!macroend
!macro ForgetKeptSaver
  ${If} $Win9x == 0
    DeleteRegValue HKCU "${OWN_KEY}" "${PREVIOUS_SAVER}$Mode"
    DeleteRegValue HKCU "${OWN_KEY}" "${PREVIOUS_SAVER}"
    DeleteRegKey /ifempty HKCU "${OWN_KEY}"
    DeleteRegKey /ifempty HKCU "Software\${PUBLISHER}"
  ${Else}
    DeleteRegValue HKLM "${OWN_KEY}" "${PREVIOUS_SAVER}$Mode"
    DeleteRegValue HKLM "${OWN_KEY}" "${PREVIOUS_SAVER}"
    DeleteRegKey /ifempty HKLM "${OWN_KEY}"
    DeleteRegKey /ifempty HKLM "Software\${PUBLISHER}"
  ${EndIf}
!macroend

; Whether the path in $R0 names a Brasswick.scr, of either mode and in any
; folder, in its long or its 8.3 form: sets $R1 to 1 or 0.
Function IsBrasswickPath
  Push $R2
  StrCpy $R1 0
  ${GetFileName} "$R0" $R2
  ${If} $R2 == "Brasswick.scr"
    StrCpy $R1 1
  ${Else}
    System::Call 'kernel32::GetLongPathName${AW}(t R0, t .R2, i ${NSIS_MAX_STRLEN}) i .r9'
    ${If} $9 != "error"
    ${AndIf} $9 <> 0
      ${GetFileName} "$R2" $R2
      ${If} $R2 == "Brasswick.scr"
        StrCpy $R1 1
      ${EndIf}
    ${Else}   ; gone: only the short form's shape tells (BRASSW~1.SCR, BRAS~KKX.SCR)
      ${GetFileName} "$R0" $R2
      StrCpy $9 $R2 4
      StrCpy $8 $R2 "" -4
      StrLen $7 $R2
      ClearErrors
      ${WordFind} "$R2" "~" "E#" $6
      ${If} $9 == "BRAS"
      ${AndIf} $8 == ".SCR"
      ${AndIf} $7 <= 12
      ${AndIfNot} ${Errors}
        StrCpy $R1 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $R2
FunctionEnd

; Whether the path in $R0 names $ScrFile, in its long or its 8.3 form: sets
; $R1 to 1 or 0. An empty path names nothing.
Function un.NamesThisScr
  StrCpy $R1 0
  ${If} $R0 == ""
    Return
  ${EndIf}
  ${If} $R0 == $ScrFile
    StrCpy $R1 1
    Return
  ${EndIf}
  Push $R2
  GetFullPathName /SHORT $R2 "$ScrFile"
  ${If} $R2 != ""
  ${AndIf} $R0 == $R2
    StrCpy $R1 1
  ${EndIf}
  Pop $R2
FunctionEnd

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
  System::Call 'kernel32::GetFullPathName${AW}(t "$INSTDIR", i ${NSIS_MAX_STRLEN}, t .r0, i 0) i .r1'
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

; What an earlier install of this mode left: its entry ($HadEntry), and the
; folders it made, which stay its own when this run goes into the same one.
; A folder holding an uninstall.exe that is not this mode's own is another
; program's: refused. For all users, a folder that the run does not make
; could carry an ACL that lets users write where the elevated uninstaller
; runs: refused too, unless an earlier install of ours made it.
Function CheckEarlierInstall
  ClearErrors
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} ${Errors}
    StrCpy $0 ""
  ${Else}
    StrCpy $HadEntry 1
  ${EndIf}
  ${If} $0 == $INSTDIR
  ${AndIf} $0 != ""
    ReadRegDWORD $MadeParent SHCTX "${UNINSTALL_KEY}" "MadeParentFolder"
    ClearErrors
    ReadRegDWORD $MadeDir SHCTX "${UNINSTALL_KEY}" "MadeInstallFolder"
    ${If} ${Errors}   ; an install from before this was kept always made it
      StrCpy $MadeDir 1
      ${If} $Mode == AllUsers
        StrCpy $MadeParent 1
      ${EndIf}
    ${EndIf}
    Return
  ${EndIf}
  ; One install per mode: moved, the earlier one's files would be left behind.
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    !insertmacro Refuse "Brasswick is installed in $0 already: install it there again, or remove it first." ${ERROR_ALREADY_EXISTS}
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    !insertmacro Refuse "$INSTDIR already holds an uninstall.exe of another program: choose another folder." ${ERROR_ALREADY_EXISTS}
  ${EndIf}
  ${If} $Mode == AllUsers
  ${AndIf} $Win9x == 0
  ${AndIf} ${FileExists} "$INSTDIR\*.*"
    !insertmacro Refuse "$INSTDIR exists already, and its permissions are not Brasswick's: choose a new folder." ${ERROR_ALREADY_EXISTS}
  ${EndIf}
FunctionEnd

; The install folder (and its parent when missing), made afresh. For all
; users it gets a protected ACL of its own: administrators and the system may
; change it, users only read it, whatever the parent lets them do.
Function MakeInstallFolder
  ClearErrors
  ${If} ${FileExists} "$INSTDIR\*.*"
    Return
  ${EndIf}
  ${GetParent} "$INSTDIR" $0
  ${IfNot} ${FileExists} "$0\*.*"
    ClearErrors
    CreateDirectory "$0"
    ${If} ${Errors}
      Return
    ${EndIf}
    StrCpy $MadeParent 1
    StrCpy $RunMadeParent 1
  ${EndIf}
  ${If} $Mode == AllUsers
  ${AndIf} $Win9x == 0
    System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptor${AW}(t "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;GRGX;;;BU)", i 1, *p .r1, p 0) i .r2'
    ${If} $2 == "error"
    ${OrIf} $2 == 0
      SetErrors
      Return
    ${EndIf}
    ; SECURITY_ATTRIBUTES, padded as 64-bit Windows lays it out.
    !if ${NSIS_PTR_SIZE} > 4
      System::Call '*(&l4, i 0, p r1, i 0, i 0) p .r3'
    !else
      System::Call '*(&l4, p r1, i 0) p .r3'
    !endif
    System::Call 'kernel32::CreateDirectory${AW}(t "$INSTDIR", p r3) i .r2'
    System::Free $3
    System::Call 'kernel32::LocalFree(p r1)'
    ${If} $2 == 0
      SetErrors
      Return
    ${EndIf}
  ${Else}
    ClearErrors
    CreateDirectory "$INSTDIR"
    ${If} ${Errors}
      Return
    ${EndIf}
  ${EndIf}
  StrCpy $MadeDir 1
  StrCpy $RunMadeDir 1
  ClearErrors
FunctionEnd

; Removes the install folder and the one that holds it, each only when
; MADE_DIR and MADE_PARENT say that it was made, and only when empty.
!macro RemoveInstallFolders MADE_DIR MADE_PARENT
  ${If} ${MADE_DIR} == 1
    RMDir "$INSTDIR"
  ${EndIf}
  ${If} ${MADE_PARENT} == 1
    ${GetParent} "$INSTDIR" $0
    RMDir "$0"
  ${EndIf}
!macroend

; What this run wrote, taken back after a failure: the settings as they were,
; an earlier Brasswick.scr put back, and an earlier install's entry and
; uninstaller left whole.
Function UndoInstall
  ${If} $ChangedSaver == 1
    ${If} $SaverWasSet == 1
      !insertmacro WriteCurrentSaver $SaverBefore
    ${Else}
      !insertmacro WriteCurrentSaver ""
    ${EndIf}
    ${If} $KeptWasSet == 1
      !insertmacro WriteKeptSaver $KeptBefore
    ${Else}
      !insertmacro ForgetKeptSaver
    ${EndIf}
  ${EndIf}
  ${If} $WroteScr == 1
    ${If} $ScrExisted == 1
      CopyFiles /SILENT "$PLUGINSDIR\earlier.scr" "$ScrFile"
    ${Else}
      Delete "$ScrFile"
    ${EndIf}
  ${EndIf}
  ${If} $WroteUninstaller == 1
    Delete "$INSTDIR\uninstall.exe"
  ${EndIf}
  ${If} $HadEntry != 1
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${EndIf}
  !insertmacro RemoveInstallFolders $RunMadeDir $RunMadeParent
FunctionEnd

!macro FailInstall MESSAGE CODE
  MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
  DetailPrint "${MESSAGE}"
  Call UndoInstall
  SetErrorLevel ${CODE}
  Abort
!macroend

; One value of the uninstall entry; the run fails when it cannot be written.
!macro WriteEntry TYPE NAME VALUE
  ClearErrors
  WriteReg${TYPE} SHCTX "${UNINSTALL_KEY}" "${NAME}" `${VALUE}`
  ${If} ${Errors}
    !insertmacro FailInstall "Could not write ${NAME} of the uninstall entry." ${ERROR_ACCESS_DENIED}
  ${EndIf}
!macroend

Section "Brasswick screen saver" SecSaver
  SectionIn RO
  InitPluginsDir
  Call MakeInstallFolder
  ${If} ${Errors}
    !insertmacro FailInstall "Could not make the folder $INSTDIR." ${ERROR_ACCESS_DENIED}
  ${EndIf}

  ; The file first: it is in use while the saver or its settings run, and
  ; then nothing else has changed yet. Retry, or on a silent run (which
  ; answers Ignore) the report below and a non-zero end.
  ${If} ${FileExists} "$ScrFile"
    StrCpy $ScrExisted 1
    ClearErrors
    CopyFiles /SILENT "$ScrFile" "$PLUGINSDIR\earlier.scr"
    ${If} ${Errors}
      !insertmacro FailInstall "Could not read the Brasswick.scr already installed, $ScrFile." ${ERROR_ACCESS_DENIED}
    ${EndIf}
  ${EndIf}
  ClearErrors
  File "/oname=$ScrFile" "${SCR}"
  ${If} ${Errors}
    !insertmacro FailInstall "Could not write $ScrFile. Close Brasswick (the screen saver or its settings) and run the installer again." ${ERROR_ACCESS_DENIED}
  ${EndIf}
  StrCpy $WroteScr 1

  ${IfNot} ${FileExists} "$INSTDIR\uninstall.exe"
    StrCpy $WroteUninstaller 1
  ${EndIf}
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    !insertmacro FailInstall "Could not write $INSTDIR\uninstall.exe." ${ERROR_ACCESS_DENIED}
  ${EndIf}

  ; The uninstaller takes its mode from the entry that names its folder; the
  ; switch is for older ones and for tools that read it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${If} $ScrDir != $INSTDIR
    ${GetSize} "$ScrDir" "/M=Brasswick.scr /S=0K /G=0" $3 $1 $2
    IntOp $0 $0 + $3
  ${EndIf}
  !insertmacro WriteEntry Str DisplayName "Brasswick"
  !insertmacro WriteEntry Str DisplayVersion "${VERSION}"
  !insertmacro WriteEntry Str Publisher "${PUBLISHER}"
  !insertmacro WriteEntry Str DisplayIcon "$ScrFile,0"
  !insertmacro WriteEntry Str InstallLocation "$INSTDIR"
  !insertmacro WriteEntry Str UninstallString '"$INSTDIR\uninstall.exe" /$Mode'
  !insertmacro WriteEntry Str QuietUninstallString '"$INSTDIR\uninstall.exe" /$Mode /S'
  !insertmacro WriteEntry DWORD NoModify 1
  !insertmacro WriteEntry DWORD NoRepair 1
  !insertmacro WriteEntry DWORD EstimatedSize $0
  ; What the uninstall may remove besides its own files.
  IntOp $MadeDir $MadeDir + 0
  IntOp $MadeParent $MadeParent + 0
  !insertmacro WriteEntry DWORD MadeInstallFolder $MadeDir
  !insertmacro WriteEntry DWORD MadeParentFolder $MadeParent
SectionEnd

Section "Make it the current screen saver" SecCurrent
  !insertmacro ReadCurrentSaver $SaverBefore
  ${If} ${Errors}
    StrCpy $SaverBefore ""
  ${Else}
    StrCpy $SaverWasSet 1
  ${EndIf}
  !insertmacro ReadKeptSaver $Mode $KeptBefore
  ${IfNot} ${Errors}
    StrCpy $KeptWasSet 1
  ${EndIf}
  ; What is kept is the saver the user had before Brasswick: never a
  ; Brasswick.scr (this one, the other mode's, or one installed by hand), and
  ; while one is current the saver kept before it stays kept, this mode's or
  ; else the other mode's. An empty value is none.
  StrCpy $R0 $SaverBefore
  Call IsBrasswickPath
  StrCpy $0 $SaverBefore
  ${If} $R1 == 1
    StrCpy $0 ""
    ${If} $KeptWasSet == 1
      StrCpy $0 $KeptBefore
    ${Else}
      !insertmacro ReadKeptSaver $OtherMode $1
      ${If} ${Errors}   ; or where an install of one mode alone kept it
        !insertmacro ReadKeptSaver "" $1
      ${EndIf}
      ${IfNot} ${Errors}
        StrCpy $0 $1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $ChangedSaver 1
  !insertmacro WriteKeptSaver $0
  ${If} ${Errors}
    !insertmacro FailInstall "Could not keep the current screen saver." ${ERROR_ACCESS_DENIED}
  ${EndIf}
  !insertmacro WriteCurrentSaver $ScrFile
  ${If} ${Errors}
    !insertmacro FailInstall "Could not make Brasswick the current screen saver." ${ERROR_ACCESS_DENIED}
  ${EndIf}
SectionEnd

Function .onInit
  !insertmacro ReadModeSwitch
  ${If} $Mode == ""
  ${AndIf} $Win9x == 0
    !insertmacro IsAdministrator $0
    ${If} ${Silent}
      ; As the convention has it: all users when the run may, else the user.
      StrCpy $Mode CurrentUser
      ${If} $0 == "Admin"
        StrCpy $Mode AllUsers
      ${EndIf}
    ${Else}
      MessageBox MB_YESNOCANCEL|MB_ICONQUESTION "Install Brasswick for all users of this computer?$\n$\nYes: for all users, in the Screen Saver settings of each (Windows asks for an administrator).$\nNo: just for you (no administrator needed)." IDYES all IDNO me
      Quit
      all:
        StrCpy $Mode AllUsers
        Goto chosen
      me:
        StrCpy $Mode CurrentUser
      chosen:
    ${EndIf}
  ${EndIf}
  !insertmacro SettleMode
  !insertmacro ElevateForAllUsers /AllUsers
  Call SetModeFolders
  Call RequireProgramFilesFolder
  Call CheckEarlierInstall

  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOSET" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecCurrent}
  ${EndIf}
FunctionEnd

; The mode of the install whose entry names this folder; a switch only
; where no entry does (one left by a failed run, or removed by hand).
Function un.onInit
  !insertmacro ReadModeSwitch
  ClearErrors
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $Mode CurrentUser
  ${ElseIf} $1 == $INSTDIR
    StrCpy $Mode AllUsers
  ${ElseIf} $Mode == ""
    StrCpy $Mode CurrentUser
    StrCpy $0 $INSTDIR
    StrCpy $1 $PROGRAMFILES
    Call un.IsInside
    ${If} $2 == 1
      StrCpy $Mode AllUsers
    ${EndIf}
  ${EndIf}
  !insertmacro SettleMode
  !insertmacro ElevateForAllUsers ""
  ${If} $Mode == AllUsers
    SetShellVarContext all
    !insertmacro FindSystemSaverFolder
  ${Else}
    SetShellVarContext current
    StrCpy $ScrDir $INSTDIR
  ${EndIf}
  StrCpy $ScrFile "$ScrDir\Brasswick.scr"
FunctionEnd

Function un.IsInside
  StrLen $3 "$1\"
  StrCpy $4 $0 $3
  ${If} $4 == "$1\"
    StrCpy $2 1
  ${Else}
    StrCpy $2 0
  ${EndIf}
FunctionEnd

; The settings file under the user's local application data stays: it is the
; user's own.
Section "Uninstall"
  ; Whether the setting names this file, in either form, asked while it is
  ; there to be asked.
  !insertmacro ReadCurrentSaver $R0
  ${If} ${Errors}
    StrCpy $R0 ""
  ${EndIf}
  Call un.NamesThisScr
  StrCpy $R3 $R1
  ClearErrors
  Delete "$ScrFile"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Could not remove $ScrFile. Close Brasswick (the screen saver or its settings) and run the uninstaller again." /SD IDOK
    SetErrorLevel ${ERROR_ACCESS_DENIED}
    Abort
  ${EndIf}

  ; Only a setting that still names this file is changed; another saver the
  ; user chose since (none included) stays.
  ${If} $R3 == 1
    !insertmacro ReadKeptSaver $Mode $2
    ${If} ${Errors}
      StrCpy $2 ""
    ${EndIf}
    !insertmacro WriteCurrentSaver $2
    ${If} ${Errors}
      DetailPrint "Could not give back the screen saver $2."
      SetErrorLevel ${ERROR_ACCESS_DENIED}
    ${EndIf}
  ${EndIf}
  !insertmacro ForgetKeptSaver

  Delete "$INSTDIR\uninstall.exe"
  ClearErrors
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    ReadRegDWORD $MadeDir SHCTX "${UNINSTALL_KEY}" "MadeInstallFolder"
    ReadRegDWORD $MadeParent SHCTX "${UNINSTALL_KEY}" "MadeParentFolder"
    !insertmacro RemoveInstallFolders $MadeDir $MadeParent
    ; Last, so that the entry stays for as long as anything is left to remove.
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
