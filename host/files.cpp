// The PlatformTable's file entries, on Win32 file calls: the Game's paths are UTF-8, Windows' UTF-16.
#include <cstdio>

#include "host/host.h"

namespace novra {

namespace {

constexpr int path_units = 1024;  // UTF-16 units of a path, its ending zero and ".saving" included

// The system's reason in words of our own, the same on Windows and in the simulation.
void reason_set(FileReply* reply, DWORD error) {
    const struct {
        DWORD error;
        const char* words;
    } reasons[] = {
        {ERROR_FILE_NOT_FOUND, "No such file or directory"},
        {ERROR_PATH_NOT_FOUND, "No such file or directory"},
        {ERROR_TOO_MANY_OPEN_FILES, "Too many open files"},
        {ERROR_ACCESS_DENIED, "Permission denied"},
        {ERROR_NOT_ENOUGH_MEMORY, "Out of memory"},
        {ERROR_WRITE_PROTECT, "Read-only file system"},
        {ERROR_SHARING_VIOLATION, "The file is in use by another program"},
        {ERROR_HANDLE_DISK_FULL, "No space left on device"},
        {ERROR_DISK_FULL, "No space left on device"},
        {ERROR_INVALID_NAME, "Invalid file name"},
        {ERROR_FILENAME_EXCED_RANGE, "File name too long"},
        {ERROR_FILE_TOO_LARGE, "File too large"},
        {ERROR_IO_DEVICE, "Input/output error"},
    };
    reply->ok = false;
    for (const auto& reason : reasons) {
        if (reason.error == error) {
            std::snprintf(reply->reason, sizeof reply->reason, "%s", reason.words);
            return;
        }
    }
    std::snprintf(reply->reason, sizeof reply->reason, "system error %u", unsigned(error));
}

// Windows refuses to open or replace a folder as it refuses what it may not touch; a folder is said so.
void reason_for_path(FileReply* reply, DWORD error, const WCHAR* path) {
    if (error == ERROR_ACCESS_DENIED) {
        const DWORD attributes = GetFileAttributesW(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            std::snprintf(reply->reason, sizeof reply->reason, "Is a directory");
            reply->ok = false;
            return;
        }
    }
    reason_set(reply, error);
}

// The UTF-16 form of a UTF-8 path with `suffix` after it. False, with the reason, when the path is not
// UTF-8 or too long.
bool wide_path(const char* path, const WCHAR* suffix, WCHAR (&wide)[path_units], FileReply* reply) {
    int suffix_units = 0;
    while (suffix[suffix_units] != 0)
        ++suffix_units;
    const int units =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide, path_units - suffix_units);
    if (units == 0) {
        reason_set(reply, GetLastError() == ERROR_INSUFFICIENT_BUFFER ? ERROR_FILENAME_EXCED_RANGE
                                                                      : ERROR_INVALID_NAME);
        return false;
    }
    for (int i = 0; i <= suffix_units; ++i)
        wide[units - 1 + i] = suffix[i];
    return true;
}

constexpr DWORD chunk_bytes = 1 << 20;

}  // namespace

void host_file_read(const char* path, char* buffer, int64_t capacity, FileReply* reply) {
    *reply = FileReply{};
    WCHAR name[path_units];
    if (!wide_path(path, TEXT(""), name, reply)) return;
    HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return reason_for_path(reply, GetLastError(), name);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        reason_set(reply, GetLastError());
        CloseHandle(file);
        return;
    }
    reply->size = size.QuadPart;
    // A file over the limit is refused on its size, without reading it.
    if (reply->size <= capacity) {
        int64_t total = 0;
        for (;;) {
            const auto wanted = DWORD(capacity - total < chunk_bytes ? capacity - total : chunk_bytes);
            DWORD got = 0;
            if (!ReadFile(file, buffer + total, wanted, &got, nullptr)) {
                reason_set(reply, GetLastError());
                CloseHandle(file);
                return;
            }
            total += got;
            if (got == 0 || total == capacity) break;
        }
        reply->size = total;  // the file may have changed size since it was measured
    }
    if (!CloseHandle(file)) return reason_set(reply, GetLastError());
    reply->ok = true;
}

void host_file_replace(const char* path, const char* bytes, int64_t size, FileReply* reply) {
    *reply = FileReply{};
    WCHAR name[path_units], temporary[path_units];
    if (!wide_path(path, TEXT(""), name, reply) || !wide_path(path, TEXT(".saving"), temporary, reply))
        return;
    HANDLE file =
        CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return reason_for_path(reply, GetLastError(), temporary);
    // Each step's failure is taken before the clean-up calls change the last error.
    DWORD error = ERROR_SUCCESS;
    for (int64_t done = 0; done < size && error == ERROR_SUCCESS;) {
        const auto length = DWORD(size - done < chunk_bytes ? size - done : chunk_bytes);
        DWORD written = 0;
        if (!WriteFile(file, bytes + done, length, &written, nullptr)) error = GetLastError();
        done += written;
    }
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file)) error = GetLastError();
    if (!CloseHandle(file) && error == ERROR_SUCCESS) error = GetLastError();
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(temporary, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temporary);
        return reason_for_path(reply, error, name);
    }
    reply->ok = true;
}

}  // namespace novra
