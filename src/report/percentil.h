// The nearest-rank percentile: the report's medians and 90th percentiles
// and the screen's median gap between calls are all taken by it.
#ifndef QUENVARO_REPORT_PERCENTIL_H_
#define QUENVARO_REPORT_PERCENTIL_H_

#include <cstddef>

// Reorders the n > 0 `valores` so that the ceil(n * porCiento / 100)-th
// smallest (porCiento 1 to 100; 50 is the median) stands at its rank, and
// returns it.
long long FunPercentilCercano(long long* valores, std::size_t n, int porCiento);

#endif  // QUENVARO_REPORT_PERCENTIL_H_
