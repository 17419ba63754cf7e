// The plain file calls of system_file.h on POSIX.
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/system_file.h"

namespace {

FileIdentity identity_of(const struct stat& info) {
    return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

int descriptor(SystemFile file) { return static_cast<int>(file); }

}  // namespace

int system_open_source(const char* path, SystemFile* file, FileIdentity* identity) {
    // O_NONBLOCK keeps the open of a FIFO without a writer from hanging; the
    // type check below then turns it away. It stays: it changes nothing for
    // a regular file, and clearing it would cost a system call per file.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return 0;
    }
    *file = fd;
    *identity = identity_of(info);
    return 1;
}

int system_create_output(const char* path, SystemFile* file) {
    // O_NONBLOCK: an output name that is a FIFO without a reader fails
    // instead of hanging.
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return 0;
    fcntl(fd, F_SETFL, 0);  // writes block as usual from here on
    *file = fd;
    return 1;
}

int64_t system_read(SystemFile file, void* buffer, size_t size) {
    for (;;) {
        ssize_t got = read(descriptor(file), buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

int system_write(SystemFile file, const void* bytes, size_t size) {
    const auto* at = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        ssize_t written = write(descriptor(file), at, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        at += written;
        size -= static_cast<size_t>(written);
    }
    return 1;
}

int64_t system_seek(SystemFile file, int to_end) {
    return lseek(descriptor(file), 0, to_end ? SEEK_END : SEEK_SET);
}

int system_close(SystemFile file) { return close(descriptor(file)) == 0 ? 1 : 0; }

// The kernel's copy beats the stream's own reads and writes on every file
// system measured (ext4, tmpfs), shifted offsets and all: it moves each byte
// once where the stream moves it twice.
int64_t system_copy(SystemFile from, SystemFile to, size_t size) {
#if defined(__linux__)
    for (;;) {
        ssize_t got = copy_file_range(descriptor(from), nullptr, descriptor(to), nullptr, size, 0);
        // EXDEV, EINVAL, ENOSYS, EOPNOTSUPP, ...: the kernel cannot copy
        // between these files; the caller's blocks copy them.
        if (got >= 0 || errno != EINTR) return got;
    }
#else
    (void)from;
    (void)to;
    (void)size;
    return -1;
#endif
}

int system_reserve(SystemFile file, int64_t size) {
#if defined(__linux__)
    for (;;) {
        if (fallocate(descriptor(file), FALLOC_FL_KEEP_SIZE, 0, size) == 0) return 1;
        if (errno == EINTR) continue;
        // EOPNOTSUPP, ENOSYS, ...: the file system cannot reserve; the
        // writes allocate as they go and meet a full disk themselves.
        return errno == ENOSPC || errno == EDQUOT ? 0 : 1;
    }
#else
    (void)file;
    (void)size;
    return 1;
#endif
}

int system_identify(const char* path, FileIdentity* identity) {
    struct stat named;
    if (stat(path, &named) != 0) return 0;
    *identity = identity_of(named);
    return 1;
}

int system_remove(const char* path) { return unlink(path) == 0 ? 1 : 0; }
