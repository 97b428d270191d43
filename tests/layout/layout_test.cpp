// The designed memory layouts. Their byte figures are those of a 32-bit build (4-byte pointers) and are
// checked exactly there, under Wine; a 64-bit build lays the same records out by its own alignment rules.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "core/block_list.h"

namespace novra {
namespace {

// Stand-ins with the field shapes of the entity and collision records that the lists will hold.
struct EntityShape {
    void* record;
    uint32_t generation;
};
struct EntityRecordShape {
    void* chunk;
    int32_t row;
    uint32_t generation;
};
struct ColliderShape {
    int32_t min_x, min_y, max_x, max_y;
    uint32_t mask;
    int32_t visited;
    void* box;
};
// Seven 32-bit fields in a 48-byte slot; the slot keeps 4-byte alignment so the block header stays 12 bytes.
struct ColliderBoxSlotShape {
    int32_t ignored, x, y, w, h, dx, dy;
    uint8_t unused[20];
};
struct CellBucketShape {
    CellBucketShape* next;
    CellBucketShape* prev;
    int32_t count;
    ColliderShape* colliders[4];
};

struct BlockLayout {
    const char* instance;
    size_t block_bytes;
    size_t items_offset;  // where the first item starts: 12 bytes of header with 4-byte pointers
    size_t item_bytes;
    size_t designed_item_bytes;  // with 4-byte pointers
    size_t designed_block_bytes;
};

template <typename Item, int32_t N>
BlockLayout layout_of(const char* instance, size_t designed_item_bytes, size_t designed_block_bytes) {
    using Laid = Block<Item, N>;
    return {instance,     sizeof(Laid),        offsetof(Laid, items),
            sizeof(Item), designed_item_bytes, designed_block_bytes};
}

const BlockLayout block_layouts[] = {
    layout_of<void*, 16>("pointer list of 16 (buckets, systems, links, query stack)", 4, 76),
    layout_of<void*, 64>("entity free stack", 4, 268),
    layout_of<EntityShape, 64>("removal queue", 8, 524),
    layout_of<EntityRecordShape, 64>("entity records", 12, 780),
    layout_of<ColliderShape, 64>("colliders", 28, 1804),
    layout_of<ColliderBoxSlotShape, 64>("collider boxes", 48, 3084),
    layout_of<CellBucketShape, 4>("cell buckets", 28, 124),
};

TEST(Layout, BlockListInstancesHaveTheirDesignedSizesWithFourBytePointers) {
    if (sizeof(void*) != 4) GTEST_SKIP() << "the designed byte figures are for 4-byte pointers";
    for (const BlockLayout& layout : block_layouts) {
        SCOPED_TRACE(layout.instance);
        EXPECT_EQ(layout.items_offset, 12u);
        EXPECT_EQ(layout.item_bytes, layout.designed_item_bytes);
        EXPECT_EQ(layout.block_bytes, layout.designed_block_bytes);
    }
}

}  // namespace
}  // namespace novra
