; The install folder on the machine's PATH: put there by the component "Add the command line to
; PATH", taken off again by the uninstaller, and nothing else of PATH touched. An NSIS string
; holds NSIS_MAX_STRLEN - 1 characters: a PATH that does not fit whole (with the two separators
; FindPathEntry puts around it) is never written back, so it cannot come back cut short.
; The functions pass their values in $R0 (the entry), $R1 (PATH), $R2 and $R3.

!define PATH_ROOM_NEEDED 3  ; the terminating zero and the two separators

!macro PATH_ENTRY_FUNCTIONS un
; $R1 = the machine's PATH, unexpanded. Sets the error flag when it is too long to handle.
Function ${un}ReadMachinePath
    ClearErrors
    ReadRegStr $R1 HKLM "${ENVIRONMENT_KEY}" "Path"
    ${If} ${Errors}
        ; ReadRegStr fails alike for a missing value and for one too long for its buffer.
        StrCpy $R1 ""
        StrCpy $0 0
        ${Do}
            ClearErrors
            EnumRegValue $1 HKLM "${ENVIRONMENT_KEY}" $0
            ${If} ${Errors}
            ${OrIf} $1 == ""
                ClearErrors  ; no PATH at all: an empty one
                Return
            ${EndIf}
            ${If} $1 == "Path"
                SetErrors
                Return
            ${EndIf}
            IntOp $0 $0 + 1
        ${Loop}
    ${EndIf}
    StrLen $0 $R1
    IntOp $0 $0 + ${PATH_ROOM_NEEDED}
    ${If} $0 > ${NSIS_MAX_STRLEN}
        SetErrors
    ${EndIf}
FunctionEnd

; $R2 = ";$R1;", $R3 = where ";$R0;" starts in it, the last one, or -1. Letter case does not
; count, as in Windows paths; a longer path that begins with $R0 is another entry.
Function ${un}FindPathEntry
    StrCpy $R2 ";$R1;"
    StrCpy $1 ";$R0;"
    StrLen $2 $1
    StrLen $R3 $R2
    IntOp $R3 $R3 - $2
    ${DoWhile} $R3 >= 0
        StrCpy $3 $R2 $2 $R3
        ${If} $3 == $1
            Return
        ${EndIf}
        IntOp $R3 $R3 - 1
    ${Loop}
    StrCpy $R3 -1
FunctionEnd

Function ${un}WriteMachinePath
    WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $R1
    ; Explorer and the programs that listen read the environment again.
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd

; Takes the entry $R0 off PATH with one of the separators beside it, so that PATH reads as it
; did before the entry was added.
Function ${un}RemovePathEntry
    Call ${un}ReadMachinePath
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONEXCLAMATION "PATH is too long to change safely, so it is left \
            as it was. Take $R0 off it by hand: System properties, Environment Variables." \
            /SD IDOK
        Return
    ${EndIf}
    Call ${un}FindPathEntry
    ${If} $R3 < 0
        Return  ; taken off by hand already
    ${EndIf}
    StrCpy $1 ""
    ${If} $R3 > 0
        StrCpy $1 $R2 $R3
    ${EndIf}
    StrLen $2 ";$R0;"
    IntOp $2 $2 + $R3
    StrCpy $3 $R2 "" $2
    StrCpy $R1 "$1;$3"
    ; Without the separators that FindPathEntry put around PATH.
    StrLen $2 $R1
    IntOp $2 $2 - 2
    ${If} $2 > 0
        StrCpy $R1 $R1 $2 1
    ${Else}
        StrCpy $R1 ""
    ${EndIf}
    Call ${un}WriteMachinePath
FunctionEnd
!macroend
!insertmacro PATH_ENTRY_FUNCTIONS ""
!insertmacro PATH_ENTRY_FUNCTIONS "un."

; Appends the entry $R0 to PATH unless it is there already. $R4 = "added" when it was.
Function AddPathEntry
    StrCpy $R4 ""
    Call ReadMachinePath
    ${IfNot} ${Errors}
        Call FindPathEntry
        ${If} $R3 >= 0
            Return  ; the player's own entry: not ours to take off later
        ${EndIf}
        ${If} $R1 == ""
            StrCpy $R1 $R0
        ${Else}
            StrCpy $1 $R1 1 -1
            ${If} $1 == ";"
                StrCpy $R1 "$R1$R0;"  ; keeps the closing separator the player's PATH had
            ${Else}
                StrCpy $R1 "$R1;$R0"
            ${EndIf}
        ${EndIf}
        StrLen $0 $R1
        IntOp $0 $0 + ${PATH_ROOM_NEEDED}
        ${If} $0 <= ${NSIS_MAX_STRLEN}
            Call WriteMachinePath
            StrCpy $R4 "added"
            Return
        ${EndIf}
    ${EndIf}
    MessageBox MB_OK|MB_ICONEXCLAMATION "PATH is too long to take $R0 as well, so it is left as \
        it was. The command line works in the Vexillor command prompt of the Start menu." /SD IDOK
FunctionEnd

; PATH as the chosen components want it. The uninstall key's PathEntry names the entry that
; setup added, so that only that one is ever taken off.
Function UpdatePath
    ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "PathEntry"
    ${If} $R0 != ""
        ${If} ${SectionIsSelected} ${SecPath}
        ${AndIf} $R0 == $INSTDIR
            Return
        ${EndIf}
        Call RemovePathEntry
        DeleteRegValue HKLM "${UNINSTALL_KEY}" "PathEntry"
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecPath}
        StrCpy $R0 $INSTDIR
        Call AddPathEntry
        ${If} $R4 == "added"
            WriteRegStr HKLM "${UNINSTALL_KEY}" "PathEntry" $INSTDIR
        ${EndIf}
    ${EndIf}
FunctionEnd
