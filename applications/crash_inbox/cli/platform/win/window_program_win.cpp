#include "crash_inbox/cli/platform/window_program.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace CrashInbox::Platform {
namespace {

// The command line as it was given, without the program's own name.
std::wstring argumentsGiven()
{
    const std::wstring line = GetCommandLineW();
    std::size_t end = 0;
    if (!line.empty() && line[0] == L'"') {
        end = line.find(L'"', 1);
        end = end == std::wstring::npos ? line.size() : end + 1;
    } else {
        end = line.find_first_of(L" \t");
        end = end == std::wstring::npos ? line.size() : end;
    }
    return line.substr(end);
}

} // namespace

int runWindowProgram(char** argv)
{
    (void)argv; // the command line is taken whole, as Windows quotes it
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length == MAX_PATH) {
        std::fprintf(stderr, "q5-crash-inbox: the window's program cannot be found\n");
        return 2;
    }
    std::wstring program(self, length);
    program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"q5-crash-inbox-window.exe";
    std::wstring commandLine = L"\"" + program + L"\"" + argumentsGiven();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Windows has no exec: the window runs as a child, and its status is ours.
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &process)) {
        std::fprintf(stderr, "q5-crash-inbox: the window's program cannot be started (error %lu)\n",
                     GetLastError());
        return 2;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 2;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return int(status);
}

} // namespace CrashInbox::Platform
