#include "programs/small_kit/double_vec.h"

#include <cmath>
#include <limits>

namespace small_kit {

double length(DoubleVec v) { return std::sqrt(lengthSquared(v)); }

DoubleVec vecLimit(DoubleVec v, double maxLength) {
    const double l = length(v);
    if (l == 0.0 || std::isnan(l)) {
        return {};
    }
    if (l > maxLength) {
        return v * (maxLength / l);
    }
    return v;
}

DoubleVec vecNormalise(DoubleVec v) {
    const double l = length(v);
    if (l == 0.0 || std::isnan(l)) {
        return {};
    }
    return v * (1.0 / l);
}

int32_t truncToInt32(double value) {
    // Both bounds are exactly representable; anything in [-2^31, 2^31) truncates to a
    // valid int32 value.
    constexpr double kLowest = -2147483648.0;
    constexpr double kBeyond = 2147483648.0;
    if (!(value >= kLowest && value < kBeyond)) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

double axisCircleEntry(DoubleVec l, double r, double noEntry) {
    const double b = -2.0 * l.x;
    const double disc = b * b - 4.0 * (l.x * l.x + l.y * l.y - r * r);
    if (disc > 0.0) {
        return (-b - std::sqrt(disc)) * 0.5;
    }
    return noEntry;
}

}  // namespace small_kit
