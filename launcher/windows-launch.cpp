// Quillmesh Connector launcher.
//
// Double-clicked in the install folder, it starts the bundled interpreter
// py\python.exe with quillmesh-connector.py in the same console, with the
// install folder as working directory, waits for it and ends. It reads no
// arguments, no environment and no configuration: the folder layout is its
// only input.

#include <windows.h>

#include <stdio.h>
#include <string.h>

// Buffer sizes count bytes, terminator included. A folder is at most
// kModulePathSize - 2 bytes, so the command line (two folders plus the fixed
// text around them) never exceeds 2 * 258 + 42 = 558 bytes.
static const DWORD kModulePathSize = 260;
static const size_t kCommandLineSize = 616;
// How long a failure message is held on screen at most, waiting for a key.
static const DWORD kKeyWaitMilliseconds = 60 * 1000;

static const char kConsoleTitle[] = "Quillmesh Connector";
static const char kStartBanner[] = "Quillmesh Connector starting...\n\n";
static const char kCommandLineFormat[] = "\"%s\\py\\python.exe\" \"%s\\quillmesh-connector.py\"";
static const char kFolderFailure[] = "Could not locate this program's folder.\n";
static const char kPathFailure[] = "Unexpected install path.\n";
static const char kStartFailure[] = "Could not start the bundled Python (error %lu).\n"
                                    "Try double-clicking 'Run Connector.bat' in the same folder.\n";
static const char kPressAnyKey[] = "Press any key to close this window.\n";

// After a failure: when the console is ours alone, as after a double-click,
// it closes the moment we end, taking the message with it. Hold it open until
// a key goes down, but never longer than kKeyWaitMilliseconds, so that a
// console nobody sees cannot hang. A console shared with a shell, or standard
// input that is not the console, needs no holding: we leave at once.
static void keepMessageOnScreen()
{
    DWORD attached[2];
    DWORD mode;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (GetConsoleProcessList(attached, 2) != 1 || !GetConsoleMode(input, &mode))
        return;

    fputs(kPressAnyKey, stderr);
    // Only a key pressed after the prompt counts.
    FlushConsoleInputBuffer(input);
    ULONGLONG deadline = GetTickCount64() + kKeyWaitMilliseconds;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        if (WaitForSingleObject(input, (DWORD)(deadline - now)) != WAIT_OBJECT_0)
            break;
        // Releases, mouse, focus and resize events are read and passed over.
        INPUT_RECORD event;
        DWORD read;
        if (!ReadConsoleInputA(input, &event, 1, &read))
            break;
        if (read == 1 && event.EventType == KEY_EVENT && event.Event.KeyEvent.bKeyDown)
            break;
    }
}

int main()
{
    // Our own executable's path tells us where the install folder is.
    char folder[kModulePathSize];
    DWORD length = GetModuleFileNameA(NULL, folder, kModulePathSize);

    // 0 means no path; the full buffer size means the path was cut short.
    if (length - 1 > kModulePathSize - 2) {
        fputs(kFolderFailure, stderr);
        keepMessageOnScreen();
        return 1;
    }

    // The install folder is everything before the last backslash.
    char* cut = strrchr(folder, '\\');
    if (cut == NULL) {
        fputs(kPathFailure, stderr);
        keepMessageOnScreen();
        return 1;
    }
    *cut = '\0';

    // Both paths are absolute and quoted, so spaces in the folder are safe and
    // the interpreter is found by its full path, never by a search.
    char commandLine[kCommandLineSize];
    snprintf(commandLine, sizeof commandLine, kCommandLineFormat, folder, folder);

    // For a launcher in a drive's root the folder is a bare "C:", which as a
    // working directory would mean that drive's current directory, not its
    // root: give the interpreter the root itself. The command line keeps the
    // bare form, which already names the root once "\py\..." follows.
    if (cut > folder && cut[-1] == ':') {
        cut[0] = '\\';
        cut[1] = '\0';
    }

    SetConsoleTitleA(kConsoleTitle);
    fputs(kStartBanner, stdout);
    // When our output is a file or pipe, the banner must land before the
    // interpreter's output, as it does on a console.
    fflush(stdout);

    // The interpreter shares our console, standard handles and environment.
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);

    if (!CreateProcessA(NULL, commandLine, NULL, NULL, TRUE, 0, NULL, folder, &startup, &process)) {
        // Read the error before any output can overwrite it.
        DWORD error = GetLastError();
        fprintf(stderr, kStartFailure, error);
        keepMessageOnScreen();
        return 1;
    }

    // From here the connector runs in the console; we only wait for it. Its
    // own exit status is its own to report: ours says the start succeeded.
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
