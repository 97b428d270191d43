#include "collision/cell_range.h"

namespace novra {

HitRecord sweep_begin(SweepQuery& query, int32_t x, int32_t y, int32_t w, int32_t h, int32_t dx, int32_t dy) {
    query.x = x;
    query.y = y;
    query.w = w;
    query.h = h;
    query.dx = dx;
    query.dy = dy;
    // A box without area touches nothing, so it queries no area.
    const Bounds bounds = w > 0 && h > 0 ? motion_bounds(x, y, w, h, dx, dy) : Bounds{x, y, x, y};
    region_query_begin(query.region, bounds.min_x, bounds.min_y, bounds.max_x, bounds.max_y);
    return sweep_next(query);
}

HitRecord sweep_next(SweepQuery& query) {
    while (Collider* collider = region_query_next(query.region)) {
        ColliderBox* b = collider->box;
        if (b->ignored != 0) continue;
        HitRecord hit = swept_box_test(b->x, b->y, b->w, b->h, b->dx, b->dy, query.x, query.y, query.w,
                                       query.h, query.dx, query.dy);
        if (hit.contact == ContactKind::none) continue;
        hit.box = b;
        return hit;
    }
    return HitRecord{0, 1, ContactKind::none, nullptr};
}

bool hit_earlier(const HitRecord& a, const HitRecord& b) {
    return int64_t{a.time_num} * b.time_den < int64_t{b.time_num} * a.time_den;
}

}  // namespace novra
