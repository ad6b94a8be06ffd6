@echo off
rem Flashes the controller firmware that the kit maker ships beside this script.
rem
rem   prog2.bat <COM port>
rem
rem The folder must hold the firmware as an Intel HEX file (*.hex) and a settings file prog2.conf
rem with KEY=VALUE lines: MCU (required), PROGRAMMER (required), BAUD, FIRMWARE (which .hex when
rem there are several) and AVRDUDE (avrdude.exe shipped with the kit, relative to this folder).
rem avrdude.exe beside the script is used when AVRDUDE is not set; avrdude.conf beside it is passed on.
rem Exit codes: 0 flashed, 1 folder not reachable, 2 no port, 3 settings missing or incomplete,
rem 4 firmware file missing, 5 avrdude missing, anything else is avrdude's own failure.
setlocal EnableExtensions DisableDelayedExpansion

cd /d "%~dp0"
if errorlevel 1 (echo prog2: cannot enter the firmware folder 1>&2 & exit /b 1)

set "PORT=%~1"
if "%PORT%"=="" (echo prog2: no serial port given ^(usage: prog2.bat COM3^) 1>&2 & exit /b 2)

if not exist "prog2.conf" (echo prog2: settings file prog2.conf not found in %CD% 1>&2 & exit /b 3)

set "MCU="
set "PROGRAMMER="
set "BAUD="
set "FIRMWARE="
set "AVRDUDE="
rem Take only the known keys, so the settings file cannot change anything else.
for /f "usebackq eol=# tokens=1,* delims==" %%a in ("prog2.conf") do (
    if /i "%%a"=="MCU" set "MCU=%%b"
    if /i "%%a"=="PROGRAMMER" set "PROGRAMMER=%%b"
    if /i "%%a"=="BAUD" set "BAUD=%%b"
    if /i "%%a"=="FIRMWARE" set "FIRMWARE=%%b"
    if /i "%%a"=="AVRDUDE" set "AVRDUDE=%%b"
)
if "%MCU%"=="" (echo prog2: MCU is not set in prog2.conf 1>&2 & exit /b 3)
if "%PROGRAMMER%"=="" (echo prog2: PROGRAMMER is not set in prog2.conf 1>&2 & exit /b 3)

set "HEX=%FIRMWARE%"
if not "%HEX%"=="" goto check_hex
set "COUNT=0"
for %%f in (*.hex) do (
    set "HEX=%%f"
    set /a COUNT+=1
)
if "%COUNT%"=="0" (echo prog2: no firmware file ^(*.hex^) found in %CD% 1>&2 & exit /b 4)
if not "%COUNT%"=="1" (echo prog2: several firmware files found; set FIRMWARE in prog2.conf 1>&2 & exit /b 4)
:check_hex
if not exist "%HEX%" (echo prog2: firmware file %HEX% not found in %CD% 1>&2 & exit /b 4)

set "TOOL=%AVRDUDE%"
if not "%TOOL%"=="" goto check_tool
if exist "avrdude.exe" (set "TOOL=avrdude.exe" & goto check_tool)
for /f "delims=" %%t in ('where avrdude 2^>nul') do if "%TOOL%"=="" set "TOOL=%%t"
if "%TOOL%"=="" (echo prog2: avrdude not found; put avrdude.exe beside prog2.bat or set AVRDUDE in prog2.conf 1>&2 & exit /b 5)
:check_tool
if not exist "%TOOL%" (echo prog2: avrdude %TOOL% not found 1>&2 & exit /b 5)

set "EXTRA="
if not "%BAUD%"=="" set "EXTRA=-b %BAUD%"
if exist "avrdude.conf" set "EXTRA=%EXTRA% -C avrdude.conf"

echo prog2: writing %HEX% to %MCU% on %PORT%
"%TOOL%" -p %MCU% -c %PROGRAMMER% -P %PORT% -D -U "flash:w:%HEX%:i" %EXTRA%
set "STATUS=%ERRORLEVEL%"
if "%STATUS%"=="0" (echo prog2: done) else (echo prog2: avrdude failed with exit code %STATUS% 1>&2)
exit /b %STATUS%
