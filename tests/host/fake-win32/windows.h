// Host-side stand-in for <windows.h>: just the types and the calls the
// launcher makes, so its source compiles unchanged on Linux against the fake
// in fake-win32.cpp. Layouts follow the real records field for field.
#pragma once

#include <stddef.h>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef unsigned long long ULONGLONG;
typedef char CHAR;
typedef unsigned short WCHAR;
typedef void* HANDLE;
typedef HANDLE HMODULE;
typedef void* LPVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef BYTE* LPBYTE;

#define TRUE 1
#define FALSE 0
#define INFINITE 0xFFFFFFFFul
#define WAIT_OBJECT_0 0ul
#define WAIT_TIMEOUT 258ul
#define STD_INPUT_HANDLE ((DWORD)-10)
#define KEY_EVENT 0x0001
#define MOUSE_EVENT 0x0002
#define WINDOW_BUFFER_SIZE_EVENT 0x0004
#define FOCUS_EVENT 0x0010

typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

typedef struct _STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

typedef struct _KEY_EVENT_RECORD {
    BOOL bKeyDown;
    WORD wRepeatCount;
    WORD wVirtualKeyCode;
    WORD wVirtualScanCode;
    union {
        WCHAR UnicodeChar;
        CHAR AsciiChar;
    } uChar;
    DWORD dwControlKeyState;
} KEY_EVENT_RECORD;

// The other event records are never looked into by the launcher.
typedef struct _INPUT_RECORD {
    WORD EventType;
    union {
        KEY_EVENT_RECORD KeyEvent;
        BYTE other[16];
    } Event;
} INPUT_RECORD;

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
BOOL SetConsoleTitleA(LPCSTR title);
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL CloseHandle(HANDLE handle);
DWORD GetLastError(void);
HANDLE GetStdHandle(DWORD which);
DWORD GetConsoleProcessList(DWORD* processes, DWORD count);
BOOL GetConsoleMode(HANDLE console, DWORD* mode);
BOOL FlushConsoleInputBuffer(HANDLE input);
BOOL ReadConsoleInputA(HANDLE input, INPUT_RECORD* buffer, DWORD length, DWORD* read);
ULONGLONG GetTickCount64(void);
