// swept_box_test against the exact model of the boxes over time that its fuzz target shares, on small
// integers where corner passes and flush faces are frequent, and the contact's invariance under common
// offsets, speeds and scaling out to the int32 limits.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "tests/shared/swept_box_model.h"

namespace novra {
namespace {

ModelBox random_box(std::mt19937& random, int32_t spread, int32_t size, int32_t speed, bool moving) {
    std::uniform_int_distribution<int32_t> position(-spread, spread), extent(1, size), step(-speed, speed);
    ModelBox box{position(random), position(random), extent(random), extent(random), 0, 0};
    if (moving) {
        box.dx = step(random);
        box.dy = step(random);
    }
    return box;
}

void expect_matches_model(const ModelBox& b, const ModelBox& m) {
    const ModelContact expected = model_contact(b, m);
    const HitRecord hit = swept_box_test(b, m);
    ASSERT_EQ(hit.contact, expected.contact)
        << "B " << b.x << "," << b.y << " " << b.w << "x" << b.h << " by " << b.dx << "," << b.dy << "  M "
        << m.x << "," << m.y << " " << m.w << "x" << m.h << " by " << m.dx << "," << m.dy;
    if (expected.contact == ContactKind::none) return;
    ASSERT_GT(hit.time_den, 0);
    ASSERT_TRUE(time_equal(ModelTime{hit.time_num, hit.time_den}, expected.time))
        << hit.time_num << "/" << hit.time_den << " expected " << int64_t(expected.time.num) << "/"
        << int64_t(expected.time.den);
}

TEST(SweptBoxTestProperty, MatchesFirstContactOfTheBoxesOverTimeOnSmallIntegers) {
    std::mt19937 random(1234);
    for (int32_t i = 0; i < 300000; ++i) {
        // Small ranges make exact corner passes, flush faces and overlaps frequent.
        const ModelBox b = random_box(random, 6, 4, 3, i % 3 == 0);
        const ModelBox m = random_box(random, 6, 4, 3, true);
        expect_matches_model(b, m);
    }
}

TEST(SweptBoxTestProperty, BoxesOfNonPositiveSizeNeverTouch) {
    std::mt19937 random(99);
    std::uniform_int_distribution<int32_t> size(-3, 0);
    for (int32_t i = 0; i < 20000; ++i) {
        ModelBox b = random_box(random, 6, 4, 3, true);
        ModelBox m = random_box(random, 6, 4, 3, true);
        (i % 4 == 0 ? b.w : i % 4 == 1 ? b.h : i % 4 == 2 ? m.w : m.h) = size(random);
        ASSERT_EQ(swept_box_test(b, m).contact, ContactKind::none);
    }
}

ModelBox shifted(ModelBox box, int64_t offset_x, int64_t offset_y, int64_t speed_x, int64_t speed_y) {
    return ModelBox{
        static_cast<int32_t>(box.x + offset_x), static_cast<int32_t>(box.y + offset_y), box.w, box.h,
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
        const ModelBox b = random_box(random, 6, 4, 3, true);
        const ModelBox m = random_box(random, 6, 4, 3, true);
        const HitRecord base = swept_box_test(b, m);
        const int64_t offset_x = offsets[i % 2], offset_y = offsets[(i / 2) % 2];
        const int64_t speed_x = speeds[(i / 4) % 3], speed_y = speeds[(i / 12) % 3];
        const HitRecord moved = swept_box_test(shifted(b, offset_x, offset_y, speed_x, speed_y),
                                               shifted(m, offset_x, offset_y, speed_x, speed_y));
        ASSERT_EQ(moved.contact, base.contact);
        if (base.contact == ContactKind::none) continue;
        ASSERT_EQ(moved.time_num, base.time_num);
        ASSERT_EQ(moved.time_den, base.time_den);
    }
}

ModelBox scaled(ModelBox box, int32_t factor) {
    return ModelBox{box.x * factor, box.y * factor,  box.w * factor,
                    box.h * factor, box.dx * factor, box.dy * factor};
}

// Scaling everything by 2^27 keeps every contact and its time, with products of up to 2^65 in the corner
// values; fractions that do not fit are shifted by powers of two and so stay exact.
TEST(SweptBoxTestProperty, ContactIsUnchangedByScalingToHugeCoordinates) {
    constexpr int32_t factor = 1 << 27;
    std::mt19937 random(11);
    for (int32_t i = 0; i < 60000; ++i) {
        const ModelBox b = random_box(random, 15, 15, 15, i % 2 == 0);
        const ModelBox m = random_box(random, 15, 15, 15, true);
        const ModelContact expected = model_contact(b, m);
        const HitRecord hit = swept_box_test(scaled(b, factor), scaled(m, factor));
        ASSERT_EQ(hit.contact, expected.contact);
        if (expected.contact == ContactKind::none) continue;
        ASSERT_GT(hit.time_den, 0);
        ASSERT_TRUE(time_equal(ModelTime{hit.time_num, hit.time_den}, expected.time));
    }
}

}  // namespace
}  // namespace novra
