// The command-line tail handed to the application (which ignores it).
#include "app/command_line.h"

char* commandLineTail(char* commandLine) {
    char* p = commandLine;
    if (*p == '"') {
        char* closing = p + 1;
        while (*closing != '\0' && *closing != '"') ++closing;
        if (*closing == '\0') return commandLine;
        p = closing + 1;
    } else {
        while (*p != '\0' && *p != ' ') ++p;
    }
    while (*p == ' ') ++p;
    return p;
}
