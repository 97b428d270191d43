// swept_box_test on arbitrary boxes and displacements against the exact model of the boxes over time
// that its property test shares; with 128-bit quantities it is exact over the whole int32 range.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "tests/shared/swept_box_model.h"

namespace novra {
namespace {

// Which side of the frame a time falls on: before its start, during it, or at or after its end. The
// game counts only contacts during the frame, so an inexact time must keep this.
int32_t frame_part(ModelTime t) {
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

ModelBox take_box(FuzzedDataProvider& input) {
    ModelBox box;
    for (int32_t* field : {&box.x, &box.y, &box.w, &box.h, &box.dx, &box.dy})
        *field = take_coordinate(input);
    return box;
}

[[noreturn]] void report(const char* what, const ModelBox& b, const ModelBox& m, const HitRecord& hit) {
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
    const ModelBox b = take_box(input);
    const ModelBox m = take_box(input);
    const ModelContact expected = model_contact(b, m);
    const HitRecord hit = swept_box_test(b, m);
    if (hit.contact != expected.contact) report("wrong contact kind", b, m, hit);
    if (expected.contact == ContactKind::none) return 0;
    if (hit.time_den <= 0) report("denominator not positive", b, m, hit);
    const ModelTime time{hit.time_num, hit.time_den};
    if (expected.representable && !time_equal(time, expected.time)) report("wrong time", b, m, hit);
    if (frame_part(time) != frame_part(expected.time))
        report("time on the wrong side of the frame", b, m, hit);
    return 0;
}
