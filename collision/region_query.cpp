#include "collision/cell_range.h"

namespace novra {
namespace {

constexpr int32_t stack_capacity = 16;

// A full block and the empty block after it are the same top of the stack: pushes made after the mark
// moved on into the next block, and popping them all leaves that block current and empty.
bool stack_at_mark(const QueryStackMark& mark) {
    if (query_stack == mark.block) return query_stack->count == mark.count;
    return mark.count == stack_capacity && query_stack->count == 0 && query_stack->previous == mark.block;
}

bool collider_matches(const Collider& collider, const RegionQuery& query) {
    return collider.visited == 0 && collider.min_x < query.max_x && collider.max_x > query.min_x &&
           collider.min_y < query.max_y && collider.max_y > query.min_y && (collider.mask & query.mask) != 0;
}

// Scans the rest of the current chain; on a match marks it and leaves bucket and bucket_index on the next
// entry, so the walk goes on from there.
Collider* chain_next(RegionQuery& query) {
    while (query.bucket != nullptr) {
        while (query.bucket_index < query.bucket->count) {
            Collider* collider = query.bucket->colliders[query.bucket_index++];
            if (!collider_matches(*collider, query)) continue;
            if (Collider** slot = block_append(query_stack, collision_allocate); slot != nullptr) {
                *slot = collider;
                collider->visited = 1;
            }
            return collider;
        }
        query.bucket = query.bucket->next;
        query.bucket_index = 0;
    }
    return nullptr;
}

CellBucket* cell_head(const RegionQuery& query) {
    return query.grid->cells[query.row * query.grid->columns + query.column];
}

}  // namespace

void region_query_begin(RegionQuery& query, int32_t min_x, int32_t min_y, int32_t max_x, int32_t max_y) {
    query.grid = collision_grid;
    query.min_x = min_x;
    query.min_y = min_y;
    query.max_x = max_x;
    query.max_y = max_y;
    CellRange range{0, 0, 0, 0};
    // Without an area nothing can overlap with positive area; without its stores the query yields nothing.
    if (query.grid != nullptr && query_stack != nullptr && min_x < max_x && min_y < max_y) {
        range = cell_range(*query.grid, Bounds{min_x, min_y, max_x, max_y});
    }
    query.first_column = range.first_column;
    query.column_end = range.column_end;
    query.row_end = range.row_end;
    query.column = range.first_column;
    query.row = range.first_row;
    query.bucket = cell_range_empty(range) ? nullptr : cell_head(query);
    query.bucket_index = 0;
    query.mask = 1;
    query.stack_mark = QueryStackMark{query_stack, query_stack != nullptr ? query_stack->count : 0};
}

Collider* region_query_next(RegionQuery& query) {
    if (Collider* found = chain_next(query)) return found;
    ++query.column;
    while (query.row < query.row_end) {
        while (query.column < query.column_end) {
            query.bucket = cell_head(query);
            query.bucket_index = 0;
            if (Collider* found = chain_next(query)) return found;
            ++query.column;
        }
        ++query.row;
        query.column = query.first_column;
    }
    region_query_end(query);
    return nullptr;
}

void region_query_end(RegionQuery& query) {
    query.bucket = nullptr;
    query.row = query.row_end;
    if (query_stack == nullptr) return;
    while (!stack_at_mark(query.stack_mark)) {
        Collider** slot = block_pop(query_stack);
        if (slot == nullptr) break;
        (*slot)->visited = 0;
    }
}

}  // namespace novra
