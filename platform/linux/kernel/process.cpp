// Win32 process calls on POSIX: current directory, command line, module
// handle, thread id and sleeping. The program sees names and arguments in the ANSI code page;
// the system keeps them in UTF-8. A character the code page cannot hold comes
// back as '?', as from the platform's 8-bit calls.
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/code_page.h"
#include "platform/linux/kernel/last_error.h"

namespace {

// The handle of the program's own module; any fixed non-null value serves.
const HMODULE ProgramModule = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x400000));

// Appends one argument quoted as the Windows argument parser expects it back:
// plain when it has no blank or quote, else in quotes with backslashes before
// a quote doubled and the quote escaped.
void appendArgument(std::string& line, const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        line += argument;
        return;
    }
    line += '"';
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            backslashes++;
            continue;
        }
        line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, '\\');
    line += '"';
}

std::string buildCommandLine() {
    std::ifstream source("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
    std::string line;
    std::size_t start = 0;
    while (start < raw.size()) {
        std::size_t end = raw.find('\0', start);
        if (end == std::string::npos) end = raw.size();
        if (!line.empty()) line += ' ';
        appendArgument(line, utf8ToAnsiBestFit(std::string_view(raw).substr(start, end - start)));
        start = end + 1;
    }
    return line;
}

}  // namespace

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    char* utf8Path = ::getcwd(nullptr, 0);  // any length, allocated by the C library
    if (!utf8Path) {
        setLastErrorFromErrno(errno);
        return 0;
    }
    const std::string path = utf8ToAnsiBestFit(utf8Path);
    std::free(utf8Path);
    DWORD length = static_cast<DWORD>(path.size());
    if (!buffer || size <= length) return length + 1;  // size needed, terminator included
    std::memcpy(buffer, path.c_str(), length + 1);
    return length;
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR path) {
    if (!path || ::chdir(ansiToUtf8(path).c_str()) != 0) {
        setLastErrorFromErrno(path ? errno : EINVAL);
        return FALSE;
    }
    return TRUE;
}

LPSTR WINAPI GetCommandLineA() {
    static std::string commandLine = buildCommandLine();  // built once, kept for the process
    return commandLine.data();
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    if (!moduleName) return ProgramModule;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

DWORD WINAPI GetCurrentThreadId() {
    return static_cast<DWORD>(::syscall(SYS_gettid));
}

void WINAPI Sleep(DWORD milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
