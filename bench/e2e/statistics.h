#pragma once

#include <vector>

namespace e2e {

// The p-th percentile (0 to 100), interpolated between ranks; NaN for no values.
double percentile(std::vector<double> values, double p);
double median(const std::vector<double> &values);

} // namespace e2e
