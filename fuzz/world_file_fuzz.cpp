// `load` fed random bytes as the file, against the model its tests share (tests/shared/world_file_model.h):
// the world becomes the file's, or stays exactly as it was. A mismatch throws, which ends the run as a
// crash.
#include <cstdint>
#include <string_view>

#include "tests/shared/world_file_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    novra::world_file_model_start();
    novra::world_file_model_load(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
