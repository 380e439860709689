// What the fake Win32 calls were told to do, and what they saw.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "windows.h"

namespace fake {

struct Script {
    // GetModuleFileNameA copies this path (cut to the buffer, like Windows);
    // it returns `moduleLength` when set, else the stored length.
    std::string modulePath = "C:\\Program Files\\Quillmesh Connector\\Quillmesh Connector.exe";
    long moduleLength = -1;
    bool startSucceeds = true;
    DWORD startError = 0;
    // The console: how many processes share it (0: there is none), whether
    // standard input is that console, and the input events waiting in it
    // before the launcher looks and arriving after it has flushed them.
    DWORD consoleProcesses = 0;
    bool inputIsConsole = false;
    std::vector<INPUT_RECORD> inputBefore;
    std::vector<INPUT_RECORD> inputAfter;
};

INPUT_RECORD keyEvent(bool down);
INPUT_RECORD otherEvent(WORD type);

struct CreateProcessCall {
    bool applicationNameNull = false;
    std::string commandLine;
    bool processAttributesNull = false;
    bool threadAttributesNull = false;
    BOOL inheritHandles = FALSE;
    DWORD creationFlags = 0xFFFFFFFF;
    bool environmentNull = false;
    std::string currentDirectory;
    STARTUPINFOA startupInfo{};
    PROCESS_INFORMATION processInformationOnEntry{};
};

struct Seen {
    std::vector<std::string> calls; // in order, with their key argument
    CreateProcessCall createProcess;
    // Bytes already written to stdout and stderr when GetLastError was read.
    long stdoutBytesAtGetLastError = -1;
    long stderrBytesAtGetLastError = -1;
    // Events still unread in the console's input, and the fake clock.
    std::deque<INPUT_RECORD> input;
    ULONGLONG clock = 0;
};

extern Script script;
extern Seen seen;

// The handles the fake start hands out.
extern char processHandle;
extern char threadHandle;
extern char inputHandle;

void reset();

} // namespace fake
