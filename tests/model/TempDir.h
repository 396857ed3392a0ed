#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace brenvik::testing {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("brenvik-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }
    int entries() const {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(path_),
                                              std::filesystem::directory_iterator()));
    }

  private:
    std::filesystem::path path_;
};

inline std::string Slurp(const std::string& path) {
    std::ifstream is(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(is)), std::istreambuf_iterator<char>());
}

// The lines of a text whose every line ends in CR LF.
inline std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t pos = 0, end; pos < text.size(); pos = end + 2) {
        end = text.find("\r\n", pos);
        out.push_back(text.substr(pos, end - pos));
    }
    return out;
}

inline void Spit(const std::string& path, const std::string& text) {
    std::ofstream os(path, std::ios::binary | std::ios::trunc);
    os << text;
}

} // namespace brenvik::testing
