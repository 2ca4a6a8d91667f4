; The Windows installer: the program folder under Program Files, a Start-menu entry and an
; uninstaller. makensis -DVERSION=<version> -DPROGRAM_FOLDER=<the laid-out folder> -DOUTPUT=<setup.exe>
; installer.nsi; the Makefile gives the version the top CMakeLists.txt holds.
; 64-bit, as the program: it also installs where Windows runs no 32-bit programs.
Target amd64-unicode
SetCompressor /SOLID lzma
!ifndef VERSION
  !error "VERSION is not defined: makensis -DVERSION=<version> (make windows gives it)"
!endif
Name "Pelimor ${VERSION}"
OutFile "${OUTPUT}"
InstallDir "$PROGRAMFILES64\Pelimor"
RequestExecutionLevel admin
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelimor"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Pelimor"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${PROGRAM_FOLDER}\*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Pelimor.lnk" "$INSTDIR\Pelimor.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Pelimor ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pelimor.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Pelimor.lnk"
  ; The program's own files only: settings, reports and moved files stay the user's.
  Delete "$INSTDIR\platforms\qwindows.dll"
  Delete "$INSTDIR\styles\qwindowsvistastyle.dll"
  Delete "$INSTDIR\translations\*.qm"
  RMDir "$INSTDIR\platforms"
  RMDir "$INSTDIR\styles"
  RMDir "$INSTDIR\translations"
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\Dupe.wav"
  Delete "$INSTDIR\Help.html"
  Delete "$INSTDIR\LICENSE"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
