// Process entry: hands the command-line tail to the application and exits
// with its result.
#include <cstdlib>

#include "app/app_main.h"
#include "app/command_line.h"
#include "platform/win32.h"

int main() {
    char* tail = commandLineTail(GetCommandLineA());
    std::exit(appMain(GetModuleHandleA(nullptr), nullptr, tail, SW_SHOWNORMAL));
}
