; The installer of Kestrune.cpl, the Orvex Network Driver's Control Panel
; applet. It carries both builds: 32-bit Windows gets the i686 applet, 64-bit
; Windows only the x86_64 one, for the 64-bit Control Panel.
;
; installer/CMakeLists.txt builds it with makensis and these defines:
;   VERSION   the project's version a.b.c.d, from project() in CMakeLists.txt
;   CPL_X86   the i686 Kestrune.cpl
;   CPL_X64   the x86_64 Kestrune.cpl
;   OUTFILE   the setup program to write
;   UPGRADE_CODE_X86, UPGRADE_CODE_X64  the MSI packages' UpgradeCodes
;   APP_ID    the applet's System.Software.AppId, a GUID without braces
;   APP_NAME  its System.ApplicationName, for `control /name`
;   TASKS_NSH the writes of its task links file, made from KestruneTasks.xml.in
;   SIGN      only when signing: a shell command that signs the file named
;             after it in place
;
; What it makes, and so all that the uninstaller takes away again:
;   <Program Files>\Kestrune\Kestrune.cpl, KestruneTasks.xml and Uninstall.exe,
;   and that folder
;   HKLM\...\Control Panel\Cpls, value "Kestrune" (the key too, if it made it)
;   HKLM\...\Control Panel\Extended Properties\<property>, a value named
;   after the applet's path for each of four properties (a key only when it
;   is left empty: Windows' own items live there)
;   HKLM\...\Uninstall\Kestrune
; On 64-bit Windows all of it is in the 64-bit registry view. The settings
; file orvexd.ini is the applet's and the driver's: the installer never makes
; it, and the uninstaller never deletes it, nor any file it does not name.
;
; /SETTINGS=<path> names an orvexd.ini prepared by an administrator: it is
; copied into C:\ProgramData\VORMEL\ORVEXDRIVER when no orvexd.ini is there,
; and stays there after the uninstall. A path that cannot be read stops the
; setup before it installs anything (exit code 1603).

!ifndef VERSION | CPL_X86 | CPL_X64 | OUTFILE | UPGRADE_CODE_X86 | UPGRADE_CODE_X64 | APP_ID | APP_NAME | TASKS_NSH
  !error "Build the installer through CMake: it defines VERSION, CPL_X86, CPL_X64, OUTFILE, the UpgradeCodes and the applet's shell properties"
!endif

Unicode true
SetCompressor /SOLID lzma
; The installed files get the time they are installed, not the build's: the
; same commit makes the same setup.
SetDateSave off
RequestExecutionLevel admin

!define PRODUCT "Orvex Network Driver"
!define COMPANY "Kestrune"
!define CPL_FILE "Kestrune.cpl"
!define UNINSTALLER "Uninstall.exe"
!define CPLS_KEY "Software\Microsoft\Windows\CurrentVersion\Control Panel\Cpls"
!define CPLS_VALUE "Kestrune"
!define TASKS_FILE "KestruneTasks.xml"
!define EXT_PROPS "Software\Microsoft\Windows\CurrentVersion\Control Panel\Extended Properties"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune"
; Set in UNINST_KEY when the installer made the Cpls key, which did not exist.
!define CPLS_KEY_MADE "KestruneMadeCplsKey"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
UninstallCaption "${PRODUCT} ${VERSION} Uninstall"
BrandingText "${COMPANY}"
OutFile "${OUTFILE}"
; The uninstaller is signed before it goes into the setup, which writes it
; out as it is at install time; then the setup itself.
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"' = 0
  !finalize '${SIGN} "%1"' = 0
!endif
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COMPANY}"

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WordFunc.nsh

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Quits unless the process has administrator rights (UAC asks for them; on a
; system without UAC a limited account would get this far).
!macro REQUIRE_ADMIN
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} needs administrator rights." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

; Quits when a package with this UpgradeCode is installed: the MSI packages
; install the same file and Cpls value, and each uninstall would take away
; what the other owns.
!macro REFUSE_MSI_PRODUCT UPGRADE_CODE
  System::Call 'msi::MsiEnumRelatedProductsW(w "{${UPGRADE_CODE}}", i 0, i 0, w .r1) i .r0'
  ${If} $0 == 0
    MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} is already installed from its MSI package, which installs the same files and Control Panel entry. Uninstall it in Programs and Features first, then run this setup." /SD IDOK
    SetErrorLevel 1638 ; ERROR_PRODUCT_VERSION: another version is installed
    Quit
  ${EndIf}
!macroend

; The orvexd.ini given with /SETTINGS=, as a full path; empty: none.
Var SeedFile

; Reads /SETTINGS=; quits unless the file can be read.
Function CheckSettingsFile
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/SETTINGS=" $SeedFile
  ${If} ${Errors}
  ${OrIf} $SeedFile == ""
    StrCpy $SeedFile ""
    Return
  ${EndIf}
  ClearErrors
  FileOpen $1 $SeedFile r
  ${IfNot} ${Errors}
    FileClose $1
    ; Setting the output folder changes the current one.
    GetFullPathName $1 $SeedFile
  ${EndIf}
  ${If} ${Errors}
  ${OrIf} $1 == ""
    MessageBox MB_ICONSTOP|MB_OK "The settings file given in /SETTINGS= cannot be read: $SeedFile$\r$\nGive the path of a readable orvexd.ini. Nothing was installed." /SD IDOK
    SetErrorLevel 1603 ; ERROR_INSTALL_FAILURE, as msiexec ends
    Quit
  ${EndIf}
  StrCpy $SeedFile $1
FunctionEnd

; Copies $SeedFile into the settings folder unless an orvexd.ini is there.
Function SeedSettingsFile
  SetShellVarContext all
  StrCpy $1 "$APPDATA\VORMEL\ORVEXDRIVER"
  CreateDirectory $1
  StrCpy $1 "$1\orvexd.ini"
  ; Fails rather than overwrite: the settings already there win.
  System::Call 'kernel32::CopyFileW(w "$SeedFile", w "$1", i 1) i .r0 ?e'
  Pop $2
  ${If} $0 != 0
    ; A read-only seed would keep the applet from saving.
    SetFileAttributes $1 NORMAL
    DetailPrint "Seeded the settings file $1 from $SeedFile."
  ${ElseIf} $2 == 80 ; ERROR_FILE_EXISTS
    DetailPrint "The settings file $1 exists: kept as it is, $SeedFile not copied."
  ${Else}
    DetailPrint "Cannot copy the settings file $SeedFile to $1 (error $2)."
    MessageBox MB_ICONSTOP|MB_OK "Cannot copy the settings file $SeedFile to $1 (error $2)." /SD IDOK
    SetErrorLevel 1603
  ${EndIf}
FunctionEnd

; The registry view that matches the installed applet.
!macro MATCHING_REG_VIEW
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

; Control Panel's category (Hardware and Sound), canonical name, application
; id and task links for the applet at CPL, each a value named after CPL
; exactly as the Cpls value gives it.
!macro WRITE_SHELL_PROPERTIES CPL
  WriteRegDWORD HKLM "${EXT_PROPS}\System.ControlPanel.Category" "${CPL}" 2
  WriteRegStr HKLM "${EXT_PROPS}\System.ApplicationName" "${CPL}" "${APP_NAME}"
  WriteRegStr HKLM "${EXT_PROPS}\System.Software.AppId" "${CPL}" "{${APP_ID}}"
  WriteRegStr HKLM "${EXT_PROPS}\System.Software.TasksFileUrl" "${CPL}" "$INSTDIR\${TASKS_FILE}"
!macroend

; Deletes those values. A key goes only when nothing is left in it, which on
; Windows, whose own items are there, is never.
!macro DELETE_SHELL_PROPERTY PROPERTY CPL
  DeleteRegValue HKLM "${EXT_PROPS}\${PROPERTY}" "${CPL}"
  DeleteRegKey /ifempty /ifnovalues HKLM "${EXT_PROPS}\${PROPERTY}"
!macroend
!macro DELETE_SHELL_PROPERTIES CPL
  !insertmacro DELETE_SHELL_PROPERTY System.ControlPanel.Category "${CPL}"
  !insertmacro DELETE_SHELL_PROPERTY System.ApplicationName "${CPL}"
  !insertmacro DELETE_SHELL_PROPERTY System.Software.AppId "${CPL}"
  !insertmacro DELETE_SHELL_PROPERTY System.Software.TasksFileUrl "${CPL}"
  DeleteRegKey /ifempty /ifnovalues HKLM "${EXT_PROPS}"
!macroend

; Writes the task links file, naming the applet in $INSTDIR.
Function WriteTaskLinks
  ClearErrors
  FileOpen $R0 "$INSTDIR\${TASKS_FILE}" w
  ${If} ${Errors}
    MessageBox MB_ICONSTOP|MB_OK "Cannot write $INSTDIR\${TASKS_FILE}: Control Panel's search will not find ${PRODUCT}." /SD IDOK
    SetErrorLevel 1603
    Return
  ${EndIf}
  FileWriteWord $R0 0xFEFF ; UTF-16LE byte-order mark
  ; A folder name may hold "&", which XML text may not.
  ${WordReplace} "$INSTDIR" "&" "&amp;" "+" $R1
  !include "${TASKS_NSH}"
  FileClose $R0
FunctionEnd

Function .onInit
  !insertmacro REQUIRE_ADMIN
  !insertmacro REFUSE_MSI_PRODUCT ${UPGRADE_CODE_X86}
  !insertmacro REFUSE_MSI_PRODUCT ${UPGRADE_CODE_X64}
  Call CheckSettingsFile
  !insertmacro MATCHING_REG_VIEW
  ; /D= sets the folder before this runs; else an upgrade keeps the old one.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINST_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\Kestrune"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\Kestrune"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Kestrune" SecApplet
  SectionIn RO

  ; An upgrade into another folder takes the old copy away first, by name,
  ; so one set of files remains. Anything else there (orvexd.ini) stays.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    Delete "$0\${CPL_FILE}"
    Delete "$0\${TASKS_FILE}"
    Delete "$0\${UNINSTALLER}"
    RMDir "$0"
  ${EndIf}
  ; And the shell properties named after the old path, so one set remains.
  ReadRegStr $0 HKLM "${CPLS_KEY}" "${CPLS_VALUE}"
  ${If} $0 != ""
  ${AndIf} $0 != "$INSTDIR\${CPL_FILE}"
    !insertmacro DELETE_SHELL_PROPERTIES "$0"
  ${EndIf}

  ; Whether the Cpls key was ours is known only at the first install.
  ClearErrors
  ReadRegDWORD $1 HKLM "${UNINST_KEY}" "${CPLS_KEY_MADE}"
  ${If} ${Errors}
    ClearErrors
    EnumRegKey $0 HKLM "${CPLS_KEY}" 0
    ${If} ${Errors}
      StrCpy $1 1
    ${Else}
      StrCpy $1 0
    ${EndIf}
  ${EndIf}

  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    File "/oname=${CPL_FILE}" "${CPL_X64}"
  ${Else}
    File "/oname=${CPL_FILE}" "${CPL_X86}"
  ${EndIf}
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  Call WriteTaskLinks

  ; A Control Panel item outside the system folder is found through this value.
  WriteRegExpandStr HKLM "${CPLS_KEY}" "${CPLS_VALUE}" "$INSTDIR\${CPL_FILE}"
  !insertmacro WRITE_SHELL_PROPERTIES "$INSTDIR\${CPL_FILE}"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "${CPLS_KEY_MADE}" $1

  ; Last, with no way back: a seeded file stays.
  ${If} $SeedFile != ""
    Call SeedSettingsFile
  ${EndIf}
SectionEnd

Function un.onInit
  !insertmacro REQUIRE_ADMIN
  !insertmacro MATCHING_REG_VIEW
FunctionEnd

Section "Uninstall"
  ; The shell properties are named after the path that Cpls gives.
  ReadRegStr $1 HKLM "${CPLS_KEY}" "${CPLS_VALUE}"
  ${If} $1 == ""
    StrCpy $1 "$INSTDIR\${CPL_FILE}"
  ${EndIf}
  !insertmacro DELETE_SHELL_PROPERTIES "$1"
  DeleteRegValue HKLM "${CPLS_KEY}" "${CPLS_VALUE}"
  ReadRegDWORD $0 HKLM "${UNINST_KEY}" "${CPLS_KEY_MADE}"
  ${If} $0 == 1
    ; /ifempty alone would take away other programs' values made since.
    DeleteRegKey /ifempty /ifnovalues HKLM "${CPLS_KEY}"
  ${EndIf}
  DeleteRegKey HKLM "${UNINST_KEY}"

  ; Only the files named here; the folder goes only when nothing else is left.
  ; An applet still loaded by an open Control Panel goes at the next restart,
  ; and then so does the folder, if it is empty by then.
  Delete /REBOOTOK "$INSTDIR\${CPL_FILE}"
  Delete /REBOOTOK "$INSTDIR\${TASKS_FILE}"
  Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
    DetailPrint "$INSTDIR\${CPL_FILE} is in use: it is removed when Windows restarts."
  ${Else}
    RMDir "$INSTDIR"
  ${EndIf}
SectionEnd
