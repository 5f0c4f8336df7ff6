// GetLastError and SetLastError keep one code per thread, as on Windows.
#include "platform/linux/kernel/last_error.h"

#include <cerrno>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;  // this thread's last-error code

struct ErrnoCode {
    int error;
    DWORD code;
};

const ErrnoCode ErrnoCodes[] = {
    {0, ERROR_SUCCESS},
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EROFS, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EEXIST, ERROR_FILE_EXISTS},
    {ENOTEMPTY, ERROR_ACCESS_DENIED},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EFBIG, ERROR_DISK_FULL},
    {EWOULDBLOCK, ERROR_SHARING_VIOLATION},
    {EBUSY, ERROR_SHARING_VIOLATION},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ELOOP, ERROR_PATH_NOT_FOUND},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EIO, ERROR_WRITE_FAULT},
};

}  // namespace

DWORD win32ErrorFromErrno(int error) {
    for (const ErrnoCode& entry : ErrnoCodes) {
        if (entry.error == error) return entry.code;
    }
    return ERROR_ACCESS_DENIED;
}

void setLastErrorFromErrno(int error) {
    lastError = win32ErrorFromErrno(error);
}

DWORD WINAPI GetLastError() {
    return lastError;
}

void WINAPI SetLastError(DWORD error) {
    lastError = error;
}
