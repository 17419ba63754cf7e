// Test helper: starts a program with a command line given byte for byte.
//
//   command_line_launcher COMMAND_LINE_FILE PROGRAM
//
// The whole content of COMMAND_LINE_FILE (no line end added or taken away)
// becomes the raw command line of PROGRAM, so no shell and no quoting of
// our own stands between the test and what the program receives. Standard
// handles are passed on; the exit status is the program's, or 250 when it
// could not be started.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: command_line_launcher COMMAND_LINE_FILE PROGRAM\n");
        return 250;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "launcher: cannot open %s\n", argv[1]);
        return 250;
    }
    std::vector<char> line;
    int byte;
    while ((byte = std::fgetc(file)) != EOF) line.push_back(static_cast<char>(byte));
    std::fclose(file);
    line.push_back('\0');

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(argv[2], line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "launcher: cannot start %s (error %lu)\n", argv[2], GetLastError());
        return 250;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 250;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}
