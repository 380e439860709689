@echo off
rem Fallback start of the Quillmesh Connector, for when the launcher cannot
rem start it: runs the bundled Python on the connector script from this
rem folder, whatever folder it was started from.
setlocal
cd /d "%~dp0"
title Quillmesh Connector
"%~dp0py\python.exe" "%~dp0quillmesh-connector.py"
if errorlevel 1 (
    echo.
    echo The Quillmesh Connector ended with an error ^(status %errorlevel%^).
    echo See the messages above.
    pause
)
