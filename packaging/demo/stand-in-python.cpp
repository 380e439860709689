// Stand-in for py\python.exe in test and demo install folders. It is NOT
// Python: it runs no script. It reports what the launcher gave it, then
// behaves as the environment tells it, so tests can check the launcher from
// the child's side.
//
// Report (UTF-8, one "key: value" line each, on stdout or in STANDIN_REPORT):
//   commandline  the full command line exactly as the platform passed it
//   directory    the current directory
//   title        the console title, or "(no console)"
//   mark         the value of STANDIN_MARK, or "(unset)"
//   process      its own process id
//
// Behaviour, from the environment:
//   STANDIN_REPORT=<file>   write the report to that file instead of stdout
//   STANDIN_FLOOD=<n>       write n numbered lines to stdout and to stderr
//   STANDIN_SPAWN=<ms>      start a copy of itself that sleeps <ms> and is
//                           not waited for; its process id is reported, and
//                           it creates STANDIN_GRANDCHILD_DONE_FILE at its end
//   STANDIN_SLEEP_MS=<ms>   sleep before ending
//   STANDIN_DONE_FILE=<f>   create that file just before ending
//   STANDIN_CRASH=1         end by an access violation
//   STANDIN_EXIT=<n>        exit status (default 0)

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char kIdentity[] =
    "stand-in python: a test double of the bundled interpreter, not Python\n";

// Wide text to UTF-8, so that any folder name reaches the test undamaged.
static const char* utf8(const wchar_t* text, char* buffer, int size)
{
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, size, NULL, NULL) == 0)
        snprintf(buffer, size, "(unconvertible, error %lu)", GetLastError());
    return buffer;
}

static unsigned long numberFromEnvironment(const char* name, unsigned long fallback)
{
    const char* value = getenv(name);
    return value ? strtoul(value, NULL, 10) : fallback;
}

int main()
{
    static char text[65536];
    static wchar_t wide[32768];

    FILE* report = stdout;
    const char* reportPath = getenv("STANDIN_REPORT");
    if (reportPath && (report = fopen(reportPath, "w")) == NULL) {
        fprintf(stderr, "stand-in python: cannot write report to %s\n", reportPath);
        return 70;
    }

    fputs(kIdentity, report);
    fprintf(report, "commandline: %s\n", utf8(GetCommandLineW(), text, sizeof text));
    GetCurrentDirectoryW(32768, wide);
    fprintf(report, "directory: %s\n", utf8(wide, text, sizeof text));
    // An empty title still counts as a console; only a failure means none.
    SetLastError(ERROR_SUCCESS);
    if (GetConsoleTitleW(wide, 32768) > 0 || GetLastError() == ERROR_SUCCESS)
        fprintf(report, "title: %s\n", utf8(wide, text, sizeof text));
    else
        fputs("title: (no console)\n", report);
    const char* mark = getenv("STANDIN_MARK");
    fprintf(report, "mark: %s\n", mark ? mark : "(unset)");
    fprintf(report, "process: %lu\n", GetCurrentProcessId());

    unsigned long spawnSleep = numberFromEnvironment("STANDIN_SPAWN", 0);
    if (spawnSleep > 0) {
        // The grandchild must neither report nor spawn again.
        char sleepText[32];
        snprintf(sleepText, sizeof sleepText, "%lu", spawnSleep);
        SetEnvironmentVariableA("STANDIN_SPAWN", NULL);
        SetEnvironmentVariableA("STANDIN_REPORT", NULL);
        SetEnvironmentVariableA("STANDIN_SLEEP_MS", sleepText);
        SetEnvironmentVariableA("STANDIN_EXIT", "0");
        SetEnvironmentVariableA("STANDIN_CRASH", NULL);
        SetEnvironmentVariableA("STANDIN_FLOOD", NULL);
        SetEnvironmentVariableA("STANDIN_DONE_FILE", getenv("STANDIN_GRANDCHILD_DONE_FILE"));
        STARTUPINFOW startup;
        memset(&startup, 0, sizeof startup);
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(NULL, self, MAX_PATH);
        // No inherited handles: the grandchild must not hold the test's pipes.
        if (!CreateProcessW(self, NULL, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &startup,
                            &process)) {
            fprintf(stderr, "stand-in python: cannot spawn, error %lu\n", GetLastError());
            return 71;
        }
        fprintf(report, "grandchild: %lu\n", process.dwProcessId);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (report != stdout)
        fclose(report);

    unsigned long floodLines = numberFromEnvironment("STANDIN_FLOOD", 0);
    for (unsigned long line = 0; line < floodLines; ++line) {
        printf("out %08lu the quick brown fox jumps over the lazy dog\n", line);
        fprintf(stderr, "err %08lu the quick brown fox jumps over the lazy dog\n", line);
    }
    fflush(stdout);

    Sleep(numberFromEnvironment("STANDIN_SLEEP_MS", 0));
    const char* doneFile = getenv("STANDIN_DONE_FILE");
    if (doneFile) {
        FILE* done = fopen(doneFile, "w");
        if (done)
            fclose(done);
    }
    if (numberFromEnvironment("STANDIN_CRASH", 0) != 0)
        *(volatile int*)NULL = 1;
    return (int)numberFromEnvironment("STANDIN_EXIT", 0);
}
