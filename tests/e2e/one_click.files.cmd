@echo off
rem Files of the One-Click-Optimizer's scenario (tests/e2e/one_click.qzs):
rem   plant        junk in the temporary folders and in C:\QzOcoJunk\ beside a
rem                file that is no junk; C:\QzOcoE2E\gone is never made
rem   check-files  the junk is gone, the other file stays; the recycled paths
rem                go to the list the host checks in the sandbox's trash
rem   check-undo   the Registry Cleaner wrote an undo file below Backups\RC;
rem                this run's undo and count files are removed again
rem   remove       what the scenario planted
set rc=C:\Program Files\Brinvale\Brinvale Sysvantor Quenzal Suite 2\Backups\RC
set trash=C:\qztests\expect-trash-dcui.txt
if "%1"=="plant" goto plant
if "%1"=="check-files" goto files
if "%1"=="check-undo" goto undo
if "%1"=="remove" goto remove
exit /b 2
:plant
rmdir /s /q C:\QzOcoJunk 2>nul
rmdir /s /q C:\QzOcoE2E 2>nul
mkdir C:\QzOcoJunk
echo junk>C:\QzOcoJunk\setup.tmp
echo junk>C:\QzOcoJunk\report.bak
echo keep>C:\QzOcoJunk\notes.txt
echo junk>C:\windows\temp\qz-oco-junk1.dat
echo junk>%TEMP%\qz-oco-junk2.dat
if not exist %TEMP%\qz-oco-junk2.dat exit /b 3
exit /b 0
:files
if exist C:\QzOcoJunk\setup.tmp exit /b 11
if exist C:\QzOcoJunk\report.bak exit /b 12
if exist C:\windows\temp\qz-oco-junk1.dat exit /b 13
if exist %TEMP%\qz-oco-junk2.dat exit /b 14
if not exist C:\QzOcoJunk\notes.txt exit /b 15
echo C:\QzOcoJunk\setup.tmp>>%trash%
echo C:\QzOcoJunk\report.bak>>%trash%
echo C:\windows\temp\qz-oco-junk1.dat>>%trash%
echo %TEMP%\qz-oco-junk2.dat>>%trash%
exit /b 0
:undo
set n=0
for /r "%rc%" %%f in (*.REG) do set /a n+=1 >nul
if "%n%"=="0" exit /b 21
for /r "%rc%" %%f in (*.REG) do del /q "%%f" "%%f.txt" 2>nul
exit /b 0
:remove
rmdir /s /q C:\QzOcoJunk 2>nul
exit /b 0
