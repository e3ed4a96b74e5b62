// The typed text on Linux: a regular file, added to at its end, cut back on failure.

#include "platform/platform.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool open_typed(const char* name, typed_file& file) {
    int fd = -1;
    do {
        fd = open(name, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    struct stat status {};
    if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    file = typed_file{fd, static_cast<std::uint64_t>(status.st_size), false};
    return true;
}

long read_typed(typed_file& file, std::uint64_t offset, char* buffer, std::size_t size) {
    ssize_t n = -1;
    do {
        n = pread(file.fd, buffer, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

bool add_to_typed(typed_file& file, const char* text, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t wrote =
            pwrite(file.fd, text + done, n - done, static_cast<off_t>(file.size + done));
        if (wrote < 0 ? errno != EINTR : wrote == 0) {
            cut_typed(file, file.size);
            return false;
        }
        done += wrote > 0 ? static_cast<std::size_t>(wrote) : 0;
    }
    if (file.synced && fdatasync(file.fd) != 0) {
        cut_typed(file, file.size);
        return false;
    }
    file.size += n;
    return true;
}

bool cut_typed(typed_file& file, std::uint64_t size) {
    int cut = -1;
    do {
        cut = ftruncate(file.fd, static_cast<off_t>(size));
    } while (cut != 0 && errno == EINTR);
    if (cut != 0) {
        return false;
    }
    file.size = size;
    return !file.synced || fdatasync(file.fd) == 0;
}

void close_typed(typed_file& file) {
    if (file.fd >= 0) {
        close(file.fd);
        file.fd = -1;
    }
}
