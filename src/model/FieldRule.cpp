#include "model/FieldRule.h"

#include <cmath>
#include <cstdio>

namespace brenvik {

namespace {

std::string Shortest(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

} // namespace

FieldVerdict FieldCheck(const FieldRule& r, const std::string& text, const NumberParser& parse) {
    if (r.mayBeEmpty && text.find_first_not_of(" \t") == std::string::npos)
        return FieldVerdict::Accepted;
    const std::optional<double> v = parse(text);
    if (!v || !std::isfinite(*v)) return FieldVerdict::NotANumber;
    double x = r.magnitude ? std::fabs(*v) : *v;
    if (r.raisedToMin && x < r.min) x = r.min;
    if (r.loweredToMax && x > r.max) x = r.max;
    const bool low = r.aboveMin ? x <= r.min : x < r.min;
    return low || x > r.max ? FieldVerdict::OutOfRange : FieldVerdict::Accepted;
}

std::string FieldRefusal(const FieldRule& r) {
    if (r.aboveMin)
        return r.label + ": above " + Shortest(r.min) + " and at most " + Shortest(r.max);
    return r.label + ": between " + Shortest(r.min) + " and " + Shortest(r.max);
}

} // namespace brenvik
