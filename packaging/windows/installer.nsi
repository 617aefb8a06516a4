; Dorrik's Windows installer, made by tools/windows/installer.sh with Debian's makensis. It puts
; the files the zip holds into one folder, for the current user (no administrator rights needed)
; or for everyone, and tells Windows about them: a Start menu entry, "Open with" for *.gb files,
; an entry in Apps & features, and, when asked, dorrik-tool on the PATH. The uninstaller takes
; back exactly that.
;
; installer.sh defines VERSION (x.y.z), OUTFILE, FILES and UNFILES (include files that install
; and delete the staged files by name) and, when the build drew it, ICON.
;
; Command line, besides NSIS's own /S (silent) and /D=folder:
;   /ALLUSERS, /CURRENTUSER   install for everyone (needs administrator rights) or for this user
;   /PATH=yes, /PATH=no       add dorrik-tool's folder to the PATH or not (default: no, or what
;                             the Dorrik being updated had)
; Exit code: 0 when everything asked was done; 3 when Dorrik was installed (or removed) but PATH
; had to be left as it was; 5 (Windows' "access denied") when installing or removing for
; everyone without administrator rights.
;
; Files the user changed are never lost: the uninstaller (and so an update, which runs the old
; one first) removes a shipped file only while it is exactly as installed (its CRC-32, which
; FILES_CRC gives for each), and an install writes a data file (the demo image, README.txt,
; the licences) only where none is left; the programs themselves are always replaced.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include StrFunc.nsh
${StrStr}

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Dorrik"
!define APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths"
!define UNINSTALLER "uninstall-dorrik.exe"
!define PUBLISHER "The Dorrik developers"
; Keys that hold the registry's own numbers: 64-bit handles are the 32-bit ones sign-extended.
!define HKCU_HANDLE -2147483647
!define HKLM_HANDLE -2147483646
; The exit code of an install that had to leave PATH as it was.
!define EXIT_PATH_LEFT 3
; Where a user installs by default; as InstallDir, its last part "Dorrik" is what Browse adds to
; a folder chosen there, so that an install never mixes its files into Documents or Desktop.
!define DEFAULT_DIR "$LOCALAPPDATA\Programs\Dorrik"

Name "Dorrik"
OutFile "${OUTFILE}"
InstallDir "${DEFAULT_DIR}"
; Administrators are asked once and may then choose; everyone else installs for themselves.
RequestExecutionLevel highest
BrandingText "Dorrik ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "Dorrik"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "Dorrik ${VERSION} setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "Copyright (c) ${PUBLISHER}, MIT licence"

!ifdef ICON
    !define MUI_ICON "${ICON}"
    !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING

Var AllUsers        ; 1: for everyone (Program Files, HKLM); 0: for this user (HKCU)
Var ModeChosen      ; 1 when /ALLUSERS or /CURRENTUSER settled it
Var MayInstallForAll
Var DirFromCommandLine
Var PathChoice      ; /PATH=: "yes", "no" or ""
Var ModePageMe
Var ModePageAll
; The PATH of the install mode, as ReadPath found it, and what ScanPath made of it.
Var PathKey
Var PathRoot
Var PathName
Var PathType        ; 1 REG_SZ, 2 REG_EXPAND_SZ, 0 no such value yet
Var PathValue
Var PathEntry       ; the folder looked for
Var PathRoom        ; characters the value must have room for besides its own
Var PathKept        ; every entry but PathEntry, in order
Var PathKeptCount
Var PathFound
Var KeptFiles       ; 1 once the uninstaller kept a file the user changed

Page custom ModePageShow ModePageLeave
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

; What the installer and the uninstaller both need: an "un." copy of each for the uninstaller.
!macro SharedFunctions UN

; Where this mode keeps its shortcuts, registry entries and PATH.
Function ${UN}SetMode
    ${If} $AllUsers = 1
        SetShellVarContext all
        StrCpy $PathKey "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
        StrCpy $PathRoot ${HKLM_HANDLE}
    ${Else}
        SetShellVarContext current
        StrCpy $PathKey "Environment"
        StrCpy $PathRoot ${HKCU_HANDLE}
    ${EndIf}
FunctionEnd

; Reads the mode's PATH value, keeping the name as the key spells it and its type, so that it is
; written back as it was. Sets the error flag when the value is not text, or when it and
; PathRoom more characters would not fit in NSIS_MAX_STRLEN: then PATH is left alone rather than
; cut short.
Function ${UN}ReadPath
    StrCpy $PathName "Path"
    StrCpy $PathType 0
    StrCpy $PathValue ""
    StrCpy $0 0
    ${Do}
        ClearErrors
        EnumRegValue $1 SHCTX $PathKey $0
        ${If} ${Errors}
        ${OrIf} $1 == ""
            ClearErrors
            Return
        ${EndIf}
        IntOp $0 $0 + 1
    ${LoopUntil} $1 == "Path"
    StrCpy $PathName $1
    System::Call 'advapi32::RegOpenKeyExW(p $PathRoot, w "$PathKey", i 0, i 0x20019, *p .r2) i .r0'
    ${If} $0 <> 0
        SetErrors
        Return
    ${EndIf}
    System::Call 'advapi32::RegQueryValueExW(p r2, w "$PathName", p 0, *i 0 r3, p 0, *i 0 r4) i .r0'
    System::Call 'advapi32::RegCloseKey(p r2)'
    ; Characters (with the terminator, rounded up) and the room must stay below NSIS_MAX_STRLEN.
    IntOp $4 $4 + 1
    IntOp $4 $4 / 2
    IntOp $4 $4 + $PathRoom
    ${If} $0 <> 0
    ${OrIf} $4 >= ${NSIS_MAX_STRLEN}
    ${OrIf} $3 < 1
    ${OrIf} $3 > 2
        SetErrors
        Return
    ${EndIf}
    StrCpy $PathType $3
    ClearErrors
    ReadRegStr $PathValue SHCTX $PathKey $PathName
FunctionEnd

; Splits PathValue at every ";": PathKept gets the entries that are not PathEntry, joined again
; by ";", and PathFound counts those that are. Whole entries only: C:\Dorrik never matches
; C:\Dorrik2.
Function ${UN}ScanPath
    StrCpy $PathKept ""
    StrCpy $PathKeptCount 0
    StrCpy $PathFound 0
    StrCpy $1 $PathValue
    ${Do}
        StrCpy $2 0
        ${Do}
            StrCpy $3 $1 1 $2
            ${If} $3 == ""
            ${OrIf} $3 == ";"
                ${Break}
            ${EndIf}
            IntOp $2 $2 + 1
        ${Loop}
        StrCpy $4 $1 $2
        ${If} $4 == $PathEntry
            IntOp $PathFound $PathFound + 1
        ${Else}
            ${If} $PathKeptCount > 0
                StrCpy $PathKept "$PathKept;"
            ${EndIf}
            StrCpy $PathKept "$PathKept$4"
            IntOp $PathKeptCount $PathKeptCount + 1
        ${EndIf}
        IntOp $2 $2 + 1
        StrCpy $1 $1 "" $2
    ${LoopUntil} $3 == ""
FunctionEnd

; Writes PathValue back with the type it had (a new value is REG_EXPAND_SZ, as Windows makes
; it), or deletes the value once nothing is left in it. Running programs such as Explorer hear
; of the change.
Function ${UN}WritePath
    ${If} $PathValue == ""
        DeleteRegValue SHCTX $PathKey $PathName
    ${ElseIf} $PathType = 1
        WriteRegStr SHCTX $PathKey $PathName $PathValue
    ${Else}
        WriteRegExpandStr SHCTX $PathKey $PathName $PathValue
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd

!macroend
!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

; Sets $R0 to the CRC-32 of the file $R1 as a signed decimal (as installer.sh writes it), or to
; "" when the file cannot be read. Read a megabyte at a time.
Function un.FileCrc
    StrCpy $R0 ""
    System::Call 'kernel32::CreateFileW(w R1, i 0x80000000, i 7, p 0, i 3, i 0, p 0) p .r2'
    ${If} $2 == -1
        Return
    ${EndIf}
    System::Alloc 1048576
    Pop $3
    StrCpy $6 0
    ${Do}
        System::Call 'kernel32::ReadFile(p r2, p r3, i 1048576, *i 0 r4, p 0) i .r5'
        ${If} $5 = 0
            StrCpy $6 ""
            ${Break}
        ${EndIf}
        ${If} $4 = 0
            ${Break}
        ${EndIf}
        System::Call 'ntdll::RtlComputeCrc32(i r6, p r3, i r4) i .r6'
    ${Loop}
    System::Free $3
    System::Call 'kernel32::CloseHandle(p r2)'
    StrCpy $R0 $6
FunctionEnd

; Deletes the shipped file $R1 if its CRC-32 is still $R2, the one it was installed with; a file
; the user changed (an edited demo image, notes in README.txt) stays, and so does its folder.
Function un.RemoveIfAsInstalled
    ${IfNot} ${FileExists} $R1
        Return
    ${EndIf}
    Call un.FileCrc
    ${If} $R0 == $R2
        Delete $R1
    ${Else}
        DetailPrint "Kept $R1: it changed after it was installed"
        StrCpy $KeptFiles 1
    ${EndIf}
FunctionEnd

!macro RemoveIfAsInstalled FILE CRC
    StrCpy $R1 "${FILE}"
    StrCpy $R2 "${CRC}"
    Call un.RemoveIfAsInstalled
!macroend

; An update first runs the uninstaller of the Dorrik it replaces, silently and in place, so that
; files this version no longer ships go too and Apps & features keeps one entry.
Function RemovePrevious
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" InstallLocation
    ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" QuietUninstallString
    ${If} $0 == ""
    ${OrIf} $1 == ""
        Return
    ${EndIf}
    DetailPrint "Removing the Dorrik in $0 first"
    ClearErrors
    ExecWait '$1 _?=$0' $2
    ${If} ${Errors}
    ${OrIf} $2 <> 0
        DetailPrint "The Dorrik in $0 could not be removed; installing over it"
    ${EndIf}
    ; Run in place, an uninstaller cannot delete itself.
    Delete "$0\${UNINSTALLER}"
    RMDir $0
FunctionEnd

Section "Dorrik" SecDorrik
    SectionIn RO
    Call RemovePrevious
    !include "${FILES}"
    SetOutPath $INSTDIR
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    CreateShortcut "$SMPROGRAMS\Dorrik.lnk" "$INSTDIR\dorrik.exe" "" "$INSTDIR\dorrik.exe" 0

    ${If} $AllUsers = 1
        StrCpy $0 "/ALLUSERS"
    ${Else}
        StrCpy $0 "/CURRENTUSER"
    ${EndIf}
    WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayName "Dorrik"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\dorrik.exe,0"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" InstallLocation $INSTDIR
    WriteRegStr SHCTX "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\${UNINSTALLER}" $0'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\${UNINSTALLER}" /S $0'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoModify 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoRepair 1
    SectionGetSize ${SecDorrik} $1
    FileOpen $2 "$INSTDIR\${UNINSTALLER}" r
    FileSeek $2 0 END $3
    FileClose $2
    IntOp $3 $3 / 1024
    IntOp $1 $1 + $3
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" EstimatedSize $1

    ; Offered under "Open with" for *.gb files, never made their default program: an emulator
    ; the user already opens them with stays in charge.
    WriteRegStr SHCTX "Software\Classes\Applications\dorrik.exe" FriendlyAppName "Dorrik"
    WriteRegStr SHCTX "Software\Classes\Applications\dorrik.exe\DefaultIcon" "" "$INSTDIR\dorrik.exe,0"
    WriteRegStr SHCTX "Software\Classes\Applications\dorrik.exe\shell\open\command" "" '"$INSTDIR\dorrik.exe" "%1"'
    WriteRegStr SHCTX "Software\Classes\Applications\dorrik.exe\SupportedTypes" ".gb" ""
    WriteRegStr SHCTX "Software\Classes\Dorrik.gb" "" "Game Boy ROM image"
    WriteRegStr SHCTX "Software\Classes\Dorrik.gb\DefaultIcon" "" "$INSTDIR\dorrik.exe,0"
    WriteRegStr SHCTX "Software\Classes\Dorrik.gb\shell\open\command" "" '"$INSTDIR\dorrik.exe" "%1"'
    WriteRegNone SHCTX "Software\Classes\.gb\OpenWithProgids" "Dorrik.gb"
    WriteRegStr SHCTX "${APP_PATHS_KEY}\dorrik.exe" "" "$INSTDIR\dorrik.exe"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)' ; SHCNE_ASSOCCHANGED
SectionEnd

Section /o "Add dorrik-tool to PATH" SecPath
    ${StrStr} $0 $INSTDIR ";"
    ${If} $0 != ""
        MessageBox MB_ICONEXCLAMATION|MB_OK "The folder $INSTDIR has a $\";$\" in its name, which \
            PATH cannot hold: PATH is left as it is." /SD IDOK
        SetErrorLevel ${EXIT_PATH_LEFT}
        Return
    ${EndIf}
    StrCpy $PathEntry $INSTDIR
    StrLen $PathRoom $INSTDIR
    IntOp $PathRoom $PathRoom + 1
    Call ReadPath
    ${If} ${Errors}
        MessageBox MB_ICONEXCLAMATION|MB_OK "Your PATH is too long for this installer to change \
            safely, so it is left as it is. To run dorrik-tool by name, add $INSTDIR to it \
            yourself." /SD IDOK
        SetErrorLevel ${EXIT_PATH_LEFT}
        Return
    ${EndIf}
    Call ScanPath
    ; Already there (put there by the user, or by another program): it is not this install's
    ; to take away again.
    ${If} $PathFound > 0
        Return
    ${EndIf}
    ; Never an empty entry: after a PATH that ends in ";" the entry takes that ";" along, so
    ; that taking out the entry and the ";" after it, or before it at the end, undoes this.
    StrCpy $0 $PathValue 1 -1
    ${If} $PathValue == ""
        StrCpy $PathValue $INSTDIR
    ${ElseIf} $0 == ";"
        StrCpy $PathValue "$PathValue$INSTDIR;"
    ${Else}
        StrCpy $PathValue "$PathValue;$INSTDIR"
    ${EndIf}
    Call WritePath
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" PathAdded 1
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecDorrik} "The editor, dorrik-tool, the demo image, the \
        README and the licences; a Start menu entry, and Dorrik under $\"Open with$\" for .gb files."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "Run dorrik-tool by name in a command prompt: \
        adds the installation folder to your PATH (to everyone's when installing for everyone)."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    ; $INSTDIR holds InstallDir's value unless /D= named a folder.
    ${If} $INSTDIR == "${DEFAULT_DIR}"
        StrCpy $DirFromCommandLine ""
    ${Else}
        StrCpy $DirFromCommandLine $INSTDIR
    ${EndIf}
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 == "Admin"
        StrCpy $MayInstallForAll 1
    ${Else}
        StrCpy $MayInstallForAll 0
    ${EndIf}
    ; An update goes where the Dorrik it updates is: for everyone if that is the only one.
    StrCpy $AllUsers 0
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" InstallLocation
    ReadRegStr $1 HKCU "${UNINSTALL_KEY}" InstallLocation
    ${If} $0 != ""
    ${AndIf} $1 == ""
    ${AndIf} $MayInstallForAll = 1
        StrCpy $AllUsers 1
    ${EndIf}
    StrCpy $ModeChosen 0
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/ALLUSERS" $1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 1
        StrCpy $ModeChosen 1
    ${EndIf}
    ClearErrors
    ${GetOptions} $0 "/CURRENTUSER" $1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 0
        StrCpy $ModeChosen 1
    ${EndIf}
    ${GetOptions} $0 "/PATH=" $PathChoice
    ${If} $AllUsers = 1
    ${AndIf} $MayInstallForAll = 0
        MessageBox MB_ICONSTOP|MB_OK "Installing Dorrik for everyone needs administrator rights: \
            start the installer as an administrator, or install it for yourself." /SD IDOK
        SetErrorLevel 5
        Quit
    ${EndIf}
    Call ModeChanged
FunctionEnd

; The folder and the PATH choice follow the mode: those of the Dorrik already installed in that
; mode if there is one, so that an update replaces it in place.
Function ModeChanged
    Call SetMode
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" InstallLocation
    ${If} $DirFromCommandLine != ""
        StrCpy $INSTDIR $DirFromCommandLine
    ${ElseIf} $0 != ""
        StrCpy $INSTDIR $0
    ${ElseIf} $AllUsers = 1
        StrCpy $INSTDIR "$PROGRAMFILES64\Dorrik"
    ${Else}
        GetKnownFolderPath $1 {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB} ; FOLDERID_UserProgramFiles
        ${If} $1 == ""
            StrCpy $1 "$LOCALAPPDATA\Programs"
        ${EndIf}
        StrCpy $INSTDIR "$1\Dorrik"
    ${EndIf}
    StrCpy $PathFound 0
    ${If} $PathChoice == ""
    ${AndIf} $0 != ""
        StrCpy $PathEntry $0
        StrCpy $PathRoom 0
        Call ReadPath
        Call ScanPath
    ${EndIf}
    ${If} $PathChoice == "yes"
    ${OrIf} $PathFound > 0
        SectionSetFlags ${SecPath} ${SF_SELECTED}
    ${Else}
        SectionSetFlags ${SecPath} 0
    ${EndIf}
FunctionEnd

Function ModePageShow
    ${If} $MayInstallForAll = 0
    ${OrIf} $ModeChosen = 1
        Abort
    ${EndIf}
    !insertmacro MUI_HEADER_TEXT "Choose Users" "Install Dorrik for yourself or for everyone."
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateRadioButton} 0 10u 100% 12u "Just for me (in my own folders; no administrator rights needed)"
    Pop $ModePageMe
    ${NSD_CreateRadioButton} 0 30u 100% 12u "For everyone who uses this computer (in Program Files)"
    Pop $ModePageAll
    ${If} $AllUsers = 1
        ${NSD_Check} $ModePageAll
    ${Else}
        ${NSD_Check} $ModePageMe
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function ModePageLeave
    ${NSD_GetState} $ModePageAll $0
    ${If} $0 = ${BST_CHECKED}
        StrCpy $AllUsers 1
    ${Else}
        StrCpy $AllUsers 0
    ${EndIf}
    Call ModeChanged
FunctionEnd

Function un.onInit
    ; The uninstall entry names the mode; run by hand, the uninstaller asks the registry.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/ALLUSERS" $1
    ${If} ${Errors}
        ClearErrors
        ${GetOptions} $0 "/CURRENTUSER" $1
        ${If} ${Errors}
            ReadRegStr $1 HKLM "${UNINSTALL_KEY}" InstallLocation
            ${If} $1 == $INSTDIR
                StrCpy $AllUsers 1
            ${Else}
                StrCpy $AllUsers 0
            ${EndIf}
        ${Else}
            StrCpy $AllUsers 0
        ${EndIf}
    ${Else}
        StrCpy $AllUsers 1
    ${EndIf}
    UserInfo::GetAccountType
    Pop $0
    ${If} $AllUsers = 1
    ${AndIf} $0 != "Admin"
        MessageBox MB_ICONSTOP|MB_OK "Dorrik was installed for everyone: removing it needs \
            administrator rights." /SD IDOK
        SetErrorLevel 5
        Quit
    ${EndIf}
    Call un.SetMode
FunctionEnd

; Files go by name, and only as installed; folders only once empty: whatever the user keeps or
; changed in the folder stays. PATH loses the folder only if this install put it there.
Section Uninstall
    ReadRegDWORD $0 SHCTX "${UNINSTALL_KEY}" PathAdded
    ${If} $0 = 1
        StrCpy $PathEntry $INSTDIR
        StrCpy $PathRoom 0
        Call un.ReadPath
        ${If} ${Errors}
            MessageBox MB_ICONEXCLAMATION|MB_OK "Your PATH is too long for this uninstaller to \
                change safely, so it is left as it is: take $INSTDIR out of it yourself." /SD IDOK
            SetErrorLevel ${EXIT_PATH_LEFT}
        ${Else}
            Call un.ScanPath
            ${If} $PathFound > 0
                StrCpy $PathValue $PathKept
                Call un.WritePath
            ${EndIf}
        ${EndIf}
    ${EndIf}

    Delete "$SMPROGRAMS\Dorrik.lnk"
    StrCpy $KeptFiles 0
    !include "${UNFILES}"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir $INSTDIR
    ${If} $KeptFiles = 1
        DetailPrint "Files you changed are still in $INSTDIR"
    ${EndIf}

    DeleteRegKey SHCTX "Software\Classes\Applications\dorrik.exe"
    DeleteRegKey SHCTX "Software\Classes\Dorrik.gb"
    DeleteRegValue SHCTX "Software\Classes\.gb\OpenWithProgids" "Dorrik.gb"
    DeleteRegKey SHCTX "${APP_PATHS_KEY}\dorrik.exe"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ; The .gb keys go too once nothing else is in them. Windows' own keys above the others
    ; stay, even empty: they may have been there before, and other programs write there too.
    DeleteRegKey /ifempty SHCTX "Software\Classes\.gb\OpenWithProgids"
    DeleteRegKey /ifempty SHCTX "Software\Classes\.gb"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)' ; SHCNE_ASSOCCHANGED
SectionEnd
