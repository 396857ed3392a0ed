#include "calc/Kernel.h"

namespace brenvik::kernel {

void AddFarColumnAvx2(const FarBeam& b, const Column& col, const Sums& out, int n) {
    AddFarColumnScalar(b, col, out, n);
}

} // namespace brenvik::kernel
