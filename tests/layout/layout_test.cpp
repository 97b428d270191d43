// The designed memory layouts. Their byte figures are those of a 32-bit build (4-byte pointers) and are
// checked exactly there, under Wine; a 64-bit build lays the same records out by its own alignment rules.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "collision/collision.h"
#include "core/block_list.h"
#include "ecs/ecs.h"

namespace novra {
namespace {

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
    layout_of<Archetype*, 16>("archetype table bucket", 4, 76),
    layout_of<System*, 16>("system list", 4, 76),
    layout_of<ArchetypeLink, 8>("system link list", 8, 76),
    layout_of<SystemLink, 8>("archetype link list", 8, 76),
    layout_of<EntityRecord, 64>("entity records", 12, 780),
    layout_of<EntityRecord*, 64>("entity free stack", 4, 268),
    layout_of<Entity, 64>("removal queue", 8, 524),
    layout_of<Collider, 64>("colliders", 28, 1804),
    layout_of<ColliderBox, 64>("collider boxes", 48, 3084),
    layout_of<CellBucket, 4>("cell buckets", 28, 124),
    layout_of<Collider*, 16>("query stack", 4, 76),
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
