#include "model/MeasurementItems.h"

#include "model/Numbers.h"

#include <charconv>
#include <cmath>

namespace brenvik {

namespace {

bool IsPlainText(const std::string& s) {
    return s.find_first_of(",\r\n") == std::string::npos;
}

// The shortest text that reads back to the very same number.
void AppendExact(std::string& out, double v) {
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v == 0.0 ? 0.0 : v);
    out.append(buf, r.ptr);
    out += ',';
}

// The next comma-separated field of `rest`, or false when there is none.
bool NextField(std::string_view& rest, std::string_view& field) {
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos) return false;
    field = rest.substr(0, comma);
    rest = rest.substr(comma + 1);
    return true;
}

} // namespace

bool AppendMeasurementLines(const Project& p, std::string& out) {
    int n = 0;
    for (const Measurement& m : p.Measurements) {
        if (m.Name.find_first_of("\r\n") != std::string::npos || !IsPlainText(m.Band) ||
            !IsPlainText(m.Timestamp) || !IsPlainText(m.Instrument))
            return false;
        out += MeasurementKey;
        out += std::to_string(++n);
        out += '=';
        for (double v : {m.X, m.Y, m.HeightM, m.MeasuredUw, m.Factor, m.UncertaintyDb}) {
            if (!std::isfinite(v)) return false;
            AppendExact(out, v);
        }
        out += m.Band + ',' + m.Timestamp + ',' + m.Instrument + ',' + m.Name + "\r\n";
    }
    return true;
}

bool ReadMeasurementLine(Project& p, std::string_view digits, std::string_view value) {
    if (digits != std::to_string(p.Measurements.size() + 1)) return false;
    Measurement m;
    std::string_view field;
    for (double* v : {&m.X, &m.Y, &m.HeightM, &m.MeasuredUw, &m.Factor, &m.UncertaintyDb}) {
        if (!NextField(value, field)) return false;
        const auto d = ParseFileDouble(field);
        if (!d || !std::isfinite(*d)) return false;
        *v = *d;
    }
    for (std::string* s : {&m.Band, &m.Timestamp, &m.Instrument}) {
        if (!NextField(value, field)) return false;
        *s = std::string(field);
    }
    m.Name = std::string(value);
    p.Measurements.push_back(std::move(m));
    return true;
}

} // namespace brenvik
