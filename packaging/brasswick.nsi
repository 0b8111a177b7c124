; The Brasswick installer: puts Brasswick.scr where Windows looks for 32-bit
; screen savers, optionally makes it the current one, and registers an
; uninstaller. scripts/release.sh builds it:
;   makensis -DVERSION=x.y.z -DSCR=path/Brasswick.scr -DOUTFILE=path/setup.exe brasswick.nsi
; Silent: setup.exe /S [/NOSET] (/NOSET keeps the current screen saver).

!ifndef VERSION | SCR | OUTFILE
  !error "VERSION, SCR and OUTFILE must be defined (-D) on the command line"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PUBLISHER "Korvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brasswick"
!define DESKTOP_KEY "Control Panel\Desktop"

; ANSI, like the saver, so that it runs wherever the saver does.
Unicode false
Name "Brasswick"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\${PUBLISHER}\Brasswick"
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

Var ScrDir   ; where the system looks for 32-bit savers
Var ScrFile

; SysWOW64 on 64-bit Windows, where $SYSDIR (System32) is redirected to it for
; this 32-bit installer; the registry values must name the real folder, since
; 64-bit Windows reads them.
!macro FindSaverFolder
  System::Call 'kernel32::GetSystemWow64DirectoryA(t .r0, i ${NSIS_MAX_STRLEN}) i .r1'
  ${If} $1 == "error"
  ${OrIf} $1 == 0
    StrCpy $0 $SYSDIR
  ${EndIf}
  StrCpy $ScrDir $0
  StrCpy $ScrFile "$ScrDir\Brasswick.scr"
!macroend

!macro RequireAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
  ${AndIf} $0 != ""   ; Windows 9x has no accounts
    MessageBox MB_OK|MB_ICONSTOP "Brasswick is installed for all users: run this as an administrator." /SD IDOK
    SetErrorLevel 740  ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Section "Brasswick screen saver" SecSaver
  SectionIn RO
  ; The file is in use while the saver or its settings run: Retry, or on a
  ; silent run (which answers Ignore) the report below and a non-zero end.
  ClearErrors
  File "/oname=$ScrFile" "${SCR}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Could not write $ScrFile. Close Brasswick (the screen saver or its settings) and run the installer again." /SD IDOK
    DetailPrint "Could not write $ScrFile"
    SetErrorLevel 5  ; ERROR_ACCESS_DENIED
    Abort
  ${EndIf}

  ClearErrors
  CreateDirectory "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Could not write $INSTDIR\uninstall.exe." /SD IDOK
    SetErrorLevel 5
    Abort
  ${EndIf}

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Brasswick"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$ScrFile,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${GetSize} "$ScrDir" "/M=Brasswick.scr /S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Make it the current screen saver" SecCurrent
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$ScrFile"
SectionEnd

Function .onInit
  !insertmacro RequireAdministrator
  !insertmacro FindSaverFolder
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOSET" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecCurrent}
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro RequireAdministrator
  !insertmacro FindSaverFolder
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
    SetErrorLevel 5
    Abort
  ${EndIf}

  ; Only a setting that still names this file is cleared; another saver the
  ; user chose since stays.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == $ScrFile
  ${OrIf} $0 == $1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}

  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ${GetParent} "$INSTDIR" $0
  RMDir "$0"  ; the publisher's folder, when nothing else is in it
  ; Last, so that the entry stays for as long as anything is left to remove.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
