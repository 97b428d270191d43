#include "game/replies.h"

#include <cstdarg>
#include <cstdio>

#include "game/game.h"

namespace novra {

CommandReplies command_replies;

namespace {

void reply_with(const char* prefix, const char* format, va_list arguments) {
    char line[512];
    const int length = std::snprintf(line, sizeof line, "%s", prefix);
    std::vsnprintf(line + length, sizeof line - size_t(length), format, arguments);
    if (game.platform.log != nullptr) game.platform.log(line);
}

}  // namespace

void reply(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    reply_with("", format, arguments);
    va_end(arguments);
}

void refuse(const char* format, ...) {
    command_replies.refused = true;
    va_list arguments;
    va_start(arguments, format);
    reply_with(command_replies.refusal_prefix, format, arguments);
    va_end(arguments);
}

}  // namespace novra
