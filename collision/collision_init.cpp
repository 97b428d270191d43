#include <cstdlib>

#include "collision/collision.h"

namespace novra {

BlockAllocate collision_allocate = std::malloc;
CollisionGrid* collision_grid = nullptr;
BlockList<ColliderBox, 64> collider_boxes = {nullptr, nullptr};
Block<Collider*, 16>* query_stack = nullptr;

namespace {

template <typename Item, int32_t N>
BlockList<Item, N> list_create() {
    Block<Item, N>* block = block_create<Item, N>(collision_allocate);
    return BlockList<Item, N>{block, block};
}

void collision_release() {
    if (collision_grid != nullptr) {
        block_chain_free(collision_grid->buckets.first);
        block_chain_free(collision_grid->colliders.first);
        std::free(collision_grid);
        collision_grid = nullptr;
    }
    block_chain_free(query_stack);
    query_stack = nullptr;
    block_chain_free(collider_boxes.first);
    collider_boxes = {nullptr, nullptr};
}

}  // namespace

void collision_init() {
    collision_release();
    auto* grid = static_cast<CollisionGrid*>(collision_allocate(sizeof(CollisionGrid)));
    if (grid != nullptr) {
        for (CellBucket*& cell : grid->cells)
            cell = nullptr;
        grid->columns = 4;
        grid->rows = 3;
        grid->cell_width = 64;
        grid->cell_height = 64;
        grid->extent_width = 256;
        grid->extent_height = 192;
        grid->origin_x = 0;
        grid->origin_y = 0;
        grid->buckets = list_create<CellBucket, 4>();
        grid->colliders = list_create<Collider, 64>();
        if (grid->buckets.first != nullptr && grid->colliders.first != nullptr) {
            collision_grid = grid;
        } else {
            block_chain_free(grid->buckets.first);
            block_chain_free(grid->colliders.first);
            std::free(grid);
        }
    }
    query_stack = block_create<Collider*, 16>(collision_allocate);
    collider_boxes = list_create<ColliderBox, 64>();
}

}  // namespace novra
