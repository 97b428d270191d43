// swept_box_test on arbitrary boxes and displacements against an exact model that works from the boxes
// themselves: over time t, M at m + t * md and B at b + t * bd overlap with positive area while four linear
// functions a + k * t are all positive. The first contact is where the last of them turns positive, and the
// constraints that turn positive there name the face (both axes at once: a corner). The model keeps every
// quantity in 128 bits, so it is exact over the whole int32 range.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "collision/collision.h"

namespace novra {
namespace {

__extension__ typedef __int128 Wide;  // a clang and GCC type; the fuzz build is clang only

struct Box {
    int32_t x, y, w, h, dx, dy;
};

// A time num / den with den > 0.
struct Fraction {
    Wide num, den;
};

bool fraction_less(Fraction a, Fraction b) {
    return a.num * b.den < b.num * a.den;
}
bool fraction_equal(Fraction a, Fraction b) {
    return a.num * b.den == b.num * a.den;
}

bool fits_int32(Wide value) {
    return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

struct Expected {
    ContactKind contact;
    Fraction time;
    bool representable;  // every constraint that enters at `time` gives a fraction that fits int32
};

Expected model_contact(const Box& b, const Box& m) {
    const Expected none{ContactKind::none, {0, 1}, true};
    if (b.w <= 0 || b.h <= 0 || m.w <= 0 || m.h <= 0) return none;
    struct Constraint {
        Wide a, k;
        bool along_x;
    };
    const Constraint constraints[4] = {
        {Wide{m.x} + m.w - b.x, Wide{m.dx} - b.dx, true},   // M's right beyond B's left
        {Wide{b.x} + b.w - m.x, Wide{b.dx} - m.dx, true},   // B's right beyond M's left
        {Wide{m.y} + m.h - b.y, Wide{m.dy} - b.dy, false},  // M's top above B's bottom
        {Wide{b.y} + b.h - m.y, Wide{b.dy} - m.dy, false},  // B's top above M's bottom
    };
    bool have_lower = false, have_upper = false;
    Fraction lower{0, 1}, upper{0, 1};
    for (const Constraint& c : constraints) {
        if (c.k == 0) {
            if (c.a <= 0) return none;  // never overlapping along this axis
        } else if (c.k > 0) {
            const Fraction bound{-c.a, c.k};  // positive once t > -a / k
            if (!have_lower || fraction_less(lower, bound)) lower = bound;
            have_lower = true;
        } else {
            const Fraction bound{c.a, -c.k};  // positive while t < a / -k
            if (!have_upper || fraction_less(bound, upper)) upper = bound;
            have_upper = true;
        }
    }
    // No entering constraint: no relative motion. An empty open interval: grazing or sliding.
    if (!have_lower || (have_upper && !fraction_less(lower, upper))) return none;
    bool enters_x = false, enters_y = false, representable = true;
    for (const Constraint& c : constraints) {
        if (c.k <= 0 || !fraction_equal(Fraction{-c.a, c.k}, lower)) continue;
        (c.along_x ? enters_x : enters_y) = true;
        representable = representable && fits_int32(-c.a) && fits_int32(c.k);
    }
    const ContactKind contact = enters_x && enters_y ? ContactKind::corner
                                : enters_x           ? ContactKind::x_face
                                                     : ContactKind::y_face;
    return {contact, lower, representable};
}

// Which side of the frame a time falls on: before its start, during it, or at or after its end. The
// game counts only contacts during the frame, so an inexact time must keep this.
int32_t frame_part(Fraction t) {
    if (t.num < 0) return -1;
    return t.num < t.den ? 0 : 1;
}

// One coordinate: mostly small numbers, where exact corner passes and flush faces are frequent, and
// numbers at either end of the int32 range, where every difference and product is widest.
int32_t take_coordinate(FuzzedDataProvider& input) {
    const uint8_t kind = input.ConsumeIntegral<uint8_t>();
    switch (kind % 4) {
        case 0:
            return input.ConsumeIntegralInRange<int32_t>(-8, 8);
        case 1:
            return std::numeric_limits<int32_t>::max() - input.ConsumeIntegralInRange<int32_t>(0, 64);
        case 2:
            return std::numeric_limits<int32_t>::min() + input.ConsumeIntegralInRange<int32_t>(0, 64);
        default:
            return input.ConsumeIntegral<int32_t>();
    }
}

Box take_box(FuzzedDataProvider& input) {
    Box box;
    for (int32_t* field : {&box.x, &box.y, &box.w, &box.h, &box.dx, &box.dy})
        *field = take_coordinate(input);
    return box;
}

[[noreturn]] void report(const char* what, const Box& b, const Box& m, const HitRecord& hit) {
    std::fprintf(stderr,
                 "swept_box_test: %s\n  B %d,%d %dx%d by %d,%d\n  M %d,%d %dx%d by %d,%d\n"
                 "  got contact %d at %d/%d\n",
                 what, b.x, b.y, b.w, b.h, b.dx, b.dy, m.x, m.y, m.w, m.h, m.dx, m.dy,
                 static_cast<int32_t>(hit.contact), hit.time_num, hit.time_den);
    std::abort();
}

}  // namespace
}  // namespace novra

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace novra;
    FuzzedDataProvider input(data, size);
    const Box b = take_box(input);
    const Box m = take_box(input);
    const Expected expected = model_contact(b, m);
    const HitRecord hit = swept_box_test(b.x, b.y, b.w, b.h, b.dx, b.dy, m.x, m.y, m.w, m.h, m.dx, m.dy);
    if (hit.contact != expected.contact) report("wrong contact kind", b, m, hit);
    if (expected.contact == ContactKind::none) return 0;
    if (hit.time_den <= 0) report("denominator not positive", b, m, hit);
    const Fraction time{hit.time_num, hit.time_den};
    if (expected.representable && !fraction_equal(time, expected.time)) report("wrong time", b, m, hit);
    if (frame_part(time) != frame_part(expected.time))
        report("time on the wrong side of the frame", b, m, hit);
    return 0;
}
