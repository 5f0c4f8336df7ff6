// Window classes registered by the program.
#pragma once

#include <string>

#include "platform/linux/winapi.h"

namespace winlayer {

struct WindowClass {
    std::string name;
    WNDPROC proc = nullptr;
    HICON icon = nullptr;
    HMENU menu = nullptr;  // the class menu, loaded at registration
};

// The registered class of that name (case-insensitive), or null.
const WindowClass* findClass(const char* name);

// True when the two class names are equal ignoring ASCII case.
bool sameName(const char* a, const char* b);

}  // namespace winlayer
