#include "compliance/Csv.h"

#include "model/InputFile.h"
#include "model/Numbers.h"

#include <cmath>

namespace brenvik::compliance {

std::vector<std::string> SplitCsvLine(const std::string& line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t k = 0; k < line.size(); ++k) {
        const char c = line[k];
        if (quoted) {
            if (c == '"' && k + 1 < line.size() && line[k + 1] == '"') {
                out.back() += '"';
                ++k;
            } else if (c == '"') {
                quoted = false;
            } else {
                out.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    for (std::string& f : out) {
        const auto b = f.find_first_not_of(" \t");
        const auto e = f.find_last_not_of(" \t");
        f = b == std::string::npos ? std::string() : f.substr(b, e - b + 1);
    }
    return out;
}

std::optional<double> CsvNumber(const std::string& text, const std::string& name, bool required,
                                std::vector<std::string>& why) {
    if (text.empty()) {
        if (required) why.push_back(name + " is missing");
        return std::nullopt;
    }
    const auto v = ParseFileDouble(text);
    if (!v || !std::isfinite(*v)) {
        why.push_back(name + " '" + QuoteCut(text) + "' is not a number");
        return std::nullopt;
    }
    return v;
}

std::string CsvQuoted(const std::string& s) {
    if (s.find_first_of(",\"") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

} // namespace brenvik::compliance
