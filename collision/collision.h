// Collision: a uniform grid of colliders rebuilt every frame, lazy region queries over it, and an exact
// swept-box test in integer arithmetic with the sweep query that joins the two. The one header a user of
// collision includes.
//
// World coordinates are the Framebuffer's: x to the right, y upward; a box (x, y, w, h) covers
// [x, x + w) x [y, y + h). A box of width or height 0 or less covers nothing: it is recorded, but no query
// finds it and it is never in contact.
#pragma once

#include <cstdint>

#include "core/block_list.h"

namespace novra {

enum class ContactKind : int32_t { none = 0, x_face = 2, y_face = 3, corner = 4 };

// A box exactly as grid_add_box received it. The slot is 48 bytes, of which the seven fields take 28.
struct ColliderBox {
    int32_t ignored;  // nonzero makes sweeps pass over the box; grid_add_box sets 0
    int32_t x, y;     // bottom-left corner
    int32_t w, h;
    int32_t dx, dy;  // the box's own displacement in this frame
    unsigned char unused[20];
};

// The grid's entry for one box: the half-open bounds [min_x, max_x) x [min_y, max_y) through which
// region queries find it.
struct Collider {
    int32_t min_x, min_y, max_x, max_y;
    uint32_t mask;    // layer bits; grid_add_box sets 1
    int32_t visited;  // 1 while a region query that yielded this collider has not ended
    ColliderBox* box;
};

// One node of a cell's chain, read from the newest (the cell's head) towards the older ones.
struct CellBucket {
    CellBucket* next;  // the older bucket of the same cell, null at the end of the chain
    CellBucket* prev;  // the newer bucket put in front of this one; written, never read
    int32_t count;     // entries in use, 0 to 4; only the head has free entries
    Collider* colliders[4];
};

// 4 x 3 cells of 64 x 64 over the 256 x 192 world; cell (c, r) is cells[r * columns + c], row 0 at the
// bottom. extent_width = columns * cell_width and extent_height = rows * cell_height.
struct CollisionGrid {
    int32_t columns, rows, cell_width, cell_height, origin_x, origin_y, extent_width, extent_height;
    BlockList<CellBucket, 4> buckets;
    BlockList<Collider, 64> colliders;
    CellBucket* cells[12];  // head bucket of each cell, null for an empty cell
};

// Every heap block collision takes (the grid record and the blocks of its stores) comes from here:
// std::malloc, swapped by tests to make an allocation fail.
extern BlockAllocate collision_allocate;

extern CollisionGrid* collision_grid;
extern BlockList<ColliderBox, 64> collider_boxes;
extern Block<Collider*, 16>* query_stack;  // current block only; holds what the running query yielded

// The query_stack's top as a block and a count within it.
struct QueryStackMark {
    Block<Collider*, 16>* block;
    int32_t count;
};

// A lazy walk over the colliders whose bounds overlap [min_x, max_x) x [min_y, max_y) with positive area.
struct RegionQuery {
    CollisionGrid* grid;
    int32_t min_x, min_y, max_x, max_y;
    int32_t first_column, column_end, row_end;  // the cell range; the first row only sets `row`
    int32_t column, row;                        // the cell being walked
    QueryStackMark stack_mark;                  // the query_stack's top when the query began
    int32_t bucket_index;                       // the next entry of `bucket` to examine
    uint32_t mask;
    CellBucket* bucket;  // null when the current cell is used up
};

// One contact: at time t = time_num / time_den of the frame (0 at its start, 1 at its end, unbounded
// either way) the boxes first touch through `contact`. time_den is positive for every contact.
struct HitRecord {
    int32_t time_num;
    int32_t time_den;
    ContactKind contact;
    ColliderBox* box;  // the touched box; set by the sweep
};

// The state of one sweep of a moving box through the grid.
struct SweepQuery {
    int32_t x, y, w, h;
    int32_t dx, dy;
    RegionQuery region;
};

// Makes fresh, empty stores in this order: the grid (all cells null, `buckets` then `colliders` with one
// empty block each), the query_stack, collider_boxes. Releases the stores of an earlier call first. A
// store whose allocation fails is left null and every operation below then works without it.
void collision_init();

// Records the box and enters its collider into every cell its bounds cover. The bounds are
// [min(x, x + dx), max(x, x + dx) + w) x [min(y, y + dy), max(y, y + dy) + h), clamped to the int32 range.
// A box of width or height 0 or less is recorded but entered into no cell. When a store cannot grow the
// whole box is dropped: nothing of it is recorded.
void grid_add_box(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx, int32_t dy);

// Empties collider_boxes, the cells, `buckets` and `colliders`, keeping every block for the next frame.
void grid_reset();

// Starts a query over [min_x, max_x) x [min_y, max_y); bounds with no area give a query that yields nothing.
void region_query_begin(RegionQuery& query, int32_t min_x, int32_t min_y, int32_t max_x, int32_t max_y);

// Returns the next matching collider, marked visited and pushed on the query_stack: cells from the bottom
// row up, each row left to right, newest bucket first, entries in entry order; each collider once. Returns
// null, having ended the query, when none is left. If the query_stack cannot grow the collider is returned
// unmarked, so another cell may return it again.
Collider* region_query_next(RegionQuery& query);

// Clears the visited flags of what the query yielded and pops them off the query_stack. The query then
// yields nothing more; ending it again does nothing.
void region_query_end(RegionQuery& query);

// Whether and when moving box M (mx, my, mw, mh, displaced by mdx, mdy) touches box B (bx, ... bdy), which
// moves too: the face or corner through which the line of relative motion enters the area where the two
// overlap, and the time of entry, also before the start or after the end. No contact for grazing, sliding,
// no relative motion, or a box of width or height 0 or less. Exact for all int32 inputs; a time whose
// fraction does not fit in int32 is stored with numerator and denominator shifted right alike (its sign and
// its order against 0 and 1 are kept). Does not set `box`.
HitRecord swept_box_test(int32_t bx, int32_t by, int32_t bw, int32_t bh, int32_t bdx, int32_t bdy, int32_t mx,
                         int32_t my, int32_t mw, int32_t mh, int32_t mdx, int32_t mdy);

// Starts a sweep of box (x, y, w, h) displaced by (dx, dy) and returns its first contact, as sweep_next.
// A box of width or height 0 or less queries nothing and returns no contact.
HitRecord sweep_begin(SweepQuery& query, int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx, int32_t dy);

// Returns the next contact with a non-ignored collider, in the region query's order and with its time
// unfiltered, or contact none once the colliders are used up (the query has then ended).
HitRecord sweep_next(SweepQuery& query);

// Whether contact a happens before contact b (products in 64 bits; both denominators positive).
bool hit_earlier(const HitRecord& a, const HitRecord& b);

static_assert(sizeof(ColliderBox) == 48, "a collider box takes a 48-byte slot");
static_assert(sizeof(void*) != 4 || sizeof(Block<ColliderBox, 64>) == 3084, "collider_boxes blocks");
static_assert(sizeof(void*) != 4 || sizeof(Collider) == 28, "colliders are 28 bytes");
static_assert(sizeof(void*) != 4 || sizeof(CellBucket) == 28, "cell buckets are 28 bytes");
static_assert(sizeof(void*) != 4 || sizeof(Block<Collider, 64>) == 1804, "collider blocks");
static_assert(sizeof(void*) != 4 || sizeof(Block<CellBucket, 4>) == 124, "cell bucket blocks");
static_assert(sizeof(void*) != 4 || sizeof(Block<Collider*, 16>) == 76, "query stack blocks");

}  // namespace novra
