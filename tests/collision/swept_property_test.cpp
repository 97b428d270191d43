// swept_box_test against a model that works from the boxes themselves: over time t, M at m + t * md and B
// at b + t * bd overlap with positive area while four linear functions a + k * t are all positive. The
// first contact is where the last of them turns positive; the constraint that does so names the face.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <random>

#include "collision/collision.h"

namespace novra {
namespace {

struct Box {
    int32_t x, y, w, h, dx, dy;
};

struct Fraction {
    int64_t num, den;  // den > 0
};

bool fraction_less(Fraction a, Fraction b) {
    return a.num * b.den < b.num * a.den;
}
bool fraction_equal(Fraction a, Fraction b) {
    return a.num * b.den == b.num * a.den;
}

struct Expected {
    ContactKind contact;
    Fraction time;
};

Expected model_contact(const Box& b, const Box& m) {
    if (b.w <= 0 || b.h <= 0 || m.w <= 0 || m.h <= 0) return {ContactKind::none, {0, 1}};
    struct Constraint {
        int64_t a, k;
        bool along_x;
    };
    const Constraint constraints[4] = {
        {int64_t{m.x} + m.w - b.x, int64_t{m.dx} - b.dx, true},   // M's right beyond B's left
        {int64_t{b.x} + b.w - m.x, int64_t{b.dx} - m.dx, true},   // B's right beyond M's left
        {int64_t{m.y} + m.h - b.y, int64_t{m.dy} - b.dy, false},  // M's top above B's bottom
        {int64_t{b.y} + b.h - m.y, int64_t{b.dy} - m.dy, false},  // B's top above M's bottom
    };
    std::optional<Fraction> lower, upper;
    bool lower_x = false, lower_y = false;
    for (const Constraint& c : constraints) {
        if (c.k == 0) {
            if (c.a <= 0) return {ContactKind::none, {0, 1}};  // never overlapping on this axis
            continue;
        }
        if (c.k > 0) {  // positive once t > -a / k
            const Fraction bound{-c.a, c.k};
            if (!lower || fraction_less(*lower, bound)) {
                lower = bound;
                lower_x = c.along_x;
                lower_y = !c.along_x;
            } else if (fraction_equal(*lower, bound)) {
                (c.along_x ? lower_x : lower_y) = true;
            }
        } else {  // positive while t < a / -k
            const Fraction bound{c.a, -c.k};
            if (!upper || fraction_less(bound, *upper)) upper = bound;
        }
    }
    // No entering constraint: no relative motion. An empty open interval: grazing or sliding.
    if (!lower || (upper && !fraction_less(*lower, *upper))) return {ContactKind::none, {0, 1}};
    const ContactKind contact = lower_x && lower_y ? ContactKind::corner
                                : lower_x          ? ContactKind::x_face
                                                   : ContactKind::y_face;
    return {contact, *lower};
}

Box random_box(std::mt19937& random, int32_t spread, int32_t size, int32_t speed, bool moving) {
    std::uniform_int_distribution<int32_t> position(-spread, spread), extent(1, size), step(-speed, speed);
    Box box{position(random), position(random), extent(random), extent(random), 0, 0};
    if (moving) {
        box.dx = step(random);
        box.dy = step(random);
    }
    return box;
}

HitRecord test_boxes(const Box& b, const Box& m) {
    return swept_box_test(b.x, b.y, b.w, b.h, b.dx, b.dy, m.x, m.y, m.w, m.h, m.dx, m.dy);
}

void expect_matches_model(const Box& b, const Box& m) {
    const Expected expected = model_contact(b, m);
    const HitRecord hit = test_boxes(b, m);
    ASSERT_EQ(hit.contact, expected.contact)
        << "B " << b.x << "," << b.y << " " << b.w << "x" << b.h << " by " << b.dx << "," << b.dy << "  M "
        << m.x << "," << m.y << " " << m.w << "x" << m.h << " by " << m.dx << "," << m.dy;
    if (expected.contact == ContactKind::none) return;
    ASSERT_GT(hit.time_den, 0);
    ASSERT_TRUE(fraction_equal(Fraction{hit.time_num, hit.time_den}, expected.time))
        << hit.time_num << "/" << hit.time_den << " expected " << expected.time.num << "/"
        << expected.time.den;
}

TEST(SweptBoxTestProperty, MatchesFirstContactOfTheBoxesOverTimeOnSmallIntegers) {
    std::mt19937 random(1234);
    for (int32_t i = 0; i < 300000; ++i) {
        // Small ranges make exact corner passes, flush faces and overlaps frequent.
        const Box b = random_box(random, 6, 4, 3, i % 3 == 0);
        const Box m = random_box(random, 6, 4, 3, true);
        expect_matches_model(b, m);
    }
}

TEST(SweptBoxTestProperty, BoxesOfNonPositiveSizeNeverTouch) {
    std::mt19937 random(99);
    std::uniform_int_distribution<int32_t> size(-3, 0);
    for (int32_t i = 0; i < 20000; ++i) {
        Box b = random_box(random, 6, 4, 3, true);
        Box m = random_box(random, 6, 4, 3, true);
        (i % 4 == 0 ? b.w : i % 4 == 1 ? b.h : i % 4 == 2 ? m.w : m.h) = size(random);
        ASSERT_EQ(test_boxes(b, m).contact, ContactKind::none);
    }
}

Box shifted(Box box, int64_t offset_x, int64_t offset_y, int64_t speed_x, int64_t speed_y) {
    return Box{static_cast<int32_t>(box.x + offset_x), static_cast<int32_t>(box.y + offset_y), box.w, box.h,
               static_cast<int32_t>(box.dx + speed_x), static_cast<int32_t>(box.dy + speed_y)};
}

// Moving both boxes to the ends of the coordinate range, or giving both the same huge extra speed, changes
// nothing about their contact: every difference and product the test forms must stay exact there.
TEST(SweptBoxTestProperty, ContactIsUnchangedByCommonOffsetAndSpeedAtTheInt32Limits) {
    constexpr int64_t int_max = std::numeric_limits<int32_t>::max();
    constexpr int64_t int_min = std::numeric_limits<int32_t>::min();
    const int64_t offsets[] = {int_max - 20, int_min + 20};
    const int64_t speeds[] = {0, int_max - 10, int_min + 10};
    std::mt19937 random(5);
    for (int32_t i = 0; i < 60000; ++i) {
        const Box b = random_box(random, 6, 4, 3, true);
        const Box m = random_box(random, 6, 4, 3, true);
        const HitRecord base = test_boxes(b, m);
        const int64_t offset_x = offsets[i % 2], offset_y = offsets[(i / 2) % 2];
        const int64_t speed_x = speeds[(i / 4) % 3], speed_y = speeds[(i / 12) % 3];
        const HitRecord moved = test_boxes(shifted(b, offset_x, offset_y, speed_x, speed_y),
                                           shifted(m, offset_x, offset_y, speed_x, speed_y));
        ASSERT_EQ(moved.contact, base.contact);
        if (base.contact == ContactKind::none) continue;
        ASSERT_EQ(moved.time_num, base.time_num);
        ASSERT_EQ(moved.time_den, base.time_den);
    }
}

Box scaled(Box box, int32_t factor) {
    return Box{box.x * factor, box.y * factor,  box.w * factor,
               box.h * factor, box.dx * factor, box.dy * factor};
}

// Scaling everything by 2^27 keeps every contact and its time, with products of up to 2^65 in the corner
// values; fractions that do not fit are shifted by powers of two and so stay exact.
TEST(SweptBoxTestProperty, ContactIsUnchangedByScalingToHugeCoordinates) {
    constexpr int32_t factor = 1 << 27;
    std::mt19937 random(11);
    for (int32_t i = 0; i < 60000; ++i) {
        const Box b = random_box(random, 15, 15, 15, i % 2 == 0);
        const Box m = random_box(random, 15, 15, 15, true);
        const Expected expected = model_contact(b, m);
        const HitRecord hit = test_boxes(scaled(b, factor), scaled(m, factor));
        ASSERT_EQ(hit.contact, expected.contact);
        if (expected.contact == ContactKind::none) continue;
        ASSERT_GT(hit.time_den, 0);
        ASSERT_TRUE(fraction_equal(Fraction{hit.time_num, hit.time_den}, expected.time));
    }
}

}  // namespace
}  // namespace novra
