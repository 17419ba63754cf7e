// Test helper: starts a program on this console, sends it a console control
// event when told to, and reports how the program ended.
//
//   console_event_launcher EVENT PROGRAM [ARGUMENT ...]
//
// EVENT is c (Ctrl-C) or break (Ctrl-Break). PROGRAM starts with the
// arguments given (quoted the simple way: none may hold a blank or a quote)
// and the standard input NUL. The launcher sends the event once a line
// arrives on its own standard input, or at once when that input ends first,
// then waits for the program and prints its exit status as
// "status=0xXXXXXXXX". Exit status 0 once the program has ended; 250 when
// it could not be started, 251 when the event could not be sent.
#include <cstdio>
#include <cstring>
#include <string>

#include <windows.h>

namespace {
// The launcher shares the console with the program: the event reaches it
// too, and must not end it.
BOOL WINAPI ignore_event(DWORD) { return TRUE; }
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::strcmp(argv[1], "c") != 0 && std::strcmp(argv[1], "break") != 0)) {
        std::fprintf(stderr, "usage: console_event_launcher c|break PROGRAM [ARGUMENT ...]\n");
        return 250;
    }
    DWORD event = std::strcmp(argv[1], "c") == 0 ? CTRL_C_EVENT : CTRL_BREAK_EVENT;
    std::string line = argv[2];
    for (int index = 3; index < argc; ++index) line += std::string(" ") + argv[index];

    // A console of its own for the program to share: under Wine, started
    // with pipes as standard handles, the launcher has none that takes
    // events.
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    FreeConsole();
    if (!AllocConsole()) std::fprintf(stderr, "launcher: no console (error %lu)\n", GetLastError());

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(argv[2], line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "launcher: cannot start %s (error %lu)\n", argv[2], GetLastError());
        return 250;
    }
    // Installed after the start, so the program does not inherit it.
    SetConsoleCtrlHandler(ignore_event, TRUE);

    char go[16];
    if (std::fgets(go, sizeof go, stdin) == nullptr) go[0] = '\0';
    if (!GenerateConsoleCtrlEvent(event, 0)) {
        std::fprintf(stderr, "launcher: cannot send the event (error %lu)\n", GetLastError());
        TerminateProcess(process.hProcess, 251);
        return 251;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    std::printf("status=0x%08lX\n", status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
