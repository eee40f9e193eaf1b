@echo off
rem Files of the file tools' scenario (tests/e2e/file_tools.qzs), planted by
rem the host in C:\QzFiles\ (file_tools.fixture.sh). Copies for the host's
rem byte checks (file_tools.check.sh) go to C:\QzFiles\check\ (Wine's fc.exe
rem compares nothing).
rem   begin    the planted files are there; an earlier run's copies go
rem   wiped    a.txt and b.txt gone, c.txt kept; keep.txt gone and one file
rem            of 5,000 bytes in its place
rem   split    four parts of 1,048,576 x 3 and 5 bytes; data.bin deleted
rem   joined   a copy of the joined file; part 00001 deleted
rem   crypted  a copy of data.bin after the wrong password; the .crypted file
rem            is 3,145,765 bytes; data.bin deleted
rem   done     a copy of the decrypted file, and the mark that the run ended
set f=C:\QzFiles
if "%1"=="begin" goto begin
if "%1"=="wiped" goto wiped
if "%1"=="split" goto split
if "%1"=="joined" goto joined
if "%1"=="crypted" goto crypted
if "%1"=="done" goto done
exit /b 2
:begin
if not exist %f%\fsj\data.bin exit /b 3
if not exist %f%\wipe\a.txt exit /b 4
del /q %f%\done.txt 2>nul
rmdir /s /q %f%\check 2>nul
mkdir %f%\check
exit /b 0
:wiped
if exist %f%\wipe\a.txt exit /b 11
if exist %f%\wipe\b.txt exit /b 12
if not exist %f%\wipe\c.txt exit /b 13
if exist %f%\keep\keep.txt exit /b 14
set n=0
for %%k in (%f%\keep\*) do (set /a n+=1 >nul & if not %%~zk==5000 exit /b 15)
if not "%n%"=="1" exit /b 16
exit /b 0
:split
for %%p in (%f%\fsj\data.bin.part00000 %f%\fsj\data.bin.part00001 %f%\fsj\data.bin.part00002) do if not %%~zp==1048576 exit /b 21
for %%p in (%f%\fsj\data.bin.part00003) do if not %%~zp==5 exit /b 22
if exist %f%\fsj\data.bin.part00004 exit /b 23
del %f%\fsj\data.bin
exit /b 0
:joined
copy /b %f%\fsj\data.bin %f%\check\joined.bin >nul
del %f%\fsj\data.bin.part00001
exit /b 0
:crypted
copy /b %f%\fsj\data.bin %f%\check\after-wrong-password.bin >nul
for %%c in (%f%\fsj\data.bin.crypted) do if not %%~zc==3145765 exit /b 41
del %f%\fsj\data.bin
exit /b 0
:done
copy /b %f%\fsj\data.bin %f%\check\decrypted.bin >nul
echo done>%f%\done.txt
exit /b 0
