// The image written on Windows: beside its name, then moved into its place.

#include "platform/platform.h"
#include "platform/windows_files.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

output_file standard_output_for_bytes() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    return output_file{stdout, "-", nullptr, nullptr, false};
}

bool open_output(const char* name, output_file& out) {
    out = output_file{nullptr, name, nullptr, nullptr, false};
    const std::string named(name);
    const std::size_t slash = named.find_last_of("/\\:");
    const std::string folder = slash == std::string::npos ? "" : named.substr(0, slash + 1);
    // A short name no other writer takes: the process, and a count of tries.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = folder + ".pagetally." +
                                      std::to_string(GetCurrentProcessId()) + "-" +
                                      std::to_string(attempt);
        const int fd = _wopen(wide_of(temporary).c_str(),
                              _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            out.temporary = static_cast<char*>(std::malloc(temporary.size() + 1));
            out.out = out.temporary != nullptr ? _fdopen(fd, "wb") : nullptr;
            if (out.out == nullptr) {
                _close(fd);
                _wunlink(wide_of(temporary).c_str());
                std::free(out.temporary);
                out.temporary = nullptr;
                return false;
            }
            temporary.copy(out.temporary, temporary.size());
            out.temporary[temporary.size()] = '\0';
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

bool commit_output(output_file& out) {
    if (out.temporary == nullptr) {
        return std::fflush(out.out) == 0 && std::ferror(out.out) == 0;
    }
    const bool written = std::ferror(out.out) == 0;
    const bool closed = std::fclose(out.out) == 0;
    out.out = nullptr;
    const std::wstring name = wide_of(out.name);
    // A file that exists keeps its attributes, read-only among them.
    const DWORD attributes = GetFileAttributesW(name.c_str());
    const bool kept = attributes != INVALID_FILE_ATTRIBUTES;
    if (kept && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(name.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    if (!written || !closed ||
        MoveFileExW(wide_of(out.temporary).c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING) == 0) {
        if (kept) {
            SetFileAttributesW(name.c_str(), attributes);
        }
        discard_output(out);
        return false;
    }
    if (kept) {
        SetFileAttributesW(name.c_str(), attributes);
    }
    std::free(out.temporary);
    out.temporary = nullptr;
    return true;
}

void discard_output(output_file& out) {
    if (out.temporary == nullptr) {
        return;
    }
    if (out.out != nullptr) {
        std::fclose(out.out);
        out.out = nullptr;
    }
    _wunlink(wide_of(out.temporary).c_str());
    std::free(out.temporary);
    out.temporary = nullptr;
}

bool names_input(const char* name, const input_file& in) {
    const int fd = _wopen(wide_of(name).c_str(), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION named{};
    BY_HANDLE_FILE_INFORMATION input{};
    const bool same = file_identity(fd, named) && file_identity(in.fd, input) &&
                      named.dwVolumeSerialNumber == input.dwVolumeSerialNumber &&
                      named.nFileIndexHigh == input.nFileIndexHigh &&
                      named.nFileIndexLow == input.nFileIndexLow;
    _close(fd);
    return same;
}

const char* text_line_end() {
    return "\r\n";
}
