#ifndef PAGETALLY_PLATFORM_WINDOWS_FILES_H
#define PAGETALLY_PLATFORM_WINDOWS_FILES_H

// Files on Windows, for the platform edge's own units: names as UTF-16, and which file a
// descriptor is.

#include <string>

#include <windows.h>

// Empty when `text` is not valid UTF-8: such text cannot name a file that was typed.
std::wstring wide_of(const std::string& text);

// The file that `fd` is open on, when it is a file on a disk.
bool file_identity(int fd, BY_HANDLE_FILE_INFORMATION& info);

#endif
