// The part of a process command line after the program name.
#pragma once

// Returns a pointer into `commandLine` where the arguments begin: after a
// quoted program name (when its closing quote exists) or after the first
// space-delimited word, with the spaces that follow skipped. Only the space
// character separates. An unclosed quote yields the whole line.
char* commandLineTail(char* commandLine);
