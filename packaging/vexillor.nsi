; The Windows installer. make-dist passes VERSION, STAGE (the folder with the four files),
; ICON, WIZARD_BITMAP (the welcome and finish pages' picture), SIZE_KB (the files' size, for
; Add/Remove Programs) and OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
SetDateSave off
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vexillor"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
; One name for the installer and the uninstaller: neither runs beside the other.
!define SETUP_MUTEX "Vexillor setup"

Name "Vexillor ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Vexillor"
; An update goes where the first install went. The installer is a 64-bit program, so this
; reads the registry's 64-bit view, where the section below writes the key.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Vexillor ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "Vexillor"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Vexillor ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "Vexillor developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 Vexillor developers, MIT License"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_WELCOMEPAGE_TEXT "Vexillor puts your own picture on your Quillmere banner: it writes \
the picture into one of your player profiles as the game's banner texture.$\r$\n$\r$\n\
Setup installs the banner program, the command-line tool vexillor-cli and the players' \
guide.$\r$\n$\r$\nClick Next to continue."
!define MUI_FINISHPAGE_NOAUTOCLOSE  ; the player sees what was installed before the last page
!define MUI_FINISHPAGE_RUN "$INSTDIR\vexillor.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Run Vexillor"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FolderPageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var addPath  ; "yes" or "no" from /PATH=, empty when not given

Section "Vexillor" SecProgram
    SectionIn RO
    Call CheckInstallFolder
    ${If} $0 != "ok"
        SetErrorLevel 2
        Abort
    ${EndIf}
    SetOutPath "$INSTDIR"
    File "${STAGE}\vexillor.exe"
    File "${STAGE}\vexillor-cli.exe"
    File "${STAGE}\README.txt"
    File "${STAGE}\LICENSE.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; Shortcuts start in the install folder (the output path), so the prompt finds vexillor-cli.
    CreateShortcut "$SMPROGRAMS\Vexillor.lnk" "$INSTDIR\vexillor.exe" "" "$INSTDIR\vexillor.exe" 0
    CreateShortcut "$SMPROGRAMS\Vexillor command prompt.lnk" "$SYSDIR\cmd.exe" \
        "/k echo Vexillor's command line: type vexillor-cli --help to see what it does." \
        "$INSTDIR\vexillor-cli.exe" 0
    CreateShortcut "$SMPROGRAMS\Vexillor guide.lnk" "$INSTDIR\README.txt"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vexillor"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vexillor developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vexillor.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Add the command line to PATH" SecPath
SectionEnd

; After both sections: PATH as the chosen components want it.
Section "-path"
    Call UpdatePath
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} \
        "Vexillor, vexillor-cli, the guide and their Start-menu entries."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} \
        "Type vexillor-cli in any Command Prompt: the install folder goes on the system PATH. \
        The uninstaller takes it off again."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The shortcuts and the key are the machine's, like the folder under Program Files.
Function .onInit
    SetShellVarContext all
    SetRegView 64
    Call RefuseSecondSetup
    Call CheckFolderSwitch
    ; The PATH component as the last install left it, unless /PATH= says otherwise.
    ${GetParameters} $0
    ${GetOptions} $0 "/PATH=" $addPath
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "PathEntry"
    ${If} $addPath == "yes"
        !insertmacro SelectSection ${SecPath}
    ${ElseIf} $addPath == ""
    ${AndIf} $1 != ""
        !insertmacro SelectSection ${SecPath}
    ${EndIf}
FunctionEnd

Function un.onInit
    SetShellVarContext all
    SetRegView 64
    Call un.RefuseSecondSetup
    ${IfNot} ${FileExists} "$INSTDIR\vexillor.exe"
        MessageBox MB_OKCANCEL|MB_ICONINFORMATION "Vexillor is no longer in $INSTDIR: its \
            files were removed by hand. The uninstaller removes what is left: the Start-menu \
            entries, the PATH entry and the entry in Add/Remove Programs." /SD IDOK IDOK +2
        Quit
    ${EndIf}
FunctionEnd

!macro REFUSE_SECOND_SETUP un
Function ${un}RefuseSecondSetup
    System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${SETUP_MUTEX}") p .r0 ?e'
    Pop $1
    ${If} $1 = 183  ; ERROR_ALREADY_EXISTS: the handle stays open until this process ends
        MessageBox MB_OK|MB_ICONEXCLAMATION "Vexillor's setup is already running. Finish or \
            close it first, then start this one again." /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd
!macroend
!insertmacro REFUSE_SECOND_SETUP ""
!insertmacro REFUSE_SECOND_SETUP "un."

; NSIS quietly falls back to the default folder when the folder of /D= will not do (a drive
; that does not exist, a file on the way, quotes) and hides /D= from $CMDLINE: the command line
; as Windows gave it shows what was asked for.
Function CheckFolderSwitch
    System::Call 'kernel32::GetCommandLineW() w .r0'
    StrLen $1 $0
    StrCpy $2 1
    ${Do}
        ${If} $2 >= $1
            Return  ; no /D=
        ${EndIf}
        StrCpy $3 $0 3 $2
        IntOp $4 $2 - 1
        StrCpy $4 $0 1 $4
        ${If} $3 S== "/D="
            ${If} $4 == " "
            ${OrIf} $4 == '"'  ; NSIS does not take a quoted "/D=..." either
                ${Break}
            ${EndIf}
        ${EndIf}
        IntOp $2 $2 + 1
    ${Loop}
    IntOp $2 $2 + 3
    StrCpy $3 $0 "" $2
    ${If} $3 == $INSTDIR
    ${OrIf} $3 == "$INSTDIR\"
        Return
    ${EndIf}
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot install into $3. /D= takes a folder on a drive \
        that exists, without quotes, last on the command line: /D=C:\Games\Vexillor" /SD IDOK
    SetErrorLevel 2
    Quit
FunctionEnd

; The folder must exist and take a file, or nothing is written anywhere: checked when the
; folder page is left, and again before the first file, for a silent install. $0 = "ok" or "".
Function CheckInstallFolder
    ClearErrors
    CreateDirectory "$INSTDIR"
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "Setup cannot create the folder $INSTDIR. Choose another \
            folder." /SD IDOK
        StrCpy $0 ""
        Return
    ${EndIf}
    FileOpen $0 "$INSTDIR\vexillor-setup.tmp" w
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "Setup cannot write into the folder $INSTDIR: it is \
            read-only, or you may not change it. Choose another folder." /SD IDOK
        StrCpy $0 ""
        Return
    ${EndIf}
    FileClose $0
    Delete "$INSTDIR\vexillor-setup.tmp"
    StrCpy $0 "ok"
FunctionEnd

Function FolderPageLeave
    Call CheckInstallFolder
    ${If} $0 != "ok"
        Abort  ; stays on the page
    ${EndIf}
FunctionEnd

; Only what the installer put there: banners live in the players' folders and stay.
Section "Uninstall"
    Delete "$INSTDIR\vexillor.exe"
    Delete "$INSTDIR\vexillor-cli.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ; The shortcuts, the PATH entry and the key belong to the latest install, which may be
    ; another folder's: those stay then.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
    ${OrIf} $0 == ""
        ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "PathEntry"
        ${If} $R0 != ""
            Call un.RemovePathEntry
        ${EndIf}
        Delete "$SMPROGRAMS\Vexillor.lnk"
        Delete "$SMPROGRAMS\Vexillor command prompt.lnk"
        Delete "$SMPROGRAMS\Vexillor guide.lnk"
        DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ${EndIf}
SectionEnd

!include "${__FILEDIR__}\path_entry.nsh"
