// The typed text on Windows: a regular file, added to at its end, cut back on failure.

#include "platform/platform.h"
#include "platform/windows_files.h"

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace {

int open_file(const char* name, int flags) {
    const std::wstring wide = wide_of(name);
    errno = EINVAL;
    return wide.empty() ? -1
                        : _wopen(wide.c_str(), flags | _O_RDWR | _O_BINARY | _O_NOINHERIT,
                                 _S_IREAD | _S_IWRITE);
}

} // namespace

bool open_typed(const char* name, typed_file& file) {
    file = typed_file{name, open_file(name, 0), 0, false};
    if (file.fd < 0) {
        return errno == ENOENT;
    }
    struct _stat64 status {};
    if (_fstat64(file.fd, &status) != 0 || (status.st_mode & _S_IFREG) == 0) {
        close_typed(file);
        return false;
    }
    file.size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

long read_typed(typed_file& file, std::uint64_t offset, char* buffer, std::size_t size) {
    if (file.fd < 0) {
        return 0;
    }
    if (_lseeki64(file.fd, static_cast<__int64>(offset), SEEK_SET) < 0) {
        return -1;
    }
    return _read(file.fd, buffer, static_cast<unsigned>(size < INT_MAX ? size : INT_MAX));
}

bool add_to_typed(typed_file& file, const char* text, std::size_t n) {
    if (file.fd < 0 && (file.fd = open_file(file.name, _O_CREAT | _O_EXCL)) < 0) {
        return false;
    }
    std::size_t done = 0;
    bool written = _lseeki64(file.fd, static_cast<__int64>(file.size), SEEK_SET) >= 0;
    while (written && done < n) {
        const int wrote = _write(file.fd, text + done, static_cast<unsigned>(n - done));
        written = wrote > 0;
        done += written ? static_cast<std::size_t>(wrote) : 0;
    }
    if (!written || (file.synced && _commit(file.fd) != 0)) {
        cut_typed(file, file.size);
        return false;
    }
    file.size += n;
    return true;
}

bool cut_typed(typed_file& file, std::uint64_t size) {
    if (file.fd < 0) {
        return size == 0;
    }
    if (_chsize_s(file.fd, static_cast<__int64>(size)) != 0) {
        return false;
    }
    file.size = size;
    return !file.synced || _commit(file.fd) == 0;
}

void close_typed(typed_file& file) {
    if (file.fd >= 0) {
        _close(file.fd);
        file.fd = -1;
    }
}
