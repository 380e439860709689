#include "fake-win32.h"

#include <string.h>
#include <sys/stat.h>

namespace fake {

Script script;
Seen seen;
char processHandle;
char threadHandle;
static DWORD lastError;

void reset()
{
    script = Script();
    seen = Seen();
    lastError = 0;
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
    return 0;
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
