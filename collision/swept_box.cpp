#include <limits>

#include "collision/collision.h"
#include "collision/cross_sign.h"

namespace novra {
namespace {

constexpr HitRecord no_contact{0, 1, ContactKind::none, nullptr};

int32_t sign(int64_t value) {
    return (value > 0) - (value < 0);
}

bool fits_int32(int64_t value) {
    return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

// The time num / den (den > 0) as an int32 fraction. Only coordinates about 2^31 apart give a fraction
// that does not fit; it is then shifted right, numerator and denominator alike, which keeps its sign and
// leaves |t| at 2^29 or more wherever the denominator would vanish. Shifting can round a time just below 1
// up to exactly 1, which would move a contact during the frame out of it: such a time is kept below 1.
HitRecord contact_at(ContactKind contact, int64_t num, int64_t den) {
    const bool within_frame = num >= 0 && num < den;
    while (!fits_int32(num) || !fits_int32(den)) {
        num >>= 1;
        den >>= 1;
    }
    if (den <= 0) den = 1;
    if (within_frame && num >= den) num = den - 1;
    return HitRecord{static_cast<int32_t>(num), static_cast<int32_t>(den), contact, nullptr};
}

// The corner rule at a corner the line of motion passes exactly through. The motion enters there when both
// components have the corner's entering signs, and only grazes it (or slides along an edge through it, or
// stands still) when they are mixed or zero. When both have the opposite signs the line leaves there and
// entered through another face or corner, which the later steps find: `decided` is then false.
struct CornerRule {
    bool decided;
    HitRecord hit;
};

CornerRule corner_rule(int64_t vx, int64_t vy, int32_t entering_x, int32_t entering_y, int64_t num,
                       int64_t den) {
    const int32_t sx = sign(vx), sy = sign(vy);
    if (sx == entering_x && sy == entering_y) return {true, contact_at(ContactKind::corner, num, den)};
    if (sx == -entering_x && sy == -entering_y) return {false, no_contact};
    return {true, no_contact};
}

}  // namespace

HitRecord swept_box_test(int32_t bx, int32_t by, int32_t bw, int32_t bh, int32_t bdx, int32_t bdy, int32_t mx,
                         int32_t my, int32_t mw, int32_t mh, int32_t mdx, int32_t mdy) {
    if (bw <= 0 || bh <= 0 || mw <= 0 || mh <= 0) return no_contact;

    // Relative displacement and the expanded rectangle (x0, x1) x (y0, y1) of displacements at which M
    // overlaps B: each fits in 34 bits, so they are formed in 64.
    const int64_t vx = int64_t{mdx} - bdx, vy = int64_t{mdy} - bdy;
    const int64_t x0 = int64_t{bx} - mx - mw, x1 = int64_t{bx} + bw - mx;
    const int64_t y0 = int64_t{by} - my - mh, y1 = int64_t{by} + bh - my;

    // Sign of the cross product of the displacement with each corner: 0 when the line of motion through
    // M's start passes exactly through it. The products need up to 67 bits.
    const int32_t c_bl = product_difference_sign(vx, y0, vy, x0);
    const int32_t c_br = product_difference_sign(vx, y0, vy, x1);
    const int32_t c_tr = product_difference_sign(vx, y1, vy, x1);
    const int32_t c_tl = product_difference_sign(vx, y1, vy, x0);

    if (c_bl == 0) {
        const CornerRule rule = corner_rule(vx, vy, 1, 1, x0, vx);
        if (rule.decided) return rule.hit;
    }
    if (c_br == 0) {
        const CornerRule rule = corner_rule(vx, vy, -1, 1, y0, vy);
        if (rule.decided) return rule.hit;
    }
    if (c_bl > 0 && c_br < 0) return contact_at(ContactKind::y_face, y0, vy);  // M's top meets B's bottom
    if (c_tr == 0) {
        const CornerRule rule = corner_rule(vx, vy, -1, -1, -x1, -vx);
        if (rule.decided) return rule.hit;
    }
    if (c_br > 0 && c_tr < 0) return contact_at(ContactKind::x_face, -x1, -vx);  // M's left meets B's right
    if (c_tl == 0) {
        const CornerRule rule = corner_rule(vx, vy, 1, -1, x0, vx);
        if (rule.decided) return rule.hit;
    }
    if (c_tr > 0 && c_tl < 0) return contact_at(ContactKind::y_face, -y1, -vy);  // M's bottom meets B's top
    if (c_tl > 0 && c_bl < 0) return contact_at(ContactKind::x_face, x0, vx);    // M's right meets B's left
    return no_contact;
}

}  // namespace novra
