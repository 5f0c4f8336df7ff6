// The calling thread's last-error code and the translation of POSIX errno
// values into the Win32 codes that the kernel calls report.
#pragma once

#include "platform/win32.h"

// Win32 code for a POSIX errno value.
DWORD win32ErrorFromErrno(int error);

// SetLastError with the Win32 code for `error`.
void setLastErrorFromErrno(int error);
