#include "platform/platform.h"

#include "platform/windows_files.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

// The C runtime's own splitting of the UTF-16 command line into arguments, as it does for argv.
// The name is the runtime's, reserved as it is.
extern "C" {
struct startup_info {
    int new_mode;
};
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** env, int expand_wildcards,
                   startup_info* info);
}

namespace {

// _read takes at most an unsigned int's count: requests are cut to this.
constexpr unsigned read_limit = 1u << 30;

input_file input_of(int fd) {
    struct _stati64 status {};
    const bool sized = _fstati64(fd, &status) == 0 && (status.st_mode & _S_IFREG) != 0;
    return input_file{fd, sized, sized ? static_cast<std::uint64_t>(status.st_size) : 0, 0};
}

std::string utf8_of(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], size, nullptr, nullptr);
    text.pop_back(); // the terminating NUL
    return text;
}

// The console that `out` writes to, or nullptr when it is redirected to a file or a pipe.
HANDLE console_of(std::FILE* out) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0 ? handle : nullptr;
}

} // namespace

void hold_standard_streams() {
    for (int fd = 0; fd <= 2; ++fd) {
        const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
        if (handle != INVALID_HANDLE_VALUE && handle != nullptr &&
            handle != reinterpret_cast<HANDLE>(-2)) {
            continue;
        }
        const int null = _open("NUL", _O_RDONLY | _O_BINARY);
        if (null >= 0 && null != fd) {
            _dup2(null, fd);
            _close(null);
        }
    }
}

program_args program_arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = nullptr;
    wchar_t** env = nullptr;
    startup_info info{0};
    if (__wgetmainargs(&count, &wide, &env, 0, &info) < 0 || wide == nullptr) {
        return program_args{argc, argv};
    }
    // Kept for the whole run, as argv is.
    auto** values = new char*[static_cast<std::size_t>(count) + 1];
    for (int i = 0; i < count; ++i) {
        const std::string text = utf8_of(wide[i]);
        values[i] = new char[text.size() + 1];
        text.copy(values[i], text.size());
        values[i][text.size()] = '\0';
    }
    values[count] = nullptr;
    return program_args{count, values};
}

bool open_input(const char* name, input_file& in) {
    const std::wstring wide = wide_of(name);
    const int fd = wide.empty() ? -1 : _wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
    struct _stati64 status {};
    if (fd < 0 || _fstati64(fd, &status) != 0 || (status.st_mode & _S_IFDIR) != 0) {
        if (fd >= 0) {
            _close(fd);
        }
        return false;
    }
    in = input_of(fd);
    return true;
}

input_file open_standard_input() {
    _setmode(0, _O_BINARY); // bytes as stored: no CR LF translation, no end at Ctrl-Z
    input_file in = input_of(0);
    // A file that the shell has read into already is taken as a stream from there on.
    if (in.sized && _lseeki64(0, 0, SEEK_CUR) != 0) {
        in = input_file{0, false, 0, 0};
    }
    return in;
}

void close_input(input_file& in) {
    if (in.fd >= 0) {
        _close(in.fd);
    }
    in.fd = -1;
}

long read_input(input_file& in, void* buffer, std::size_t size) {
    const unsigned request = size < read_limit ? static_cast<unsigned>(size) : read_limit;
    int n = 0;
    do {
        n = _read(in.fd, buffer, request);
    } while (n < 0 && errno == EINTR);
    if (n == 0 && in.sized && in.delivered < in.size) {
        return -1;
    }
    in.delivered += n > 0 ? static_cast<std::uint64_t>(n) : 0;
    return n < 0 ? -1 : n;
}

long read_input_at(input_file& in, std::uint64_t offset, void* buffer, std::size_t size) {
    if (_lseeki64(in.fd, static_cast<__int64>(offset), SEEK_SET) < 0) {
        return -1;
    }
    const unsigned request = size < read_limit ? static_cast<unsigned>(size) : read_limit;
    return _read(in.fd, buffer, request);
}

// From malloc, never from new: running out of memory for an image is a message of its own.
std::uint8_t* take_image_chunk() {
    return static_cast<std::uint8_t*>(std::malloc(image_chunk_size));
}

void give_back_image_chunk(std::uint8_t* chunk) {
    std::free(chunk);
}

bool is_terminal(std::FILE* out) {
    return _isatty(_fileno(out)) != 0;
}

bool writes_to_input(std::FILE* out, const input_file& in) {
    // When standard output was closed, the input took its descriptor: writing will fail.
    BY_HANDLE_FILE_INFORMATION output{};
    BY_HANDLE_FILE_INFORMATION input{};
    return _fileno(out) != in.fd && file_identity(_fileno(out), output) &&
           file_identity(in.fd, input) &&
           output.dwVolumeSerialNumber == input.dwVolumeSerialNumber &&
           output.nFileIndexHigh == input.nFileIndexHigh &&
           output.nFileIndexLow == input.nFileIndexLow;
}

bool write_line(std::FILE* out, std::initializer_list<const char*> pieces) {
    std::string line;
    for (const char* piece : pieces) {
        line += piece;
    }
    const HANDLE console = console_of(out);
    if (console == nullptr) {
        return std::fputs(line.c_str(), out) != EOF && std::fputc('\n', out) != EOF;
    }
    // What the stream holds goes first, so the line keeps its place after the listing.
    std::fflush(out);
    const std::wstring wide = wide_of(line) + L"\r\n";
    DWORD written = 0;
    return WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written,
                         nullptr) != 0 &&
           written == wide.size();
}
