/* The least a launcher can be: the same platform calls as the real one, in
 * the same order, with no C runtime at all (its own entry point, linked
 * without the standard libraries). Built by the benchmark only, never
 * shipped: it checks nothing and reports no failure. */

#include <windows.h>

static const char kBanner[] = "Quillmesh Connector starting...\r\n\r\n";
static const char kPython[] = "\\py\\python.exe\" \"";
static const char kScript[] = "\\quillmesh-connector.py\"";

static char* append(char* to, const char* from, const char* end)
{
    while (from < end)
        *to++ = *from++;
    return to;
}

void entry(void)
{
    char folder[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, folder, MAX_PATH);
    char* cut = folder + length;
    while (*cut != '\\')
        --cut;
    *cut = '\0';

    char commandLine[616];
    char* at = commandLine;
    *at++ = '"';
    at = append(at, folder, cut);
    at = append(at, kPython, kPython + sizeof kPython - 1);
    at = append(at, folder, cut);
    at = append(at, kScript, kScript + sizeof kScript);

    SetConsoleTitleA("Quillmesh Connector");
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), kBanner, sizeof kBanner - 1, &written, NULL);

    STARTUPINFOA startup = {0};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {0};
    CreateProcessA(NULL, commandLine, NULL, NULL, TRUE, 0, NULL, folder, &startup, &process);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ExitProcess(0);
}
