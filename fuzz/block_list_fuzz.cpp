// Block lists under random appends, pops and rewinds, against the model the property test shares. Blocks
// of 3 items make every boundary case (full block, reuse of a later block, pop across a block) a few
// bytes of input away. A mismatch throws, which ends the run as a crash.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "core/block_list.h"
#include "tests/shared/block_list_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace novra;
    constexpr int32_t capacity = 3;
    FuzzedDataProvider input(data, size);
    Block<uint32_t, capacity>* first = block_create<uint32_t, capacity>();
    if (first == nullptr) return 0;
    BlockList<uint32_t, capacity> list{first, first};
    BlockListModel<uint32_t, capacity> model;
    uint32_t next_value = 1;
    while (input.remaining_bytes() > 0) {
        const uint8_t operation = input.ConsumeIntegral<uint8_t>();
        if (operation % 8 < 4)
            block_model_append(list, model, next_value++);
        else if (operation % 8 < 7)
            block_model_pop(list, model);
        else
            block_model_rewind(list, model);
        block_model_check(list, model);
    }
    block_chain_free(list.first);
    return 0;
}
