; Quenvaro's installer for a front desk's Windows PC: per user, with no
; administrator, in Spanish. CMakeLists.txt runs makensis on it with
;   -INPUTCHARSET UTF8 -DVERSION=X.Y.Z -DPROGRAMAS=<build folder>
;   -DFUENTES=<source folder> -DSALIDA=<installer to write>
;
; Silent installs: /S takes the defaults (or, installing again, the earlier
; choices); /DATOS=<folder> sets the data folder; /INICIO and /RED turn the
; two choices on; /D=<folder>, last, sets the programs' folder.

Unicode true
; The 64-bit stub, as the programs are.
Target amd64-unicode
; A user's own folders only: Windows asks for no administrator (asInvoker).
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh

!define CLAVE "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quenvaro"
!define MENU "$SMPROGRAMS\Quenvaro"
!define DESINSTALADOR "desinstalar.exe"

Name "Quenvaro"
OutFile "${SALIDA}"
; Where a user's own programs go; installing again goes where the last
; install went.
InstallDir "$LOCALAPPDATA\Programs\Quenvaro"
InstallDirRegKey HKCU "${CLAVE}" "InstallLocation"
BrandingText "Quenvaro ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

; Where the console's files live, chosen on a page of its own.
Var Datos

!define MUI_ICON "${FUENTES}/windows/quenvaro.ico"
!define MUI_UNICON "${FUENTES}/windows/quenvaro.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_WELCOMEPAGE_TEXT "Este asistente instala Quenvaro ${VERSION}: la consola de turnos, la pantalla de la sala de espera y el informe de atención.$\r$\n$\r$\nSe instala solo para esta cuenta de Windows y no pide permisos de administrador.$\r$\n$\r$\nSi Quenvaro ya está instalado, se actualiza: los datos y las opciones elegidas se conservan."
!insertmacro MUI_PAGE_WELCOME

!define MUI_PAGE_HEADER_TEXT "Opciones"
!define MUI_PAGE_HEADER_SUBTEXT "Elija cómo se usará la pantalla de la sala."
!define MUI_COMPONENTSPAGE_TEXT_TOP "Las dos opciones se pueden cambiar más tarde instalando otra vez."
!insertmacro MUI_PAGE_COMPONENTS

!define MUI_PAGE_HEADER_TEXT "Carpeta de datos"
!define MUI_PAGE_HEADER_SUBTEXT "Dónde guarda la consola la bitácora y la cola de espera."
!define MUI_DIRECTORYPAGE_TEXT_TOP "La consola guarda sus archivos (bitacora.txt, cola_respaldo.txt) en esta carpeta, y la pantalla y el informe los leen de ella. La carpeta propuesta, en Documentos públicos, la pueden usar todas las cuentas de este equipo y OneDrive no la sincroniza.$\r$\n$\r$\nNo elija una carpeta sincronizada (OneDrive, Dropbox, Google Drive): los nombres de las personas atendidas saldrían de la oficina."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Carpeta de datos"
!define MUI_DIRECTORYPAGE_VARIABLE $Datos
!insertmacro MUI_PAGE_DIRECTORY

!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_TEXT "Quenvaro está instalado. Encontrará sus accesos directos en el menú Inicio, en la carpeta Quenvaro, y la consola también en el escritorio."
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\guia.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Leer la guía de uso"
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "Se quitarán los programas de Quenvaro y sus accesos directos. La carpeta de datos, $Datos, se conserva con todo lo que contiene."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Spanish"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SPANISH} "ProductName" "Quenvaro"
VIAddVersionKey /LANG=${LANG_SPANISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SPANISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SPANISH} "FileDescription" "Instalador y desinstalador de Quenvaro"
VIAddVersionKey /LANG=${LANG_SPANISH} "CompanyName" "Quenvaro"
VIAddVersionKey /LANG=${LANG_SPANISH} "LegalCopyright" "Quenvaro"

; A running program's file cannot be replaced nor removed. Every program is
; checked before the first file is touched, so that an install or an
; uninstall never stops halfway, with some programs of one version and some
; of another.
!macro ABIERTO archivo nombre
  ${If} ${FileExists} "$INSTDIR\${archivo}"
    ClearErrors
    FileOpen $1 "$INSTDIR\${archivo}" a
    ${If} ${Errors}
      StrCpy $0 "${nombre}"
      Goto abierto
    ${EndIf}
    FileClose $1
  ${EndIf}
!macroend
!macro COMPROBAR_CERRADOS prefijo
Function ${prefijo}ComprobarCerrados
  revisar:
  !insertmacro ABIERTO "quenvaro.exe" "la consola de turnos"
  !insertmacro ABIERTO "quenvaro-pantalla.exe" "la pantalla de la sala"
  !insertmacro ABIERTO "quenvaro-informe.exe" "el informe"
  Return
  abierto:
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Quenvaro está abierto: $0.$\r$\n$\r$\nCiérrelo (la consola, con la opción 4. Salir; la pantalla, cerrando su ventana) y pulse Reintentar." /SD IDCANCEL IDRETRY revisar
  Abort "Quenvaro sigue abierto; no se ha cambiado nada."
FunctionEnd
!macroend
!insertmacro COMPROBAR_CERRADOS ""
!insertmacro COMPROBAR_CERRADOS "un."


Section "Quenvaro (programas y guía)" SecProgramas
  SectionIn RO
  Call ComprobarCerrados
  ; Made here, and never written into afterwards: its files are the
  ; console's alone. A folder that cannot be made (a drive that is not
  ; there) stops the install before anything is copied.
  CreateDirectory "$Datos"
  ${IfNot} ${FileExists} "$Datos\*.*"
    MessageBox MB_OK|MB_ICONSTOP "No se puede crear la carpeta de datos:$\r$\n$Datos" /SD IDOK
    Abort "No se puede crear la carpeta de datos; no se ha cambiado nada."
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "${PROGRAMAS}/quenvaro.exe"
  File "${PROGRAMAS}/quenvaro-informe.exe"
  File "${PROGRAMAS}/quenvaro-pantalla.exe"
  File "${FUENTES}/docs/guia.html"
  WriteUninstaller "$INSTDIR\${DESINSTALADOR}"
SectionEnd

Section /o "Abrir la pantalla de la sala al iniciar Windows" SecInicio
SectionEnd

Section /o "Mostrar la pantalla a otros equipos de la red" SecRed
SectionEnd

Function .onInit
  ; The public documents folder: every account of the PC may write there,
  ; and OneDrive does not sync it.
  SetShellVarContext all
  StrCpy $Datos "$DOCUMENTS\Quenvaro"
  SetShellVarContext current
  ; Installing again keeps the data folder and the choices.
  ReadRegStr $0 HKCU "${CLAVE}" "CarpetaDatos"
  ${If} $0 != ""
    StrCpy $Datos $0
  ${EndIf}
  ReadRegDWORD $0 HKCU "${CLAVE}" "InicioWindows"
  ${If} $0 == 1
    !insertmacro SelectSection ${SecInicio}
  ${EndIf}
  ReadRegDWORD $0 HKCU "${CLAVE}" "RedLocal"
  ${If} $0 == 1
    !insertmacro SelectSection ${SecRed}
  ${EndIf}
  ${GetParameters} $R0
  ; A data folder with spaces comes as /DATOS="D:\Mis datos" from cmd, but
  ; as "/DATOS=D:\Mis datos" from PowerShell and other launchers, which
  ; GetOptions would not see.
  ${WordReplace} $R0 '"/DATOS=' '/DATOS="' "+" $R0
  ClearErrors
  ${GetOptions} $R0 "/DATOS=" $R1
  ${IfNot} ${Errors}
  ${AndIf} $R1 != ""
    StrCpy $Datos $R1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/INICIO" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecInicio}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/RED" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecRed}
  ${EndIf}
FunctionEnd

; The shortcuts, once the choices are known. A shortcut starts its program
; in the folder SetOutPath last named: all of them in the data folder.
Section "-Accesos"
  StrCpy $1 "--abrir"
  ${If} ${SectionIsSelected} ${SecRed}
    StrCpy $1 "--escuchar 0.0.0.0 --abrir"
  ${EndIf}
  SetOutPath "$Datos"
  CreateDirectory "${MENU}"
  CreateShortCut "${MENU}\Consola de turnos.lnk" "$INSTDIR\quenvaro.exe" "" \
    "$INSTDIR\quenvaro.exe" 0 SW_SHOWNORMAL "" "Registrar y llamar los turnos"
  CreateShortCut "$DESKTOP\Consola de turnos.lnk" "$INSTDIR\quenvaro.exe" "" \
    "$INSTDIR\quenvaro.exe" 0 SW_SHOWNORMAL "" "Registrar y llamar los turnos"
  CreateShortCut "${MENU}\Pantalla de la sala.lnk" "$INSTDIR\quenvaro-pantalla.exe" \
    "$1" "$INSTDIR\quenvaro-pantalla.exe" 0 SW_SHOWNORMAL "" \
    "Mostrar los turnos en la pantalla de la sala de espera"
  CreateShortCut "${MENU}\Informe de atención.lnk" "$INSTDIR\quenvaro-informe.exe" \
    "--html --salida informe.html --abrir" "$INSTDIR\quenvaro-informe.exe" 0 \
    SW_SHOWNORMAL "" "Ver el informe de atención día por día"
  CreateShortCut "${MENU}\Informe para Excel.lnk" "$INSTDIR\quenvaro-informe.exe" \
    "--excel --salida informe.csv --abrir" "$INSTDIR\quenvaro-informe.exe" 0 \
    SW_SHOWNORMAL "" "Abrir las cifras de cada día en una hoja de cálculo"
  CreateShortCut "${MENU}\Guía de uso.lnk" "$INSTDIR\guia.html" "" "" 0 \
    SW_SHOWNORMAL "" "La guía de Quenvaro para la oficina"
  CreateShortCut "${MENU}\Desinstalar Quenvaro.lnk" "$INSTDIR\${DESINSTALADOR}" "" \
    "$INSTDIR\${DESINSTALADOR}" 0 SW_SHOWNORMAL "" "Quitar los programas; los datos se conservan"
  ${If} ${SectionIsSelected} ${SecInicio}
    CreateShortCut "$SMSTARTUP\Pantalla de la sala.lnk" "$INSTDIR\quenvaro-pantalla.exe" \
      "$1" "$INSTDIR\quenvaro-pantalla.exe" 0 SW_SHOWNORMAL "" \
      "Mostrar los turnos en la pantalla de la sala de espera"
    WriteRegDWORD HKCU "${CLAVE}" "InicioWindows" 1
  ${Else}
    Delete "$SMSTARTUP\Pantalla de la sala.lnk"
    WriteRegDWORD HKCU "${CLAVE}" "InicioWindows" 0
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecRed}
    WriteRegDWORD HKCU "${CLAVE}" "RedLocal" 1
  ${Else}
    WriteRegDWORD HKCU "${CLAVE}" "RedLocal" 0
  ${EndIf}
  ; Settings > Apps lists it, and removes it, from here.
  WriteRegStr HKCU "${CLAVE}" "CarpetaDatos" "$Datos"
  WriteRegStr HKCU "${CLAVE}" "DisplayName" "Quenvaro"
  WriteRegStr HKCU "${CLAVE}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${CLAVE}" "Publisher" "Quenvaro"
  WriteRegStr HKCU "${CLAVE}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${CLAVE}" "DisplayIcon" "$INSTDIR\quenvaro.exe,0"
  WriteRegStr HKCU "${CLAVE}" "UninstallString" '"$INSTDIR\${DESINSTALADOR}"'
  WriteRegStr HKCU "${CLAVE}" "QuietUninstallString" '"$INSTDIR\${DESINSTALADOR}" /S'
  WriteRegDWORD HKCU "${CLAVE}" "NoModify" 1
  WriteRegDWORD HKCU "${CLAVE}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $2 $3
  WriteRegDWORD HKCU "${CLAVE}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  ReadRegStr $Datos HKCU "${CLAVE}" "CarpetaDatos"
FunctionEnd

; The programs, the shortcuts and the key; never the data folder nor
; anything in it, wherever it is (even inside the programs' folder, which is
; then left in place).
Section "Uninstall"
  Call un.ComprobarCerrados
  Delete "$INSTDIR\quenvaro.exe"
  Delete "$INSTDIR\quenvaro-informe.exe"
  Delete "$INSTDIR\quenvaro-pantalla.exe"
  Delete "$INSTDIR\guia.html"
  Delete "$INSTDIR\${DESINSTALADOR}"
  RMDir "$INSTDIR"
  Delete "${MENU}\Consola de turnos.lnk"
  Delete "${MENU}\Pantalla de la sala.lnk"
  Delete "${MENU}\Informe de atención.lnk"
  Delete "${MENU}\Informe para Excel.lnk"
  Delete "${MENU}\Guía de uso.lnk"
  Delete "${MENU}\Desinstalar Quenvaro.lnk"
  RMDir "${MENU}"
  Delete "$DESKTOP\Consola de turnos.lnk"
  Delete "$SMSTARTUP\Pantalla de la sala.lnk"
  DeleteRegKey HKCU "${CLAVE}"
SectionEnd
