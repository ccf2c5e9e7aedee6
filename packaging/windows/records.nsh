; SPDX-License-Identifier: GPL-3.0-or-later
; Copyright (C) 2026 The Quorvella authors
; The record files in the Windows directory. The game rewrites them in place, so a player who is
; not an administrator can keep a record once the local Users group (well-known SID S-1-5-32-545,
; named differently in every language) may modify exactly these files. Existing files, and the
; record they hold, are left as they are; the uninstaller leaves them too.
!include LogicLib.nsh

!macro QuorvellaRecordFile name
  ClearErrors
  ; Opening for appending creates a missing file and changes nothing in an existing one.
  FileOpen $0 "$WINDIR\${name}" a
  ${If} ${Errors}
    MessageBox MB_ICONSTOP|MB_OK "Impossibile creare $WINDIR\${name}" /SD IDOK
    Abort
  ${EndIf}
  FileClose $0
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$WINDIR\${name}" /grant *S-1-5-32-545:(M)'
  Pop $0
  DetailPrint "icacls $WINDIR\${name}: $0"
!macroend

!macro QuorvellaRecordFiles
  !insertmacro QuorvellaRecordFile "a.txt"
  !insertmacro QuorvellaRecordFile "n.txt"
  !insertmacro QuorvellaRecordFile ".quorvella.lock"
  !insertmacro QuorvellaRecordFile ".quorvella.journal"
!macroend
