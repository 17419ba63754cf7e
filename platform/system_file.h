// What each operating system supplies for the portable stream (stream.cpp):
// a few plain calls on open files, nothing buffered. posix/file.cpp and
// win32/file.cpp implement them. Not for use outside platform/.
#pragma once

#include <cstddef>
#include <cstdint>

// An open file: a descriptor on POSIX, a HANDLE on Windows.
using SystemFile = intptr_t;

// Which file a name leads to, whatever the name: two names of one file
// (hard links, symbolic links, other spellings) give equal identities.
struct FileIdentity {
    uint64_t volume;
    uint64_t file;
};

// Opens an existing regular file for reading, without blocking, and tells
// its identity. Directories, FIFOs, sockets and devices fail like a missing
// file. 0 when it cannot, with nothing left open.
int system_open_source(const char* path, SystemFile* file, FileIdentity* identity);

// Creates a file for writing, or truncates an existing one. 0 when it cannot.
int system_create_output(const char* path, SystemFile* file);

// Reads up to `size` bytes: the count, 0 at the end of the file, -1 on a
// failure. Interrupted calls are resumed.
int64_t system_read(SystemFile file, void* buffer, size_t size);

// Writes all of `size` bytes, resuming after partial writes. 0 when it cannot.
int system_write(SystemFile file, const void* bytes, size_t size);

// Moves to the start (to_end = 0) or the end of the file; the new offset, or
// -1 on a failure.
int64_t system_seek(SystemFile file, int to_end);

// Closes; 0 when the system reports a failure (the file is closed anyway).
int system_close(SystemFile file);

// Copies up to `size` bytes from one file's position to the other's inside
// the system: the count, 0 when the source has ended, -1 when it cannot copy
// between these files or the copy failed (the stream's own reads and writes
// then take over and meet any fault themselves).
int64_t system_copy(SystemFile from, SystemFile to, size_t size);

// Reserves the disk space for a file of `size` bytes without changing its
// length, so its blocks are allocated at once rather than write by write. 0
// only when the disk lacks the space; 1 where it was reserved, and where the
// file system cannot reserve (the writes then allocate as usual).
int system_reserve(SystemFile file, int64_t size);

// The identity of the file `path` names; 0 when it names none.
int system_identify(const char* path, FileIdentity* identity);

// Deletes a file by name; 0 when it cannot.
int system_remove(const char* path);
