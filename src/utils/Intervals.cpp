#include "utils/Intervals.h"

#include <array>

namespace Utils {

namespace {

constexpr std::array<int, 8> kIntervals = {20000, 8000, 45000, 120000, 3600000, 600000, 30000, 10000};

std::array<int, 8>& overrides()
{
    static std::array<int, 8> values = {};
    return values;
}

} // namespace

int intervalMs(Interval interval)
{
    const auto index = static_cast<std::size_t>(interval);
    const int shortened = overrides()[index];
    return shortened > 0 ? shortened : kIntervals[index];
}

void setIntervalForTesting(Interval interval, int milliseconds)
{
    overrides()[static_cast<std::size_t>(interval)] = milliseconds;
}

} // namespace Utils
