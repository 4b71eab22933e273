; The installer of Kestrune.cpl, the Orvex Network Driver's Control Panel
; applet. It carries both builds: 32-bit Windows gets the i686 applet, 64-bit
; Windows only the x86_64 one, for the 64-bit Control Panel.
;
; installer/CMakeLists.txt builds it with makensis and these defines:
;   VERSION   the project's version a.b.c.d, from project() in CMakeLists.txt
;   CPL_X86   the i686 Kestrune.cpl
;   CPL_X64   the x86_64 Kestrune.cpl
;   OUTFILE   the setup program to write
;
; What it makes, and so all that the uninstaller takes away again:
;   <Program Files>\Kestrune\Kestrune.cpl and Uninstall.exe, and that folder
;   HKLM\...\Control Panel\Cpls, value "Kestrune" (the key too, if it made it)
;   HKLM\...\Uninstall\Kestrune
; On 64-bit Windows all of it is in the 64-bit registry view. The settings
; file orvexd.ini is the applet's and the driver's: the installer never makes
; it, and the uninstaller never deletes it, nor any file it does not name.

!ifndef VERSION | CPL_X86 | CPL_X64 | OUTFILE
  !error "Build the installer through CMake: it defines VERSION, CPL_X86, CPL_X64 and OUTFILE"
!endif

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "Orvex Network Driver"
!define COMPANY "Kestrune"
!define CPL_FILE "Kestrune.cpl"
!define UNINSTALLER "Uninstall.exe"
!define CPLS_KEY "Software\Microsoft\Windows\CurrentVersion\Control Panel\Cpls"
!define CPLS_VALUE "Kestrune"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune"
; Set in UNINST_KEY when the installer made the Cpls key, which did not exist.
!define CPLS_KEY_MADE "KestruneMadeCplsKey"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
UninstallCaption "${PRODUCT} ${VERSION} Uninstall"
BrandingText "${COMPANY}"
OutFile "${OUTFILE}"
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

; The registry view that matches the installed applet.
!macro MATCHING_REG_VIEW
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

Function .onInit
  !insertmacro REQUIRE_ADMIN
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
    Delete "$0\${UNINSTALLER}"
    RMDir "$0"
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

  ; A Control Panel item outside the system folder is found through this value.
  WriteRegStr HKLM "${CPLS_KEY}" "${CPLS_VALUE}" "$INSTDIR\${CPL_FILE}"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "${CPLS_KEY_MADE}" $1
SectionEnd

Function un.onInit
  !insertmacro REQUIRE_ADMIN
  !insertmacro MATCHING_REG_VIEW
FunctionEnd

Section "Uninstall"
  DeleteRegValue HKLM "${CPLS_KEY}" "${CPLS_VALUE}"
  ReadRegDWORD $0 HKLM "${UNINST_KEY}" "${CPLS_KEY_MADE}"
  ${If} $0 == 1
    DeleteRegKey /ifempty HKLM "${CPLS_KEY}"
  ${EndIf}
  DeleteRegKey HKLM "${UNINST_KEY}"

  ; Only the files named here; the folder goes only when nothing else is left.
  ; An applet still loaded by an open Control Panel goes at the next restart,
  ; and then so does the folder, if it is empty by then.
  Delete /REBOOTOK "$INSTDIR\${CPL_FILE}"
  Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
    DetailPrint "$INSTDIR\${CPL_FILE} is in use: it is removed when Windows restarts."
  ${Else}
    RMDir "$INSTDIR"
  ${EndIf}
SectionEnd
