// The launcher's source run on the host against fake Win32 calls, for what
// Wine cannot produce: an unavailable or backslash-free module path, the exact
// arguments of the start, the order of the calls around it, and the console
// input that ends the wait after a failure.

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fake-win32.h"

int launcher_main(); // the launcher's main, renamed for the host build

namespace {

const char kBanner[] = "Quillmesh Connector starting...\n\n";
const char kTitleCall[] = "SetConsoleTitleA Quillmesh Connector";
const char kFolderFailure[] = "Could not locate this program's folder.\n";
const char kPathFailure[] = "Unexpected install path.\n";
const char kStartFailure2[] = "Could not start the bundled Python (error 2).\n"
                              "Try double-clicking 'Run Connector.bat' in the same folder.\n";
const char kPrompt[] = "Press any key to close this window.\n";
const ULONGLONG kKeyWait = 60000;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs the launcher with stdout and stderr sent to files, as a redirected
// launcher's would be, so the fake can see what was written when.
Outcome runLauncher()
{
    char outPath[] = "/tmp/launcher-out-XXXXXX";
    char errPath[] = "/tmp/launcher-err-XXXXXX";
    int outFile = mkstemp(outPath), errFile = mkstemp(errPath);
    fflush(stdout);
    fflush(stderr);
    int savedOut = dup(1), savedErr = dup(2);
    dup2(outFile, 1);
    dup2(errFile, 2);

    int status = launcher_main();

    fflush(stdout);
    fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    for (int fd : {savedOut, savedErr, outFile, errFile})
        close(fd);
    auto slurp = [](const char* path) {
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        unlink(path);
        return text.str();
    };
    return {status, slurp(outPath), slurp(errPath)};
}

class Launcher : public testing::Test {
  protected:
    void SetUp() override { fake::reset(); }
};

struct EarlyFailure {
    const char* name;
    std::string modulePath;
    long moduleLength; // -1: what the platform returns for this path
    const char* message;
};

TEST_F(Launcher, EarlyFailuresLeaveTitleAloneAndPrintNoBanner)
{
    // A cut-short path is produced for real under Wine; these are not.
    const EarlyFailure cases[] = {
        {"path unavailable", "", 0, kFolderFailure},
        {"no backslash", "launcher.exe", -1, kPathFailure},
        {"forward slashes only", "C:/Tools/launcher.exe", -1, kPathFailure},
    };
    for (const EarlyFailure& c : cases) {
        SCOPED_TRACE(c.name);
        fake::reset();
        fake::script.modulePath = c.modulePath;
        fake::script.moduleLength = c.moduleLength;
        Outcome outcome = runLauncher();
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, c.message);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(fake::seen.calls, (std::vector<std::string>{"GetModuleFileNameA NULL 260",
                                                              "GetConsoleProcessList"}));
    }
}

TEST_F(Launcher, StartsInterpreterWithExactlyTheDocumentedArguments)
{
    fake::script.modulePath = "D:\\Tools\\My Connector\\Quillmesh Connector.exe";
    Outcome outcome = runLauncher();

    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, kBanner);
    EXPECT_EQ(outcome.err, "");
    const fake::CreateProcessCall& call = fake::seen.createProcess;
    EXPECT_TRUE(call.applicationNameNull);
    EXPECT_EQ(call.commandLine, "\"D:\\Tools\\My Connector\\py\\python.exe\" "
                                "\"D:\\Tools\\My Connector\\quillmesh-connector.py\"");
    EXPECT_TRUE(call.processAttributesNull);
    EXPECT_TRUE(call.threadAttributesNull);
    EXPECT_EQ(call.inheritHandles, TRUE);
    EXPECT_EQ(call.creationFlags, 0u);
    EXPECT_TRUE(call.environmentNull);
    EXPECT_EQ(call.currentDirectory, "D:\\Tools\\My Connector");

    // Only the size is set: no window settings, no standard handles.
    STARTUPINFOA expectedStartup;
    memset(&expectedStartup, 0, sizeof expectedStartup);
    expectedStartup.cb = sizeof(STARTUPINFOA);
    EXPECT_EQ(memcmp(&call.startupInfo, &expectedStartup, sizeof expectedStartup), 0);
    PROCESS_INFORMATION zeroProcess;
    memset(&zeroProcess, 0, sizeof zeroProcess);
    EXPECT_EQ(memcmp(&call.processInformationOnEntry, &zeroProcess, sizeof zeroProcess), 0);

    // Title before the start; then an unbounded wait, and the thread handle
    // closed before the process handle.
    EXPECT_EQ(fake::seen.calls, (std::vector<std::string>{
                                    "GetModuleFileNameA NULL 260",
                                    kTitleCall,
                                    "CreateProcessA",
                                    "WaitForSingleObject process INFINITE",
                                    "CloseHandle thread",
                                    "CloseHandle process",
                                }));
}

TEST_F(Launcher, StartFailureReportsTheStartsOwnErrorBeforeAnyOtherOutput)
{
    for (DWORD error : {2ul, 193ul, 4294967295ul}) {
        SCOPED_TRACE(error);
        fake::reset();
        fake::script.startSucceeds = false;
        fake::script.startError = error;
        Outcome outcome = runLauncher();
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.out, kBanner);
        EXPECT_EQ(outcome.err,
                  "Could not start the bundled Python (error " + std::to_string(error) +
                      ").\nTry double-clicking 'Run Connector.bat' in the same folder.\n");
        // Read straight after the failed start: the banner was already out,
        // nothing of the failure text yet, and no handle to close.
        EXPECT_EQ(fake::seen.calls, (std::vector<std::string>{
                                        "GetModuleFileNameA NULL 260",
                                        kTitleCall,
                                        "CreateProcessA",
                                        "GetLastError",
                                        "GetConsoleProcessList",
                                    }));
        EXPECT_EQ(fake::seen.stdoutBytesAtGetLastError, static_cast<long>(strlen(kBanner)));
        EXPECT_EQ(fake::seen.stderrBytesAtGetLastError, 0);
    }
}

// The three failures, as the fake produces them.
struct Failure {
    const char* name;
    void (*arrange)();
    const char* message;
};

const Failure kFailures[] = {
    {"folder failure", [] { fake::script.moduleLength = 0; }, kFolderFailure},
    {"path failure", [] { fake::script.modulePath = "launcher.exe"; }, kPathFailure},
    {"start failure",
     [] {
         fake::script.startSucceeds = false;
         fake::script.startError = 2;
     },
     kStartFailure2},
};

struct ConsoleCase {
    const char* name;
    DWORD consoleProcesses; // 0: no console at all
    bool inputIsConsole;
    bool holdsMessage;
};

TEST_F(Launcher, FailureWaitsForAKeyOnlyInAConsoleOfItsOwn)
{
    const ConsoleCase consoles[] = {
        {"no console", 0, false, false},
        {"console shared with a shell", 2, true, false},
        {"own console, input redirected", 1, false, false},
        {"own console, input from it", 1, true, true},
    };
    for (const Failure& failure : kFailures) {
        for (const ConsoleCase& console : consoles) {
            SCOPED_TRACE(std::string(failure.name) + ", " + console.name);
            fake::reset();
            failure.arrange();
            fake::script.consoleProcesses = console.consoleProcesses;
            fake::script.inputIsConsole = console.inputIsConsole;
            fake::script.inputAfter = {fake::keyEvent(true)};
            Outcome outcome = runLauncher();
            EXPECT_EQ(outcome.status, 1);
            EXPECT_EQ(outcome.err,
                      std::string(failure.message) + (console.holdsMessage ? kPrompt : ""));
            bool waited = false;
            for (const std::string& call : fake::seen.calls)
                waited |= call.rfind("WaitForSingleObject input", 0) == 0;
            EXPECT_EQ(waited, console.holdsMessage);
            EXPECT_TRUE(fake::seen.input.empty() || !console.holdsMessage);
        }
    }
}

TEST_F(Launcher, OnlyAKeyGoingDownAfterThePromptEndsTheWait)
{
    fake::script.modulePath = "launcher.exe";
    fake::script.consoleProcesses = 1;
    fake::script.inputIsConsole = true;
    // Typed before the prompt appeared: must not count.
    fake::script.inputBefore = {fake::keyEvent(true)};
    fake::script.inputAfter = {
        fake::keyEvent(false),         fake::otherEvent(MOUSE_EVENT),
        fake::otherEvent(FOCUS_EVENT), fake::otherEvent(WINDOW_BUFFER_SIZE_EVENT),
        fake::keyEvent(true),          fake::keyEvent(true)};
    Outcome outcome = runLauncher();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, std::string(kPathFailure) + kPrompt);
    // Five events read, the first key down among them ending the wait; the
    // second key down is left for whoever reads next.
    EXPECT_EQ(fake::seen.input.size(), 1u);
    EXPECT_EQ(fake::seen.clock, 1000000u + 5 * 500);
}

TEST_F(Launcher, WaitEndsByItselfAfterAMinute)
{
    const std::vector<INPUT_RECORD> releasesOnly(400, fake::keyEvent(false));
    const struct {
        const char* name;
        std::vector<INPUT_RECORD> before, after;
    } cases[] = {
        {"nothing typed", {}, {}},
        {"a key typed before the prompt only", {fake::keyEvent(true)}, {}},
        {"a stream of events that are no key press", {}, releasesOnly},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake::reset();
        fake::script.moduleLength = 0;
        fake::script.consoleProcesses = 1;
        fake::script.inputIsConsole = true;
        fake::script.inputBefore = c.before;
        fake::script.inputAfter = c.after;
        Outcome outcome = runLauncher();
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, std::string(kFolderFailure) + kPrompt);
        EXPECT_EQ(fake::seen.clock - 1000000u, kKeyWait);
    }
}

} // namespace
