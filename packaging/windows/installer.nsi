; The Windows installer: per machine, into the 64-bit Program Files unless the
; folder page or /D=FOLDER says otherwise; Start-menu entries for the program and
; for the demo data; an uninstaller listed under installed programs. /S installs
; silently. An installed version, older or the same, is removed first by its own
; uninstaller, so that nothing it shipped and this one no longer ships stays
; behind; the users' settings and databases are not in the program's folder and
; stay. While a program of the installation runs, the installer names it and
; waits for Retry; silently it ends with exit status 2 and changes nothing.
;
; makensis -DVERSION=1.0 -DOUTFILE=<setup.exe> -DFILES=<File lines> -DUNFILES=<Delete lines>
;          (scripts/windows-installer.sh writes both lists)

; A 64-bit installer: it runs where the programs run, wine64 included.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!define PRODUCT "TOLVAN Dravonik-Export"
!define COMPANY "TOLVAN"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TOLVAN-Dravonik-Export"
!define PROGRAM "tolvan-dravonik-export.exe"
!define START_MENU "$SMPROGRAMS\TOLVAN"
!define DEMO_LINK "Demodaten anlegen.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\TOLVAN\Dravonik-Export"
; An update goes where the installed version is (/D= still wins).
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails hide
ShowUninstDetails hide

!include "MUI2.nsh"

!define MUI_ICON "${__FILEDIR__}/tolvan.ico"
!define MUI_UNICON "${__FILEDIR__}/tolvan.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}/welcome.bmp"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${__FILEDIR__}/welcome.bmp"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Dieser Assistent installiert $(^NameDA) ${VERSION} für alle Benutzer \
    dieses Computers.$\r$\n$\r$\nEine installierte Version wird dabei ersetzt; die Einstellungen \
    und Datenbanken der Benutzer bleiben erhalten. Bitte beenden Sie $(^NameDA) vorher.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FolderChosen
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; No "start the program" here: it would run with the installer's administrator rights.
!define MUI_FINISHPAGE_TEXT "$(^NameDA) ist installiert. Sie finden es im Startmenü unter \
    „TOLVAN“; dort legt „Demodaten anlegen“ für den angemeldeten Benutzer eine \
    Demodatenbank an.$\r$\n$\r$\nKlicken Sie auf Fertigstellen, um den Assistenten zu schließen."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "German"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_GERMAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_GERMAN} "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=${LANG_GERMAN} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_GERMAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_GERMAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_GERMAN} "LegalCopyright" "© ${COMPANY}"

; Sets $2 to MESSAGE when FILE in the folder $0 is a running program's; uses $1.
!macro Running FILE MESSAGE
    ${If} $2 == ""
    ${AndIf} ${FileExists} "$0\${FILE}"
        ClearErrors
        FileOpen $1 "$0\${FILE}" a
        ${If} ${Errors}
            StrCpy $2 "${MESSAGE}"
        ${Else}
            FileClose $1
        ${EndIf}
    ${EndIf}
!macroend

; Whether a program of the installation in FOLDER (on the stack) runs: Windows
; opens no running program's file for writing. Asks for Retry while one does;
; sets the error flag when the answer is Cancel (silently, at once).
!macro ProgramsClosedFunction UN
Function ${UN}ProgramsClosed
    Exch $0
    Push $1
    Push $2
    again:
    StrCpy $2 ""
    !insertmacro Running "${PROGRAM}" "${PRODUCT} läuft noch."
    !insertmacro Running "tolvan-dravonik-export.com" \
        "${PRODUCT} läuft noch, als Export in einer Konsole oder einer geplanten Aufgabe."
    !insertmacro Running "tolvan-db.exe" \
        "tolvan-db, die Verwaltung der TOLVAN-Datenbank, läuft noch (etwa beim Anlegen der Demodaten)."
    ${If} $2 != ""
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "$2$\r$\n$\r$\nBitte beenden Sie das Programm und klicken Sie auf Wiederholen." \
            /SD IDCANCEL IDRETRY again
    ${EndIf}
    ; $2: what runs, after Cancel
    StrCpy $1 $2
    Pop $2
    ${If} $1 == ""
        Pop $1
        Pop $0
        ClearErrors
    ${Else}
        Pop $1
        Pop $0
        SetErrors
    ${EndIf}
FunctionEnd
!macroend
!insertmacro ProgramsClosedFunction ""
!insertmacro ProgramsClosedFunction "un."

; A 64-bit setup does not start on a 32-bit Windows at all: nothing to check.
Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

; Asked on the folder page already, before the progress page shows; Cancel
; stays there.
Function FolderChosen
    Push $INSTDIR
    Call ProgramsClosed
    ${If} ${Errors}
        Abort
    ${EndIf}
FunctionEnd

; Ends the installation, silently with exit status 2, before it has changed anything.
!macro Cancelled
    SetErrorLevel 2
    Abort
!macroend

Section "Programm" ProgramSection
    ; The installed version, wherever it is, then this folder.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
        Push $0
        Call ProgramsClosed
        ${If} ${Errors}
            !insertmacro Cancelled
        ${EndIf}
    ${EndIf}
    Push $INSTDIR
    Call ProgramsClosed
    ${If} ${Errors}
        !insertmacro Cancelled
    ${EndIf}

    ; Its own uninstaller knows what it shipped. Run in place (_?=), it is waited
    ; for and leaves itself behind.
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\uninstall.exe"
        DetailPrint "Die installierte Version wird entfernt: $0"
        ClearErrors
        ExecWait '"$0\uninstall.exe" /S _?=$0' $1
        ${If} ${Errors}
        ${OrIf} $1 != 0
            MessageBox MB_ICONSTOP "Die installierte Version in $0 ließ sich nicht entfernen." /SD IDOK
            !insertmacro Cancelled
        ${EndIf}
        ; (the ended uninstaller's file may stay locked a moment: tried for up to 5 s)
        StrCpy $1 0
        ${Do}
            ClearErrors
            Delete "$0\uninstall.exe"
            ${IfNotThen} ${Errors} ${|} ${ExitDo} ${|}
            Sleep 200
            IntOp $1 $1 + 1
        ${LoopWhile} $1 < 25
        RMDir "$0"
        RMDir "$PROGRAMFILES64\TOLVAN"
    ${EndIf}

    SetOutPath "$INSTDIR"
    !include "${FILES}"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "${START_MENU}"
    CreateShortcut "${START_MENU}\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}"
    ; The demo database in the user's own folder (%LOCALAPPDATA%\TOLVAN\tolvan.db);
    ; tolvan-db leaves one with data as it is and says so. Its console window stays
    ; open until a key is pressed, for the login it names. (The command starts
    ; with no quote: cmd would take the first and the last one away.)
    CreateShortcut "${START_MENU}\${DEMO_LINK}" "$SYSDIR\cmd.exe" \
        '/c title Demodaten anlegen & "$INSTDIR\tolvan-db.exe" demo & echo. & pause' \
        "$INSTDIR\tolvan-db.exe" 0 SW_SHOWNORMAL "" \
        "Legt die Demodatenbank des angemeldeten Benutzers an"

    ; the files' size in KB (the uninstaller adds little)
    SectionGetSize ${ProgramSection} $1
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

; Removes what the installer put there; the users' settings and databases stay.
Section "Uninstall"
    Push $INSTDIR
    Call un.ProgramsClosed
    ${If} ${Errors}
        !insertmacro Cancelled
    ${EndIf}
    Delete "${START_MENU}\${PRODUCT}.lnk"
    Delete "${START_MENU}\${DEMO_LINK}"
    RMDir "${START_MENU}"
    !include "${UNFILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    RMDir "$PROGRAMFILES64\TOLVAN"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
