#include <gtest/gtest.h>

#include <limits>

#include "collision/collision.h"

namespace novra {
namespace {

constexpr int32_t int_max = std::numeric_limits<int32_t>::max();
constexpr int32_t int_min = std::numeric_limits<int32_t>::min();

struct SweptCase {
    int32_t mx, my, mdx, mdy;  // the 12 x 12 moving box
    ContactKind contact;
    int32_t time_num, time_den;
};

// Against the 30 x 30 box at (30, 30) at rest.
class SweptAgainstRestingBox : public testing::TestWithParam<SweptCase> {};

TEST_P(SweptAgainstRestingBox, GivesTheEnteringContactAndItsExactTime) {
    const SweptCase c = GetParam();
    SCOPED_TRACE(testing::Message() << "M at " << c.mx << "," << c.my << " by " << c.mdx << "," << c.mdy);
    const HitRecord hit = swept_box_test(30, 30, 30, 30, 0, 0, c.mx, c.my, 12, 12, c.mdx, c.mdy);
    EXPECT_EQ(hit.contact, c.contact);
    if (c.contact != ContactKind::none) {
        EXPECT_EQ(hit.time_num, c.time_num);
        EXPECT_EQ(hit.time_den, c.time_den);
    }
    EXPECT_EQ(hit.box, nullptr);
}

constexpr ContactKind none = ContactKind::none, x_face = ContactKind::x_face, y_face = ContactKind::y_face,
                      corner = ContactKind::corner;

INSTANTIATE_TEST_SUITE_P(
    Table, SweptAgainstRestingBox,
    testing::Values(
        SweptCase{18, 40, 1, 0, x_face, 0, 1}, SweptCase{60, 40, -1, 0, x_face, 0, 1},
        SweptCase{40, 18, 0, 1, y_face, 0, 1}, SweptCase{40, 60, 0, -1, y_face, 0, 1},
        SweptCase{0, 40, 1, 0, x_face, 18, 1}, SweptCase{0, 40, 4, 0, x_face, 18, 4},
        SweptCase{0, 0, 5, 3, y_face, 18, 3}, SweptCase{10, 0, 1, 3, x_face, 8, 1},
        SweptCase{18, 18, 1, 1, corner, 0, 1}, SweptCase{60, 18, -1, 1, corner, 0, 1},
        SweptCase{40, 18, 1, 0, none, 0, 0},       // slides along the bottom face
        SweptCase{18, 18, -1, 1, none, 0, 0},      // grazes the bottom-left corner
        SweptCase{18, 40, 0, 0, none, 0, 0},       // no motion
        SweptCase{40, 70, 1, 0, none, 0, 0},       // passes above
        SweptCase{10, 40, -1, 0, x_face, -50, 1},  // behind the start
        SweptCase{35, 35, 1, 0, x_face, -17, 1},   // already overlapping
        // The line of motion leaves through the tested corner and entered through the opposite one.
        SweptCase{60, 60, -1, -1, corner, 0, 1}, SweptCase{18, 60, 1, -1, corner, 0, 1},
        SweptCase{60, 60, 1, 1, corner, -42, 1}, SweptCase{18, 18, -1, -1, corner, -42, 1},
        SweptCase{18, 60, -1, 1, corner, -42, 1}, SweptCase{60, 18, 1, -1, corner, -42, 1},
        // Leaving through a corner of a non-square expanded rectangle: entered through a face.
        SweptCase{-2, 8, -2, -1, x_face, -62, 2}, SweptCase{8, -2, -1, -2, y_face, -62, 2},
        SweptCase{18, 40, 0, 1, none, 0, 0},     // slides up along the left face
        SweptCase{60, 60, -1, 0, none, 0, 0}));  // slides along the top edge's line, outside

TEST(SweptBoxTest, MovingOtherBoxReachesRestingBoxAtTheEndOfTheFrame) {
    const HitRecord hit = swept_box_test(30, 30, 30, 30, 1, 0, 61, 40, 12, 12, 0, 0);
    EXPECT_EQ(hit.contact, ContactKind::x_face);
    EXPECT_EQ(hit.time_num, 1);
    EXPECT_EQ(hit.time_den, 1);
}

TEST(SweptBoxTest, BoxWithoutAreaIsNeverInContact) {
    const int32_t sizes[][4] = {{0, 30, 12, 12},  {30, 0, 12, 12},   {30, 30, 0, 12},
                                {30, 30, 12, -1}, {-30, 30, 12, 12}, {30, 30, int_min, 12}};
    for (const auto& s : sizes) {
        // Each would otherwise be met head on from the left.
        EXPECT_EQ(swept_box_test(30, 30, s[0], s[1], 0, 0, 10, 30, s[2], s[3], 5, 0).contact,
                  ContactKind::none);
        EXPECT_EQ(swept_box_test(30, 30, s[0], s[1], 0, 0, 10, 30, s[2], s[3], 5, 1).contact,
                  ContactKind::none);
    }
}

TEST(SweptBoxTest, ExtremeCoordinatesGiveExactContactsWithoutWrapping) {
    // Flush against a box at the far right end of the coordinate range.
    HitRecord hit = swept_box_test(int_max - 30, 0, 30, 30, 0, 0, int_max - 42, 0, 12, 12, 1, 0);
    EXPECT_EQ(hit.contact, ContactKind::x_face);
    EXPECT_EQ(hit.time_num, 0);
    EXPECT_EQ(hit.time_den, 1);

    // Boxes at opposite ends: the gap of 2^32 - 43 does not fit in 32 bits. The time, about 2, keeps its
    // order.
    hit = swept_box_test(int_max - 30, 0, 30, 30, 0, 0, int_min, 0, 12, 12, int_max, 0);
    EXPECT_EQ(hit.contact, ContactKind::x_face);
    EXPECT_GT(hit.time_den, 0);
    EXPECT_GT(hit.time_num, hit.time_den);
    EXPECT_LT(hit.time_num, 2 * int64_t{hit.time_den} + 1);

    // The same gap with the other box moving towards M at full speed: met before the end of the frame.
    hit = swept_box_test(int_max - 30, 0, 30, 30, int_min, 0, int_min, 0, 12, 12, int_max, 0);
    EXPECT_EQ(hit.contact, ContactKind::x_face);
    EXPECT_GE(hit.time_num, 0);
    EXPECT_LT(hit.time_num, hit.time_den);

    // Far behind: entered long before the start; the time stays negative.
    hit = swept_box_test(int_min, 0, 30, 30, 0, 0, int_max - 12, 0, 12, 12, 1, 0);
    EXPECT_EQ(hit.contact, ContactKind::x_face);
    EXPECT_GT(hit.time_den, 0);
    EXPECT_LT(hit.time_num, 0);

    // From the far left to just short of the box: met before the end of the frame.
    hit = swept_box_test(0, 0, 30, 30, 0, 0, int_min, 0, 12, 12, int_max, 0);
    EXPECT_EQ(hit.contact, ContactKind::x_face);
    EXPECT_GE(hit.time_num, 0);
    EXPECT_LT(hit.time_num, hit.time_den);

    // Passing above: nothing.
    hit = swept_box_test(0, 0, 30, 30, 0, 0, int_min, 100, 12, 12, int_max, 0);
    EXPECT_EQ(hit.contact, ContactKind::none);
}

// A time just below 1 whose fraction does not fit in 32 bits must not be rounded up to 1 when it is
// shifted, or the contact would fall outside the frame and the moving box would pass into the other.
TEST(SweptBoxTest, TimeJustBelowOneStaysBelowOneWhenItsFractionIsShifted) {
    // y0 = 2^31 + 6 over vy = 2^31 + 7, and the same on x with one unit more room.
    const HitRecord faces[] = {
        swept_box_test(int_max, int_max, int_max, int_max - 229, -8, -8, -8, -8, int_max, 1, int_max,
                       int_max),
        swept_box_test(int_max, 0, 30, 30, -8, 0, -8, 0, 1, 30, int_max, 0),
    };
    const ContactKind kinds[] = {ContactKind::y_face, ContactKind::x_face};
    for (int32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(faces[i].contact, kinds[i]);
        EXPECT_GT(faces[i].time_den, 0);
        EXPECT_GE(faces[i].time_num, 0);
        EXPECT_LT(faces[i].time_num, faces[i].time_den);
    }
}

TEST(HitEarlier, ComparesTimesAsFractionsWithoutOverflow) {
    const HitRecord half{1, 2, ContactKind::x_face, nullptr};
    const HitRecord two_quarters{2, 4, ContactKind::y_face, nullptr};
    const HitRecord third{1, 3, ContactKind::x_face, nullptr};
    const HitRecord far_behind{int_min, 1, ContactKind::x_face, nullptr};
    const HitRecord huge_den{int_max - 1, int_max, ContactKind::x_face, nullptr};
    EXPECT_TRUE(hit_earlier(third, half));
    EXPECT_FALSE(hit_earlier(half, third));
    EXPECT_FALSE(hit_earlier(half, two_quarters));
    EXPECT_FALSE(hit_earlier(two_quarters, half));
    EXPECT_TRUE(hit_earlier(far_behind, third));
    EXPECT_TRUE(hit_earlier(huge_den, HitRecord{1, 1, ContactKind::x_face, nullptr}));
    EXPECT_FALSE(hit_earlier(huge_den, half));
}

}  // namespace
}  // namespace novra
