// What the fake Win32 calls were told to do, and what they saw.
#pragma once

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
};

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
};

extern Script script;
extern Seen seen;

// The handles the fake start hands out.
extern char processHandle;
extern char threadHandle;

void reset();

} // namespace fake
