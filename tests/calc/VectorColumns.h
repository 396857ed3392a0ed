#pragma once

// The vector loops of a kernel held to its plain loop, column by column.
#include "calc/Kernel.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace vectorcolumns {

namespace kernel = brenvik::kernel;

template <class Fn> using Loops = std::vector<std::pair<const char*, Fn>>;

// Columns of n nodes (253: the end not a whole vector) at several distances
// from an antenna at Y 40 and height h, node `centre` level with its Y;
// ground g0 + 0.2 k under node k, the receptor z above it. Each vector loop
// gives the plain loop's density and ratio to 1e-12, the density the same
// bits with or without the ratio, and leaves the padding alone.
template <class Beam, class Fn>
void ExpectSameAsPlain(const Beam& beam, Fn plain, const Loops<Fn>& loops, double h, double g0,
                       double z, const std::string& what, int n = 253, int centre = 128) {
    const int padded = n + 3;
    std::vector<double> y(padded), g(padded);
    for (int k = 0; k < padded; ++k) {
        y[k] = 40 + (k - centre) * 0.73;
        g[k] = g0 + k * 0.2;
    }
    for (double dx : {0.0, 3.1, -17.5, 250.0}) {
        const kernel::Column c{dx, y.data(), 40.0, h, g.data(), z};
        std::vector<double> ref(padded, 1.0), refRatio(padded, 2.0);
        plain(beam, c, {ref.data(), refRatio.data(), 1.0 / 450}, n);
        for (auto [name, fn] : loops) {
            std::vector<double> v(padded, 1.0), alone(padded, 1.0), ratio(padded, 2.0);
            fn(beam, c, {v.data(), ratio.data(), 1.0 / 450}, n);
            fn(beam, c, {alone.data(), nullptr, 0.0}, n);
            ASSERT_EQ(v, alone) << name << " " << what;
            for (int j = n; j < padded; ++j)
                ASSERT_EQ(v[j] + ratio[j], 3.0) << name << " " << what; // untouched
            for (int j = 0; j < n; ++j) {
                ASSERT_NEAR(v[j], ref[j], 1e-12 * ref[j]) << name << " " << what << " node " << j;
                ASSERT_NEAR(ratio[j], refRatio[j], 1e-12 * refRatio[j])
                    << name << " " << what << " node " << j;
            }
        }
    }
}

} // namespace vectorcolumns
