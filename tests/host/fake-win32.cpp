#include "fake-win32.h"

#include <string.h>
#include <sys/stat.h>

namespace fake {

Script script;
Seen seen;
char processHandle;
char threadHandle;
char inputHandle;
static DWORD lastError;

// Each event arrives this long into a wait for it.
static const ULONGLONG kEventDelay = 500;

void reset()
{
    script = Script();
    seen = Seen();
    seen.clock = 1000000;
    lastError = 0;
}

INPUT_RECORD keyEvent(bool down)
{
    INPUT_RECORD event{};
    event.EventType = KEY_EVENT;
    event.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
    return event;
}

INPUT_RECORD otherEvent(WORD type)
{
    INPUT_RECORD event{};
    event.EventType = type;
    return event;
}

static long bytesWritten(int fd)
{
    struct stat status;
    return fstat(fd, &status) == 0 ? static_cast<long>(status.st_size) : -1;
}

static std::string handleName(HANDLE handle)
{
    if (handle == &processHandle)
        return "process";
    if (handle == &threadHandle)
        return "thread";
    if (handle == &inputHandle)
        return "input";
    return "unknown";
}

} // namespace fake

using namespace fake;

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    seen.calls.push_back(std::string("GetModuleFileNameA ") + (module ? "module" : "NULL") + " " +
                         std::to_string(size));
    size_t copied = script.modulePath.size() < size ? script.modulePath.size() : size - 1;
    memcpy(fileName, script.modulePath.data(), copied);
    fileName[copied] = '\0';
    if (script.moduleLength >= 0)
        return static_cast<DWORD>(script.moduleLength);
    return script.modulePath.size() < size ? static_cast<DWORD>(copied) : size;
}

BOOL SetConsoleTitleA(LPCSTR title)
{
    seen.calls.push_back(std::string("SetConsoleTitleA ") + title);
    return TRUE;
}

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation)
{
    seen.calls.push_back("CreateProcessA");
    CreateProcessCall& call = seen.createProcess;
    call.applicationNameNull = applicationName == NULL;
    call.commandLine = commandLine;
    call.processAttributesNull = processAttributes == NULL;
    call.threadAttributesNull = threadAttributes == NULL;
    call.inheritHandles = inheritHandles;
    call.creationFlags = creationFlags;
    call.environmentNull = environment == NULL;
    call.currentDirectory = currentDirectory ? currentDirectory : "(null)";
    call.startupInfo = *startupInfo;
    call.processInformationOnEntry = *processInformation;
    if (!script.startSucceeds) {
        lastError = script.startError;
        return FALSE;
    }
    processInformation->hProcess = &processHandle;
    processInformation->hThread = &threadHandle;
    processInformation->dwProcessId = 100;
    processInformation->dwThreadId = 104;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    seen.calls.push_back("WaitForSingleObject " + handleName(handle) + " " +
                         (milliseconds == INFINITE ? "INFINITE" : std::to_string(milliseconds)));
    if (handle != &inputHandle)
        return WAIT_OBJECT_0;
    if (!seen.input.empty() && kEventDelay <= milliseconds) {
        seen.clock += kEventDelay;
        return WAIT_OBJECT_0;
    }
    seen.clock += milliseconds;
    return WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE handle)
{
    seen.calls.push_back("CloseHandle " + handleName(handle));
    return TRUE;
}

DWORD GetLastError(void)
{
    seen.calls.push_back("GetLastError");
    seen.stdoutBytesAtGetLastError = bytesWritten(1);
    seen.stderrBytesAtGetLastError = bytesWritten(2);
    return lastError;
}

HANDLE GetStdHandle(DWORD which)
{
    return which == STD_INPUT_HANDLE ? &inputHandle : NULL;
}

DWORD GetConsoleProcessList(DWORD* processes, DWORD count)
{
    seen.calls.push_back("GetConsoleProcessList");
    for (DWORD i = 0; i < count && i < script.consoleProcesses; ++i)
        processes[i] = 100 + i;
    if (script.consoleProcesses > 0) // the events typed so far
        seen.input.assign(script.inputBefore.begin(), script.inputBefore.end());
    return script.consoleProcesses;
}

BOOL GetConsoleMode(HANDLE console, DWORD* mode)
{
    seen.calls.push_back("GetConsoleMode " + handleName(console));
    *mode = 0x1f7;
    return script.consoleProcesses > 0 && console == &inputHandle && script.inputIsConsole;
}

BOOL FlushConsoleInputBuffer(HANDLE input)
{
    seen.calls.push_back("FlushConsoleInputBuffer " + handleName(input));
    // What was typed before is gone; what the user types now arrives.
    seen.input.assign(script.inputAfter.begin(), script.inputAfter.end());
    return TRUE;
}

BOOL ReadConsoleInputA(HANDLE input, INPUT_RECORD* buffer, DWORD length, DWORD* read)
{
    seen.calls.push_back("ReadConsoleInputA " + handleName(input));
    *read = 0;
    // Like the real call, it blocks for an event; here one must be there.
    if (seen.input.empty() || length == 0)
        return FALSE;
    *buffer = seen.input.front();
    seen.input.pop_front();
    *read = 1;
    return TRUE;
}

ULONGLONG GetTickCount64(void)
{
    return seen.clock;
}
