// The plain file calls of system_file.h on Windows.
#include <windows.h>

#include "platform/system_file.h"

namespace {

constexpr DWORD SHARE_READ_WRITE = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The portable stream keeps a file as an integer (a descriptor on POSIX); this
// is the one place a Windows handle is made from it again.
HANDLE handle_of(SystemFile file) {
    return reinterpret_cast<HANDLE>(file);  // NOLINT(performance-no-int-to-ptr)
}

SystemFile file_of(HANDLE handle) { return reinterpret_cast<SystemFile>(handle); }

FileIdentity identity_of(const BY_HANDLE_FILE_INFORMATION& info) {
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace

int system_open_source(const char* path, SystemFile* file, FileIdentity* identity) {
    HANDLE handle = CreateFileA(path, GENERIC_READ, SHARE_READ_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    // Only files on disk are sources: a console, a pipe or a device such as
    // NUL fails like a missing file.
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        return 0;
    }
    *file = file_of(handle);
    *identity = identity_of(info);
    return 1;
}

int system_create_output(const char* path, SystemFile* file) {
    // Shared for deletion, so an interruption can remove it while open.
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, SHARE_READ_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    *file = file_of(handle);
    return 1;
}

// The stream asks for no more than 32 bits can count.
int64_t system_read(SystemFile file, void* buffer, size_t size) {
    DWORD got = 0;
    if (!ReadFile(handle_of(file), buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
    return static_cast<int64_t>(got);
}

int system_write(SystemFile file, const void* bytes, size_t size) {
    const auto* at = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        DWORD want = size < (DWORD{1} << 30) ? static_cast<DWORD>(size) : DWORD{1} << 30;
        DWORD written = 0;
        if (!WriteFile(handle_of(file), at, want, &written, nullptr) || written == 0) return 0;
        at += written;
        size -= written;
    }
    return 1;
}

int64_t system_seek(SystemFile file, int to_end) {
    LARGE_INTEGER distance;
    distance.QuadPart = 0;
    LARGE_INTEGER offset;
    if (!SetFilePointerEx(handle_of(file), distance, &offset, to_end ? FILE_END : FILE_BEGIN)) return -1;
    return offset.QuadPart;
}

int system_close(SystemFile file) { return CloseHandle(handle_of(file)) ? 1 : 0; }

// Windows has no call that copies a byte range from one open file to the
// end of another inside the system, so the stream's blocks copy everything.
int64_t system_copy(SystemFile, SystemFile, size_t) { return -1; }

// The allocation size is the space set aside on the disk; the file's length
// stays. A file system that cannot set it (some network shares, Wine on
// some hosts) is let be: the writes then allocate as they go.
int system_reserve(SystemFile file, int64_t size) {
    FILE_ALLOCATION_INFO allocation;
    allocation.AllocationSize.QuadPart = size;
    if (SetFileInformationByHandle(handle_of(file), FileAllocationInfo, &allocation, sizeof allocation))
        return 1;
    DWORD error = GetLastError();
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? 0 : 1;
}

int system_identify(const char* path, FileIdentity* identity) {
    // Attributes only, shared every way, so that even a file another program
    // holds open can be looked at; FILE_FLAG_BACKUP_SEMANTICS lets a
    // directory be opened too.
    HANDLE named = CreateFileA(path, FILE_READ_ATTRIBUTES, SHARE_READ_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    int known = GetFileInformationByHandle(named, &info) ? 1 : 0;
    if (known) *identity = identity_of(info);
    CloseHandle(named);
    return known;
}

int system_remove(const char* path) { return DeleteFileA(path) ? 1 : 0; }
