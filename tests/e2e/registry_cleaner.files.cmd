@echo off
rem Files of the Registry Cleaner's scenario (tests/e2e/registry_cleaner.qzs):
rem   plant           C:\QzRcE2E\here\ with the files the not-reported entries
rem                   name ("gone" is never made), a DLL only in SysWOW64
rem   keep-undo       exactly one undo file below Backups\RC; a copy of it
rem                   goes to the scenario's output folder
rem   check-restored  the restore left no copy in the Windows temporary folder
rem   check-no-undo   no undo file is left below Backups\RC
rem   remove          the planted files
set rc=C:\Program Files\Brinvale\Brinvale Sysvantor Quenzal Suite 2\Backups\RC
set out=C:\qztests\e2e\out-registry_cleaner
if "%1"=="plant" goto plant
if "%1"=="keep-undo" goto keepundo
if "%1"=="check-restored" goto restored
if "%1"=="check-no-undo" goto noundo
if "%1"=="remove" goto remove
exit /b 2
:plant
rmdir /s /q C:\QzRcE2E 2>nul
mkdir "C:\QzRcE2E\here\My.App Files"
echo x>C:\QzRcE2E\here\app.exe
echo x>C:\QzRcE2E\here\tool.cmd
echo x>C:\QzRcE2E\here\local.exe
echo x>C:\QzRcE2E\here\lib64.tlb
echo x>"C:\QzRcE2E\here\My.App Files\x.dll"
echo x>C:\windows\syswow64\QZRCE2E.DLL
if not exist "C:\QzRcE2E\here\My.App Files\x.dll" exit /b 3
if not exist C:\windows\syswow64\QZRCE2E.DLL exit /b 4
exit /b 0
:keepundo
set n=0
for /r "%rc%" %%f in (*.REG) do (set /a n+=1 >nul & copy /y "%%f" %out%\undo-before.reg >nul)
if not "%n%"=="1" exit /b 5
if not exist %out%\undo-before.reg exit /b 6
exit /b 0
:restored
if exist "C:\windows\temp\ZAMO2 Backup.reg" exit /b 7
exit /b 0
:noundo
set n=0
for /r "%rc%" %%f in (*.REG) do set /a n+=1 >nul
if not "%n%"=="0" exit /b 8
exit /b 0
:remove
rmdir /s /q C:\QzRcE2E 2>nul
del /q C:\windows\syswow64\QZRCE2E.DLL 2>nul
exit /b 0
