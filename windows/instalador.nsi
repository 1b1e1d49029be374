; Quenvaro's installer for a front desk's Windows PC, in Spanish: for this
; account alone, with no administrator (the default), or, when an
; administrator runs it, for every account of the PC. CMakeLists.txt runs
; makensis on it with
;   -INPUTCHARSET UTF8 -DVERSION=X.Y.Z -DPROGRAMAS=<build folder>
;   -DFUENTES=<source folder> -DSALIDA=<installer to write>
;
; Silent installs: /S takes the defaults (or, installing again, the earlier
; choices, kept even across an uninstall); /DATOS=<folder> sets the data
; folder; /INICIO, /RED and /QUIOSCO turn those choices on; /PUERTO=<N> sets
; the screen's port; /TODOS installs for every account (as an
; administrator); /D=<folder>, last, sets the programs' folder.
Unicode true
; The 64-bit stub, as the programs are.
Target amd64-unicode
; Windows asks for no administrator (asInvoker): a plain double-click
; installs for this account. An install for every account needs the
; installer run as administrator, which it then offers.
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh
!include nsDialogs.nsh

!define CLAVE "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quenvaro"
; The choices and the data folder, in a key of their own that the
; uninstaller leaves: "uninstall the old, install the new" must find the
; office's files again.
!define AJUSTES "Software\Quenvaro"
!define MENU "$SMPROGRAMS\Quenvaro"
!define DESINSTALADOR "desinstalar.exe"
!define PUERTO_POR_OMISION 8080

Name "Quenvaro"
OutFile "${SALIDA}"
; Where a user's own programs go. Set again once the kind of install is
; known (AplicarModo); a different folder here at .onInit came from /D.
InstallDir "$LOCALAPPDATA\Programs\Quenvaro"
BrandingText "Quenvaro ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

Var Datos      ; where the console's files live
Var Todos      ; 1: for every account of the PC
Var Admin      ; 1: the installer runs as an administrator
Var DirDado    ; 1: /D named the programs' folder
Var Quiosco    ; 1: the screen opens full screen
Var Puerto     ; the screen's port
; The command line's choices, applied over the kept ones.
Var OpDatos
Var OpInicio
Var OpRed
Var OpQuiosco
Var OpPuerto
; The custom pages' controls.
Var CtlTodos
Var CtlQuiosco
Var CtlPuerto
Var CtlDatos
Var CtlAviso

!define MUI_ICON "${FUENTES}/windows/quenvaro.ico"
!define MUI_UNICON "${FUENTES}/windows/quenvaro.ico"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Este asistente instala Quenvaro ${VERSION}: la consola de turnos, la pantalla de la sala de espera y el informe de atención.$\r$\n$\r$\nSe instala solo para esta cuenta de Windows, sin permisos de administrador. Para instalarlo para todas las cuentas del equipo, abra el instalador como administrador.$\r$\n$\r$\nSi Quenvaro ya está instalado, o lo estuvo, se actualiza: la carpeta de datos, sus archivos y las opciones elegidas se conservan."
!insertmacro MUI_PAGE_WELCOME

Page custom PaginaCuentas PaginaCuentasSalir

!define MUI_PAGE_HEADER_TEXT "Opciones"
!define MUI_PAGE_HEADER_SUBTEXT "Elija cómo se usará la pantalla de la sala."
!define MUI_COMPONENTSPAGE_TEXT_TOP "Pase el ratón sobre cada opción para leer qué hace. Se pueden cambiar más tarde instalando otra vez."
!define MUI_COMPONENTSPAGE_TEXT_COMPLIST "Opciones:"
!insertmacro MUI_PAGE_COMPONENTS

Page custom PaginaPantalla PaginaPantallaSalir
Page custom PaginaDatos PaginaDatosSalir

!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_TEXT "Quenvaro está instalado. Encontrará sus accesos directos en el menú Inicio, en la carpeta Quenvaro, y la consola también en el escritorio."
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\guia.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Leer la guía de uso"
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "Se quitarán los programas de Quenvaro y sus accesos directos. La carpeta de datos, $Datos, se conserva con todo lo que contiene, y una instalación posterior la volverá a usar."
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

;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;; programs open

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
; Closing the console's window keeps the waiting queue; its option 4 would
; write a day's summary in the middle of the day.
!macro COMPROBAR_CERRADOS prefijo
Function ${prefijo}ComprobarCerrados
  revisar:
  !insertmacro ABIERTO "quenvaro.exe" "la consola de turnos"
  !insertmacro ABIERTO "quenvaro-pantalla.exe" "la pantalla de la sala"
  !insertmacro ABIERTO "quenvaro-informe.exe" "el informe"
  Return
  abierto:
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Quenvaro está abierto: $0.$\r$\n$\r$\nCierre sus ventanas con la X (la consola y la ventana negra de la pantalla) y pulse Reintentar. Los turnos que esperan se conservan y la consola los recupera al abrirla otra vez; no hace falta cerrar el día." /SD IDCANCEL IDRETRY revisar
  Abort "Quenvaro sigue abierto; no se ha cambiado nada."
FunctionEnd
!macroend
!insertmacro COMPROBAR_CERRADOS ""
!insertmacro COMPROBAR_CERRADOS "un."

;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;; sections

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
  Call ArchivosDeLaConsola
  ${If} $0 == 1
    DetailPrint "La carpeta de datos ya tiene los archivos de la consola: Quenvaro sigue con ellos."
  ${EndIf}
  ${If} $Todos == 1
    ; Every account of the PC works in it: BUILTIN\Users (by its SID, the
    ; same in every language) may change what it holds, now and later.
    nsExec::ExecToLog 'icacls "$Datos" /grant *S-1-5-32-545:(OI)(CI)M'
    Pop $0
    ${If} $0 != 0
      DetailPrint "No se pudo dar permiso a todas las cuentas sobre la carpeta de datos ($0)."
    ${EndIf}
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

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgramas} "La consola de turnos, la pantalla de la sala, el informe de atención y la guía de uso, con sus accesos directos en el menú Inicio (la consola, también en el escritorio). Siempre se instalan."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecInicio} "La pantalla de la sala se abre sola al entrar en Windows, sin que nadie tenga que buscarla."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecRed} "Un televisor u otro equipo de la misma red podrá ver la pantalla. No tiene contraseña: la ve cualquiera de la red, pero solo muestra números, nunca nombres. La primera vez, Windows pide que un administrador la deje pasar por el firewall."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;; choices

; $0 = 1 when the data folder already holds the console's files.
Function ArchivosDeLaConsola
  StrCpy $0 0
  ${If} ${FileExists} "$Datos\bitacora.txt"
  ${OrIf} ${FileExists} "$Datos\cola_respaldo.txt"
    StrCpy $0 1
  ${EndIf}
FunctionEnd

; $0 = 1 when $Puerto is a port a shortcut may carry: 1 to 65535, in
; plain digits (IntOp alone would take "0x1F" or " 80" too).
Function PuertoValido
  StrCpy $0 0
  IntOp $1 $Puerto + 0
  ${If} "$1" == "$Puerto"
  ${AndIf} $1 > 0
  ${AndIf} $1 <= 65535
    StrCpy $0 1
  ${EndIf}
FunctionEnd

; The kind of install ($Todos) decides where everything goes and which
; earlier choices apply; the command line's choices come over those.
Function AplicarModo
  ; The public documents folder: every account of the PC may read there,
  ; and OneDrive does not sync it.
  SetShellVarContext all
  StrCpy $Datos "$DOCUMENTS\Quenvaro"
  ${If} $Todos == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
  ${If} $DirDado == 0
    ReadRegStr $0 SHCTX "${CLAVE}" "InstallLocation"
    ${If} $0 != ""
      StrCpy $INSTDIR $0
    ${ElseIf} $Todos == 1
      StrCpy $INSTDIR "$PROGRAMFILES64\Quenvaro"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Quenvaro"
    ${EndIf}
  ${EndIf}
  ; An install before the choices had a key of their own kept them beside
  ; the uninstaller's.
  ReadRegStr $0 SHCTX "${AJUSTES}" "CarpetaDatos"
  ${If} $0 == ""
    ReadRegStr $0 SHCTX "${CLAVE}" "CarpetaDatos"
  ${EndIf}
  ${If} $0 != ""
    StrCpy $Datos $0
  ${EndIf}
  ${If} $OpDatos != ""
    StrCpy $Datos $OpDatos
  ${EndIf}
  !insertmacro UnselectSection ${SecInicio}
  !insertmacro UnselectSection ${SecRed}
  ReadRegDWORD $0 SHCTX "${AJUSTES}" "InicioWindows"
  ${If} $0 == ""
    ReadRegDWORD $0 SHCTX "${CLAVE}" "InicioWindows"
  ${EndIf}
  ${If} $0 == 1
  ${OrIf} $OpInicio == 1
    !insertmacro SelectSection ${SecInicio}
  ${EndIf}
  ReadRegDWORD $0 SHCTX "${AJUSTES}" "RedLocal"
  ${If} $0 == ""
    ReadRegDWORD $0 SHCTX "${CLAVE}" "RedLocal"
  ${EndIf}
  ${If} $0 == 1
  ${OrIf} $OpRed == 1
    !insertmacro SelectSection ${SecRed}
  ${EndIf}
  ReadRegDWORD $Quiosco SHCTX "${AJUSTES}" "Quiosco"
  ${If} $Quiosco != 1
  ${AndIf} $OpQuiosco != 1
    StrCpy $Quiosco 0
  ${Else}
    StrCpy $Quiosco 1
  ${EndIf}
  ReadRegDWORD $Puerto SHCTX "${AJUSTES}" "Puerto"
  ${If} $OpPuerto != ""
    StrCpy $Puerto $OpPuerto
  ${EndIf}
  ${If} $Puerto == ""
    StrCpy $Puerto ${PUERTO_POR_OMISION}
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $DirDado 0
  ${If} $INSTDIR != "$LOCALAPPDATA\Programs\Quenvaro"
    StrCpy $DirDado 1
  ${EndIf}
  StrCpy $Admin 0
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $Admin 1
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
    StrCpy $OpDatos $R1
  ${EndIf}
  !macro OPCION nombre variable
    ClearErrors
    ${GetOptions} $R0 "${nombre}" $R1
    ${IfNot} ${Errors}
      StrCpy ${variable} 1
    ${EndIf}
  !macroend
  !insertmacro OPCION "/INICIO" $OpInicio
  !insertmacro OPCION "/RED" $OpRed
  !insertmacro OPCION "/QUIOSCO" $OpQuiosco
  !insertmacro OPCION "/TODOS" $Todos
  ClearErrors
  ${GetOptions} $R0 "/PUERTO=" $R1
  ${IfNot} ${Errors}
    StrCpy $Puerto $R1
    Call PuertoValido
    ${If} $0 != 1
      MessageBox MB_OK|MB_ICONSTOP "/PUERTO=$R1: el puerto es un número de 1 a 65535." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    StrCpy $OpPuerto $R1
  ${EndIf}
  ; Installed for every account before, the same again.
  ${If} $Admin == 1
    ReadRegStr $0 HKLM "${CLAVE}" "InstallLocation"
    ${If} $0 != ""
      StrCpy $Todos 1
    ${EndIf}
  ${EndIf}
  ${If} $Todos == 1
  ${AndIf} $Admin != 1
    MessageBox MB_OK|MB_ICONSTOP "Para instalar Quenvaro para todas las cuentas del equipo, abra el instalador como administrador (botón derecho, Ejecutar como administrador)." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ${If} $Todos != 1
    StrCpy $Todos 0
  ${EndIf}
  Call AplicarModo
FunctionEnd

;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;; pages

; Only an administrator can install for every account; anyone else never
; sees this page.
Function PaginaCuentas
  ${If} $Admin != 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Para quién" "Elija qué cuentas de Windows de este equipo tendrán Quenvaro."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateFirstRadioButton} 0 0 100% 24u "Solo para esta cuenta (recomendado)"
  Pop $1
  ${NSD_CreateLabel} 12u 24u -12u 24u "Los programas quedan en la carpeta de esta cuenta y solo ella tiene los accesos directos. No hacen falta permisos de administrador para actualizar."
  Pop $0
  ${NSD_CreateAdditionalRadioButton} 0 56u 100% 24u "Para todas las cuentas de este equipo"
  Pop $CtlTodos
  ${NSD_CreateLabel} 12u 80u -12u 36u "Los programas quedan en Archivos de programa, todas las cuentas tienen los accesos directos y todas pueden leer y escribir en la carpeta de datos. Para actualizar o desinstalar hará falta abrir el instalador como administrador."
  Pop $0
  ${If} $Todos == 1
    ${NSD_Check} $CtlTodos
  ${Else}
    ${NSD_Check} $1
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function PaginaCuentasSalir
  ${NSD_GetState} $CtlTodos $0
  StrCpy $1 0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $1 1
  ${EndIf}
  ${If} $1 != $Todos
    StrCpy $Todos $1
    Call AplicarModo
  ${EndIf}
FunctionEnd

Function PaginaPantalla
  !insertmacro MUI_HEADER_TEXT "Pantalla de la sala" "Cómo se abre la página de la sala y en qué puerto."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateFirstRadioButton} 0 0 100% 12u "En una ventana del navegador"
  Pop $1
  ${NSD_CreateLabel} 12u 13u -12u 20u "Se puede mover y cerrar como cualquier ventana. El sonido empieza después de hacer clic una vez en la página."
  Pop $0
  ${NSD_CreateAdditionalRadioButton} 0 38u 100% 12u "A pantalla completa (modo quiosco)"
  Pop $CtlQuiosco
  ${NSD_CreateLabel} 12u 51u -12u 28u "Para el televisor de la sala: Edge o Chrome a pantalla completa, sin barras, con sonido desde el principio. Para salir, Alt+F4. Sin Edge ni Chrome, se abre en una ventana."
  Pop $0
  ${If} $Quiosco == 1
    ${NSD_Check} $CtlQuiosco
  ${Else}
    ${NSD_Check} $1
  ${EndIf}
  ${NSD_CreateLabel} 0 88u 100% 12u "Puerto (deje 8080 salvo que otro programa ya lo use):"
  Pop $0
  ${NSD_CreateNumber} 0 102u 60u 13u "$Puerto"
  Pop $CtlPuerto
  ${NSD_Edit_SetTextLimit} $CtlPuerto 5
  nsDialogs::Show
FunctionEnd

Function PaginaPantallaSalir
  ${NSD_GetText} $CtlPuerto $Puerto
  Call PuertoValido
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "El puerto es un número de 1 a 65535; el habitual es 8080."
    Abort
  ${EndIf}
  ${NSD_GetState} $CtlQuiosco $0
  StrCpy $Quiosco 0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Quiosco 1
  ${EndIf}
FunctionEnd

; The data folder, with what it means to choose it: who can read it, what
; it keeps, and whether the console's files are already there.
Function PaginaDatos
  !insertmacro MUI_HEADER_TEXT "Carpeta de datos" "Dónde guarda la consola la bitácora y la cola de espera."
  nsDialogs::Create 1018
  Pop $0
  ${If} $Todos == 1
    StrCpy $1 "Quenvaro se instala para todas las cuentas de este equipo: todas podrán leer y escribir en esta carpeta."
  ${Else}
    StrCpy $1 "Quenvaro se instala solo para esta cuenta. La carpeta propuesta, en Documentos públicos, la pueden leer todas las cuentas de este equipo."
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 30u "La consola guarda sus archivos (bitacora.txt, cola_respaldo.txt) en esta carpeta, y la pantalla y el informe los leen de ella. $1"
  Pop $0
  ${NSD_CreateDirRequest} 0 32u -60u 13u "$Datos"
  Pop $CtlDatos
  ${NSD_OnChange} $CtlDatos DatosCambiada
  ${NSD_CreateBrowseButton} -55u 31u 55u 15u "Examinar..."
  Pop $0
  ${NSD_OnClick} $0 DatosExaminar
  ${NSD_CreateLabel} 0 50u 100% 20u ""
  Pop $CtlAviso
  ${NSD_CreateLabel} 0 72u 100% 60u "Privacidad: la bitácora guarda para siempre el nombre de cada persona registrada, tal como se escribe, con la fecha y la hora. Quien pueda leer esta carpeta puede leer esos nombres. No elija una carpeta sincronizada (OneDrive, Dropbox, Google Drive): los nombres saldrían de la oficina."
  Pop $0
  Call AvisarArchivos
  nsDialogs::Show
FunctionEnd

; Says, under the folder, whether the console's files are already there.
Function AvisarArchivos
  Call ArchivosDeLaConsola
  ${If} $0 == 1
    ${NSD_SetText} $CtlAviso "Esta carpeta ya tiene los archivos de la consola: Quenvaro seguirá con ellos (la bitácora, y la cola de quienes esperan), sin borrar nada."
  ${Else}
    ${NSD_SetText} $CtlAviso "Esta carpeta no tiene archivos de la consola: la consola empezará en ella una bitácora nueva."
  ${EndIf}
FunctionEnd

Function DatosCambiada
  Pop $0
  ${NSD_GetText} $CtlDatos $Datos
  Call AvisarArchivos
FunctionEnd

Function DatosExaminar
  Pop $0
  nsDialogs::SelectFolderDialog "Carpeta de datos de Quenvaro" "$Datos"
  Pop $0
  ${If} $0 != "error"
    ${NSD_SetText} $CtlDatos $0
  ${EndIf}
FunctionEnd

Function PaginaDatosSalir
  ${NSD_GetText} $CtlDatos $Datos
  ${If} $Datos == ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "Escriba la carpeta de datos."
    Abort
  ${EndIf}
FunctionEnd

;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;; shortcuts

; $3 = the arguments of the shortcut $R1, read through the shell's own
; IShellLinkW (CLSID_ShellLink) and IPersistFile, as Explorer reads them;
; $0 = 0 when they could be read.
!define CLSID_ShellLink "{00021401-0000-0000-C000-000000000046}"
!define IID_IShellLinkW "{000214F9-0000-0000-C000-000000000046}"
!define IID_IPersistFile "{0000010b-0000-0000-C000-000000000046}"
Function LeerArgumentos
  StrCpy $3 ""
  System::Call "ole32::CoCreateInstance(g '${CLSID_ShellLink}', p 0, i 1, g '${IID_IShellLinkW}', *p .r1) i .r0"
  ${If} $0 != 0
    Return
  ${EndIf}
  System::Call "$1->0(g '${IID_IPersistFile}', *p .r2) i .r0"  ; QueryInterface
  ${If} $0 == 0
    System::Call "$2->5(w '$R1', i 0) i .r0"  ; IPersistFile::Load
    ${If} $0 == 0
      System::Call "$1->10(w .r3, i ${NSIS_MAX_STRLEN}) i .r0"  ; GetArguments
    ${EndIf}
    System::Call "$2->2()"  ; Release
  ${EndIf}
  System::Call "$1->2()"
FunctionEnd

; Writes the shortcut $R1 to $R2 with arguments $R3 and description $R4,
; starting in the folder SetOutPath last named, unless the office has
; edited it since the last install, which it then keeps as it is: its
; arguments are no longer those written then (recorded under the name $R5;
; $R9 for an install before the record), or its file time is no longer the
; one recorded. When the choices now differ from those it was written with,
; a message says that it does not carry them.
Function Acceso
  ${If} ${FileExists} "$R1"
    ClearErrors
    ReadRegStr $4 SHCTX "${AJUSTES}" "Argumentos $R5"
    ${If} ${Errors}
      StrCpy $4 $R9
    ${EndIf}
    StrCpy $5 0
    Call LeerArgumentos
    ${If} $0 == 0
    ${AndIf} $3 S!= $4
      StrCpy $5 1
    ${EndIf}
    ReadRegStr $0 SHCTX "${AJUSTES}" "Acceso $R5"
    GetFileTime "$R1" $1 $2
    ${If} $0 != ""
    ${AndIf} "$1 $2" != $0
      StrCpy $5 1
    ${EndIf}
    ${If} $5 == 1
      DetailPrint "Se conserva, como se modificó: $R1"
      ${If} $4 S!= $R3
        MessageBox MB_OK|MB_ICONINFORMATION "El acceso directo $R1 se modificó a mano y se conserva como está, así que no lleva las opciones elegidas ahora ($R3).$\r$\n$\r$\nPara que las lleve, bórrelo y vuelva a instalar." /SD IDOK
      ${EndIf}
      ; Recorded as written by then, so that a later change of the
      ; choices is told again.
      WriteRegStr SHCTX "${AJUSTES}" "Argumentos $R5" "$4"
      Return
    ${EndIf}
  ${EndIf}
  CreateShortCut "$R1" "$R2" "$R3" "$R2" 0 SW_SHOWNORMAL "" "$R4"
  GetFileTime "$R1" $1 $2
  WriteRegStr SHCTX "${AJUSTES}" "Acceso $R5" "$1 $2"
  WriteRegStr SHCTX "${AJUSTES}" "Argumentos $R5" "$R3"
FunctionEnd

!macro ACCESO enlace programa argumentos descripcion nombre anteriores
  StrCpy $R1 "${enlace}"
  StrCpy $R2 "${programa}"
  StrCpy $R3 "${argumentos}"
  StrCpy $R4 "${descripcion}"
  StrCpy $R5 "${nombre}"
  StrCpy $R9 "${anteriores}"
  Call Acceso
!macroend

; The shortcuts, once the choices are known. A shortcut starts its program
; in the folder SetOutPath last named: all of them in the data folder.
Section "-Accesos"
  StrCpy $R6 "--abrir"
  ${If} $Quiosco == 1
    StrCpy $R6 "--quiosco"
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecRed}
    StrCpy $R6 "--escuchar 0.0.0.0 $R6"
  ${EndIf}
  ${If} $Puerto != ${PUERTO_POR_OMISION}
    StrCpy $R6 "$R6 --puerto $Puerto"
  ${EndIf}
  ; What an install before the record wrote on the screen's shortcuts.
  ReadRegDWORD $0 SHCTX "${CLAVE}" "RedLocal"
  StrCpy $R8 "--abrir"
  ${If} $0 == 1
    StrCpy $R8 "--escuchar 0.0.0.0 --abrir"
  ${EndIf}
  StrCpy $R7 ""
  ${If} $Todos == 1
    StrCpy $R7 "/TODOS"
  ${EndIf}
  SetOutPath "$Datos"
  CreateDirectory "${MENU}"
  !insertmacro ACCESO "${MENU}\Consola de turnos.lnk" "$INSTDIR\quenvaro.exe" "" \
    "Registrar y llamar los turnos" "consola" ""
  !insertmacro ACCESO "$DESKTOP\Consola de turnos.lnk" "$INSTDIR\quenvaro.exe" "" \
    "Registrar y llamar los turnos" "consola escritorio" ""
  !insertmacro ACCESO "${MENU}\Pantalla de la sala.lnk" "$INSTDIR\quenvaro-pantalla.exe" \
    "$R6" "Mostrar los turnos en la pantalla de la sala de espera" "pantalla" "$R8"
  !insertmacro ACCESO "${MENU}\Informe de atención.lnk" "$INSTDIR\quenvaro-informe.exe" \
    "--html --salida informe.html --abrir" "Ver el informe de atención día por día" \
    "informe" "--html --salida informe.html --abrir"
  !insertmacro ACCESO "${MENU}\Informe para Excel.lnk" "$INSTDIR\quenvaro-informe.exe" \
    "--excel --salida informe.csv --abrir" \
    "Abrir las cifras de cada día en una hoja de cálculo" "excel" \
    "--excel --salida informe.csv --abrir"
  CreateShortCut "${MENU}\Guía de uso.lnk" "$INSTDIR\guia.html" "" "" 0 \
    SW_SHOWNORMAL "" "La guía de Quenvaro para la oficina"
  CreateShortCut "${MENU}\Desinstalar Quenvaro.lnk" "$INSTDIR\${DESINSTALADOR}" "$R7" \
    "$INSTDIR\${DESINSTALADOR}" 0 SW_SHOWNORMAL "" "Quitar los programas; los datos se conservan"
  ${If} ${SectionIsSelected} ${SecInicio}
    !insertmacro ACCESO "$SMSTARTUP\Pantalla de la sala.lnk" \
      "$INSTDIR\quenvaro-pantalla.exe" "$R6" \
      "Mostrar los turnos en la pantalla de la sala de espera" "inicio" "$R8"
    WriteRegDWORD SHCTX "${AJUSTES}" "InicioWindows" 1
  ${Else}
    Delete "$SMSTARTUP\Pantalla de la sala.lnk"
    WriteRegDWORD SHCTX "${AJUSTES}" "InicioWindows" 0
  ${EndIf}
  ${If} ${SectionIsSelected} ${SecRed}
    WriteRegDWORD SHCTX "${AJUSTES}" "RedLocal" 1
  ${Else}
    WriteRegDWORD SHCTX "${AJUSTES}" "RedLocal" 0
  ${EndIf}
  WriteRegDWORD SHCTX "${AJUSTES}" "Quiosco" $Quiosco
  WriteRegDWORD SHCTX "${AJUSTES}" "Puerto" $Puerto
  WriteRegStr SHCTX "${AJUSTES}" "CarpetaDatos" "$Datos"
  ; Settings > Apps lists it, and removes it, from here.
  WriteRegStr SHCTX "${CLAVE}" "DisplayName" "Quenvaro"
  WriteRegStr SHCTX "${CLAVE}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${CLAVE}" "Publisher" "Quenvaro"
  WriteRegStr SHCTX "${CLAVE}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${CLAVE}" "DisplayIcon" "$INSTDIR\quenvaro.exe,0"
  WriteRegStr SHCTX "${CLAVE}" "UninstallString" '"$INSTDIR\${DESINSTALADOR}" $R7'
  WriteRegStr SHCTX "${CLAVE}" "QuietUninstallString" '"$INSTDIR\${DESINSTALADOR}" /S $R7'
  WriteRegDWORD SHCTX "${CLAVE}" "NoModify" 1
  WriteRegDWORD SHCTX "${CLAVE}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $2 $3
  WriteRegDWORD SHCTX "${CLAVE}" "EstimatedSize" $0
SectionEnd

;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;;; uninstall

; Installed for every account, the uninstaller is started with /TODOS (by
; Settings > Apps and its shortcut); run by hand without it, it finds that
; install by the absence of one for this account.
Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/TODOS" $R1
  StrCpy $Todos 0
  ${IfNot} ${Errors}
    StrCpy $Todos 1
  ${Else}
    ReadRegStr $0 HKCU "${CLAVE}" "InstallLocation"
    ReadRegStr $1 HKLM "${CLAVE}" "InstallLocation"
    ${If} $0 == ""
    ${AndIf} $1 != ""
      StrCpy $Todos 1
    ${EndIf}
  ${EndIf}
  ${If} $Todos == 1
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "Quenvaro está instalado para todas las cuentas del equipo: para desinstalarlo, abra el desinstalador como administrador." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    SetShellVarContext all
  ${EndIf}
  ReadRegStr $Datos SHCTX "${AJUSTES}" "CarpetaDatos"
FunctionEnd

; The programs, the shortcuts and the uninstaller's key; never the data
; folder nor anything in it, wherever it is (even inside the programs'
; folder, which is then left in place), nor the key that remembers it and
; the choices.
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
  DeleteRegKey SHCTX "${CLAVE}"
SectionEnd
