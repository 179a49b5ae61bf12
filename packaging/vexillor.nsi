; The Windows installer. make-dist passes VERSION, STAGE (the folder with the four files),
; ICON, SIZE_KB (their size, for Add/Remove Programs) and OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vexillor"

Name "Vexillor ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Vexillor"
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "Vexillor ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "Vexillor"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Vexillor ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "Vexillor developers"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 Vexillor developers, MIT License"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles
LicenseData "${STAGE}\LICENSE.txt"

; The shortcut and the key are the machine's, like the folder under Program Files.
Function .onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd
Function un.onInit
    SetShellVarContext all
    SetRegView 64
FunctionEnd

Section "Vexillor"
    SetOutPath "$INSTDIR"
    File "${STAGE}\vexillor.exe"
    File "${STAGE}\vexillor-cli.exe"
    File "${STAGE}\README.txt"
    File "${STAGE}\LICENSE.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Vexillor.lnk" "$INSTDIR\vexillor.exe" "" "$INSTDIR\vexillor.exe" 0

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

; Only what the installer put there: banners live in the players' folders and stay.
Section "Uninstall"
    Delete "$INSTDIR\vexillor.exe"
    Delete "$INSTDIR\vexillor-cli.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Vexillor.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
