#include "platform/windows_files.h"

#include <io.h>

// Empty when `text` is not valid UTF-8: such text cannot name a file that was typed.
std::wstring wide_of(const std::string& text) {
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
    if (size <= 1) {
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, &wide[0], size);
    wide.pop_back();
    return wide;
}

bool file_identity(int fd, BY_HANDLE_FILE_INFORMATION& info) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(handle, &info) != 0;
}
