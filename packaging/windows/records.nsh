; SPDX-License-Identifier: GPL-3.0-or-later
; Copyright (C) 2026 The Quorvella authors
; The record files in the Windows directory. The game rewrites them in place (opens, truncates,
; writes and flushes the file it finds), so a player who is not an administrator can keep a
; record once the local Users group (well-known SID S-1-5-32-545, named differently in every
; language) may read these files and write their data: R and WD, nothing more. Without Delete,
; Write attributes, Change permissions or Take ownership no player can remove a record file,
; rename it, make it read-only or hand it to someone else; only an administrator can create a
; file in the Windows directory again. Existing files, and the record they hold, are left as they
; are; the uninstaller leaves them too.
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
  ; /grant:r replaces what the group was given before (Modify, by earlier installers).
  nsExec::ExecToStack '"$SYSDIR\icacls.exe" "$WINDIR\${name}" /grant:r *S-1-5-32-545:(R,WD)'
  Pop $0
  Pop $1
  DetailPrint "icacls $WINDIR\${name}: $0 $1"
  ${If} $0 != 0
    MessageBox MB_ICONSTOP|MB_OK "Impossibile dare agli utenti l'accesso a $WINDIR\${name}: icacls ha risposto $0 $1" /SD IDOK
    Abort
  ${EndIf}
!macroend

!macro QuorvellaRecordFiles
  !insertmacro QuorvellaRecordFile "a.txt"
  !insertmacro QuorvellaRecordFile "n.txt"
  !insertmacro QuorvellaRecordFile ".quorvella.lock"
  !insertmacro QuorvellaRecordFile ".quorvella.journal"
!macroend
