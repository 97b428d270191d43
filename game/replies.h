// How a command answers: each reply one line through the PlatformTable's `log`.
#pragma once

namespace novra {

struct CommandReplies {
    bool refused;              // set by every refusal, so that exec can stop at the first one
    char refusal_prefix[256];  // put before a refusal while exec runs a file's line ("exec: a.txt:7: ")
};
extern CommandReplies command_replies;

// One reply line, printf-style, cut at 511 bytes.
void reply(const char* format, ...);

// A reply that refuses the command: a command that refuses changes nothing.
void refuse(const char* format, ...);

}  // namespace novra
