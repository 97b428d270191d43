// The Game's command handler fed random lines (one per '\n' of the input, any bytes), each followed by a
// frame, against the model its property test shares (tests/shared/commands_model.h). A mismatch throws,
// which ends the run as a crash.
#include <cstdint>
#include <string>

#include "tests/shared/commands_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace novra;
    commands_model_start();
    CommandsModel model;
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    while (at <= input.size()) {
        const size_t end = std::min(input.find('\n', at), input.size());
        // The handler takes a C string: the line ends at its first zero byte.
        const std::string line = input.substr(at, end - at).c_str();
        at = end + 1;
        commands_model_line(model, line);
        commands_model_frame(model);
    }
    return 0;
}
