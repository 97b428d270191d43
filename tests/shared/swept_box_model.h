// An exact model of swept_box_test that works from the boxes themselves: over time t, M at m + t * md and
// B at b + t * bd overlap with positive area while four linear functions a + k * t are all positive. The
// first contact is where the last of them turns positive, and the constraints that turn positive there
// name the face (both axes at once: a corner). Shared by the swept-box property test and its fuzz target.
#pragma once

#include <cstdint>
#include <limits>

#include "collision/collision.h"

namespace novra {

// Every quantity the model forms fits 128 bits over the whole int32 range. Where the compiler has no
// 128-bit integer (MSVC, 32-bit targets) the model is exact only for coordinates and speeds below 2^29.
#if defined(__SIZEOF_INT128__)
__extension__ typedef __int128 ModelWide;
#else
using ModelWide = int64_t;
#endif

struct ModelBox {
    int32_t x, y, w, h, dx, dy;
};

// A time num / den with den > 0.
struct ModelTime {
    ModelWide num, den;
};

inline bool time_less(ModelTime a, ModelTime b) {
    return a.num * b.den < b.num * a.den;
}
inline bool time_equal(ModelTime a, ModelTime b) {
    return a.num * b.den == b.num * a.den;
}

struct ModelContact {
    ContactKind contact;
    ModelTime time;
    bool representable;  // every constraint that enters at `time` gives a fraction that fits int32
};

inline ModelContact model_contact(const ModelBox& b, const ModelBox& m) {
    const ModelContact none{ContactKind::none, {0, 1}, true};
    if (b.w <= 0 || b.h <= 0 || m.w <= 0 || m.h <= 0) return none;
    struct Constraint {
        ModelWide a, k;
        bool along_x;
    };
    const Constraint constraints[4] = {
        {ModelWide{m.x} + m.w - b.x, ModelWide{m.dx} - b.dx, true},   // M's right beyond B's left
        {ModelWide{b.x} + b.w - m.x, ModelWide{b.dx} - m.dx, true},   // B's right beyond M's left
        {ModelWide{m.y} + m.h - b.y, ModelWide{m.dy} - b.dy, false},  // M's top above B's bottom
        {ModelWide{b.y} + b.h - m.y, ModelWide{b.dy} - m.dy, false},  // B's top above M's bottom
    };
    bool have_lower = false, have_upper = false;
    ModelTime lower{0, 1}, upper{0, 1};
    for (const Constraint& c : constraints) {
        if (c.k == 0) {
            if (c.a <= 0) return none;  // never overlapping along this axis
        } else if (c.k > 0) {
            const ModelTime bound{-c.a, c.k};  // positive once t > -a / k
            if (!have_lower || time_less(lower, bound)) lower = bound;
            have_lower = true;
        } else {
            const ModelTime bound{c.a, -c.k};  // positive while t < a / -k
            if (!have_upper || time_less(bound, upper)) upper = bound;
            have_upper = true;
        }
    }
    // No entering constraint: no relative motion. An empty open interval: grazing or sliding.
    if (!have_lower || (have_upper && !time_less(lower, upper))) return none;
    const auto fits_int32 = [](ModelWide value) {
        return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
    };
    bool enters_x = false, enters_y = false, representable = true;
    for (const Constraint& c : constraints) {
        if (c.k <= 0 || !time_equal(ModelTime{-c.a, c.k}, lower)) continue;
        (c.along_x ? enters_x : enters_y) = true;
        representable = representable && fits_int32(-c.a) && fits_int32(c.k);
    }
    const ContactKind contact = enters_x && enters_y ? ContactKind::corner
                                : enters_x           ? ContactKind::x_face
                                                     : ContactKind::y_face;
    return {contact, lower, representable};
}

inline HitRecord swept_box_test(const ModelBox& b, const ModelBox& m) {
    return swept_box_test(b.x, b.y, b.w, b.h, b.dx, b.dy, m.x, m.y, m.w, m.h, m.dx, m.dy);
}

}  // namespace novra
