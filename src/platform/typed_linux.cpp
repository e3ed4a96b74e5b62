// The typed text on Linux: a regular file, added to at its end, cut back on failure.

#include "platform/platform.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int open_file(const char* name, int flags) {
    int fd = -1;
    do {
        fd = open(name, flags | O_RDWR | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

bool open_typed(const char* name, typed_file& file) {
    // A write past the file size limit fails, to be cut back, rather than end the run.
    signal(SIGXFSZ, SIG_IGN);
    file = typed_file{name, open_file(name, 0), 0, false};
    if (file.fd < 0) {
        return errno == ENOENT;
    }
    struct stat status {};
    if (fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
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
    ssize_t n = -1;
    do {
        n = pread(file.fd, buffer, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

bool add_to_typed(typed_file& file, const char* text, std::size_t n) {
    if (file.fd < 0 && (file.fd = open_file(file.name, O_CREAT | O_EXCL)) < 0) {
        return false;
    }
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
    if (file.fd < 0) {
        return size == 0;
    }
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
