// The one header through which all code reaches the platform: the real
// <windows.h> on Windows, the project's own declarations elsewhere.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// After <windows.h>, whose types they use.
#include <commdlg.h>
#include <objbase.h>
#include <oleacc.h>
#else
#include "platform/linux/winapi.h"
#endif
