// Files on the system's own file system: CreateFileW and its handles over POSIX descriptors, the
// system's errors turned into Windows' codes, and the file call a test makes fail.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "platform/sim/internal.h"
#include "platform/sim/text.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace novra {

namespace {

constexpr uintptr_t first_file_handle = 0x1000;  // apart from the console's fixed handle values

DWORD error_from_errno(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EFBIG:
            return ERROR_FILE_TOO_LARGE;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EIO:
            return ERROR_IO_DEVICE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_GEN_FAILURE;
    }
}

template <typename Result>
Result fail_with(DWORD error, Result result) {
    SetLastError(error);
    return result;
}

template <typename Result>
Result fail_errno(Result result) {
    return fail_with(error_from_errno(errno), result);
}

// Counts the call; true when it is the one a test asked to fail (the last error then says why).
bool file_call_fails() {
    SimFiles& files = sim.files;
    ++files.calls;
    if (files.calls != files.failing_call) return false;
    SetLastError(files.failing_error);
    return true;
}

std::string path_of(LPCWSTR name) {
    return utf8_from_utf16(reinterpret_cast<const char16_t*>(name));
}

// The descriptor behind a file handle, or -1.
int descriptor_of(HANDLE handle) {
    const auto value = reinterpret_cast<uintptr_t>(handle);
    if (value < first_file_handle || (value - first_file_handle) % 4 != 0) return -1;
    const size_t slot = (value - first_file_handle) / 4;
    return slot < sim.files.descriptors.size() ? sim.files.descriptors[slot] : -1;
}

HANDLE handle_for(int descriptor) {
    std::vector<int>& slots = sim.files.descriptors;
    size_t slot = 0;
    while (slot < slots.size() && slots[slot] != -1)
        ++slot;
    if (slot == slots.size()) slots.push_back(-1);
    slots[slot] = descriptor;
    return reinterpret_cast<HANDLE>(first_file_handle + slot * 4);
}

// The folder holding `path`, for the fsync that makes a rename durable.
std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

bool file_close(HANDLE handle, BOOL& result) {
    const int descriptor = descriptor_of(handle);
    if (descriptor < 0) return false;
    const bool fails = file_call_fails();
    sim.files.descriptors[(reinterpret_cast<uintptr_t>(handle) - first_file_handle) / 4] = -1;
    // A failed close on Linux has still released the descriptor; it must not be closed twice.
    const bool closed = close(descriptor) == 0;
    if (fails) {
        result = FALSE;
    } else if (!closed) {
        result = fail_errno(FALSE);
    } else {
        result = TRUE;
    }
    return true;
}

void files_reset() {
    for (int descriptor : sim.files.descriptors)
        if (descriptor >= 0) close(descriptor);
    sim.files = SimFiles{};
}

uint64_t sim_file_calls() {
    return sim.files.calls;
}

void sim_fail_file_call(uint64_t call, DWORD error) {
    sim.files.failing_call = call;
    sim.files.failing_error = error;
}

}  // namespace novra

using namespace novra;

HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES security, DWORD creation,
                          DWORD, HANDLE template_file) {
    if (calls_recorded()) call_record("CreateFileW", {call_text(name)});
    if (file_call_fails()) return INVALID_HANDLE_VALUE;
    if (name == nullptr || security != nullptr || template_file != nullptr)
        return fail_with(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    const bool reads = (access & GENERIC_READ) != 0, writes = (access & GENERIC_WRITE) != 0;
    int flags = reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    switch (creation) {
        case CREATE_NEW:
            flags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS:
            flags |= O_CREAT | O_TRUNC;
            break;
        case OPEN_EXISTING:
            break;
        default:
            return fail_with(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    int descriptor;
    do {
        descriptor = open(path_of(name).c_str(), flags | O_CLOEXEC, 0666);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) return fail_errno(INVALID_HANDLE_VALUE);
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        close(descriptor);
        return fail_with(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    return handle_for(descriptor);
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped) {
    if (calls_recorded()) call_record("ReadFile", {call_handle(file), std::to_string(length)});
    if (read != nullptr) *read = 0;
    if (file_call_fails()) return FALSE;
    const int descriptor = descriptor_of(file);
    if (descriptor < 0) return fail_with(ERROR_INVALID_HANDLE, FALSE);
    if (overlapped != nullptr || read == nullptr) return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    ssize_t got;
    do {
        got = ::read(descriptor, buffer, length);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return fail_errno(FALSE);
    *read = DWORD(got);
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD length, LPDWORD written, LPOVERLAPPED overlapped) {
    if (calls_recorded()) call_record("WriteFile", {call_handle(file), std::to_string(length)});
    if (written != nullptr) *written = 0;
    if (file_call_fails()) return FALSE;
    const int descriptor = descriptor_of(file);
    if (descriptor < 0) return fail_with(ERROR_INVALID_HANDLE, FALSE);
    if (overlapped != nullptr || written == nullptr) return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    // Past the size limit the system sets, POSIX signals SIGXFSZ, which would end the process; Windows
    // fails the write instead, and so does this, with EFBIG.
    static const bool signal_ignored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    (void)signal_ignored;
    // Windows writes all of it or fails; a short POSIX write is continued until it does one or the other.
    DWORD done = 0;
    while (done < length) {
        const ssize_t put = ::write(descriptor, static_cast<const char*>(buffer) + done, length - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) {
            *written = done;
            return fail_errno(FALSE);
        }
        done += DWORD(put);
    }
    *written = done;
    return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE file) {
    if (calls_recorded()) call_record("FlushFileBuffers", {call_handle(file)});
    if (file_call_fails()) return FALSE;
    const int descriptor = descriptor_of(file);
    if (descriptor < 0) return fail_with(ERROR_INVALID_HANDLE, FALSE);
    if (fsync(descriptor) != 0) return fail_errno(FALSE);
    return TRUE;
}

BOOL WINAPI GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
    if (calls_recorded()) call_record("GetFileSizeEx", {call_handle(file)});
    if (file_call_fails()) return FALSE;
    const int descriptor = descriptor_of(file);
    if (descriptor < 0) return fail_with(ERROR_INVALID_HANDLE, FALSE);
    struct stat status {};
    if (fstat(descriptor, &status) != 0) return fail_errno(FALSE);
    size->QuadPart = status.st_size;
    return TRUE;
}

BOOL WINAPI MoveFileExW(LPCWSTR existing_name, LPCWSTR new_name, DWORD flags) {
    if (calls_recorded()) call_record("MoveFileExW", {call_text(existing_name), call_text(new_name)});
    if (file_call_fails()) return FALSE;
    if (existing_name == nullptr || new_name == nullptr) return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    const std::string from = path_of(existing_name), to = path_of(new_name);
    struct stat status {};
    // Without MOVEFILE_REPLACE_EXISTING, Windows refuses an existing target.
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 && lstat(to.c_str(), &status) == 0)
        return fail_with(ERROR_ALREADY_EXISTS, FALSE);
    if (std::rename(from.c_str(), to.c_str()) != 0) return fail_errno(FALSE);
    if ((flags & MOVEFILE_WRITE_THROUGH) != 0) {
        // The rename lives in the folder: it is on the disk once the folder is.
        const int folder = open(folder_of(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) return fail_errno(FALSE);
        const bool synced = fsync(folder) == 0 || errno == EINVAL;  // EINVAL: a file system without it
        const int error = errno;
        close(folder);
        if (!synced) return fail_with(error_from_errno(error), FALSE);
#ifdef __EMSCRIPTEN__
        // In a page the disk is its persistent storage, written back from memory as a whole.
        EM_ASM({ FS.syncfs(false, function(){}); });
#endif
    }
    return TRUE;
}

BOOL WINAPI DeleteFileW(LPCWSTR name) {
    if (calls_recorded()) call_record("DeleteFileW", {call_text(name)});
    if (file_call_fails()) return FALSE;
    if (name == nullptr) return fail_with(ERROR_INVALID_PARAMETER, FALSE);
    const std::string path = path_of(name);
    struct stat status {};
    if (lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        return fail_with(ERROR_ACCESS_DENIED, FALSE);
    if (unlink(path.c_str()) != 0) return fail_errno(FALSE);
    return TRUE;
}

DWORD WINAPI GetFileAttributesW(LPCWSTR name) {
    if (calls_recorded()) call_record("GetFileAttributesW", {call_text(name)});
    if (file_call_fails()) return INVALID_FILE_ATTRIBUTES;
    if (name == nullptr) return fail_with(ERROR_INVALID_PARAMETER, INVALID_FILE_ATTRIBUTES);
    struct stat status {};
    if (stat(path_of(name).c_str(), &status) != 0) return fail_errno(INVALID_FILE_ATTRIBUTES);
    return S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}
