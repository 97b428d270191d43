// The PlatformTable's file entries served with POSIX calls, for the Game's own tests.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/game.h"

namespace novra {

inline void file_reason(FileReply* reply, int error) {
    reply->ok = false;
    std::snprintf(reply->reason, sizeof reply->reason, "%s", std::strerror(error));
}

inline void file_table_read(const char* path, char* buffer, int64_t capacity, FileReply* reply) {
    *reply = FileReply{};
    const int file = open(path, O_RDONLY);
    if (file < 0) return file_reason(reply, errno);
    struct stat status {};
    fstat(file, &status);
    if (S_ISDIR(status.st_mode)) {
        close(file);
        return file_reason(reply, EISDIR);
    }
    reply->size = status.st_size;
    reply->ok = true;
    if (reply->size <= capacity) reply->size = read(file, buffer, size_t(reply->size));
    close(file);
}

inline void file_table_replace(const char* path, const char* bytes, int64_t size, FileReply* reply) {
    *reply = FileReply{};
    const std::string temporary = std::string(path) + ".saving";
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file < 0) return file_reason(reply, errno);
    const bool written = write(file, bytes, size_t(size)) == size;
    close(file);
    if (!written || rename(temporary.c_str(), path) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        return file_reason(reply, error);
    }
    reply->ok = true;
}

inline void file_table_install(PlatformTable& table) {
    table.file_read = file_table_read;
    table.file_replace = file_table_replace;
}

}  // namespace novra
