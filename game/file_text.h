// Reading a whole file through the PlatformTable, as the commands that read one (load, exec, play) do.
#pragma once

#include <memory>
#include <string_view>

namespace novra {

// A whole file as the commands that read one (load, exec, play) have it.
struct FileText {
    std::unique_ptr<char[]> bytes;
    std::string_view text;
};

constexpr int file_text_reason_size = 400;  // a quoted name and a reason, or a line number and a problem

// Reads FILE (`shown` as replies quote it) of at most world_file_size_limit bytes through the
// PlatformTable. Returns false with `why` set to the refusal's words after the command's name ("files
// cannot be reached here", "a.txt: No such file or directory").
bool file_text_read(const char* file, const char* shown, FileText& text, char (&why)[file_text_reason_size]);

}  // namespace novra
