#include "game/file_text.h"

#include <cstdio>
#include <new>

#include "game/game.h"
#include "game/world_file.h"

namespace novra {

bool file_text_read(const char* file, const char* shown, FileText& text, char (&why)[file_text_reason_size]) {
    if (game.platform.file_read == nullptr) {
        std::snprintf(why, sizeof why, "files cannot be reached here");
        return false;
    }
    // A first read into a small buffer takes most files and measures the rest, which a second read
    // takes into a buffer of their size, so that a small file costs no large allocation.
    int64_t capacity = 64 << 10;
    FileReply result{};
    for (int32_t attempt = 0;; ++attempt) {
        text.bytes.reset(new (std::nothrow) char[size_t(capacity)]);
        if (text.bytes == nullptr) {
            std::snprintf(why, sizeof why, "%s: out of memory", shown);
            return false;
        }
        game.platform.file_read(file, text.bytes.get(), capacity, &result);
        if (!result.ok) {
            std::snprintf(why, sizeof why, "%s: %s", shown, result.reason);
            return false;
        }
        if (result.size > world_file_size_limit) {
            std::snprintf(why, sizeof why, "%s: larger than %lld MiB (%lld bytes)", shown,
                          static_cast<long long>(world_file_size_limit >> 20),
                          static_cast<long long>(result.size));
            return false;
        }
        if (result.size <= capacity) break;
        if (attempt == 1) {
            std::snprintf(why, sizeof why, "%s: it grew while it was read", shown);
            return false;
        }
        capacity = result.size;
    }
    text.text = std::string_view(text.bytes.get(), size_t(result.size));
    return true;
}

}  // namespace novra
