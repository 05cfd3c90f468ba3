#include "statistics.h"

#include <algorithm>
#include <cmath>

namespace e2e {

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const double rank = p / 100.0 * double(values.size() - 1);
    const size_t low = size_t(std::floor(rank));
    const size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (rank - double(low));
}

double median(const std::vector<double> &values)
{
    return percentile(values, 50);
}

} // namespace e2e
