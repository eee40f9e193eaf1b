@echo off
rem Files of the Options scenario (tests/e2e/options.qzs):
rem   plant   a second skin, "QzE2E", a copy of the default one
rem   remove  that skin
set skins=C:\Program Files\Brinvale\Brinvale Sysvantor Quenzal Suite 2\Skins
if "%1"=="plant" goto plant
if "%1"=="remove" goto remove
exit /b 2
:plant
rmdir /s /q "%skins%\QzE2E" 2>nul
xcopy "%skins%\default" "%skins%\QzE2E" /e /i /q >nul
if not exist "%skins%\QzE2E\skin.ini" exit /b 3
exit /b 0
:remove
rmdir /s /q "%skins%\QzE2E" 2>nul
exit /b 0
