#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace brenvik {

// A two-dimensional array with bounds 0..nx × 0..ny (both inclusive), the first
// index running along X. Stored column by column (i outer, j inner), the order
// in which every calculation and the project file walk a grid.
template <class T> class Grid2D {
  public:
    Grid2D() { resize(0, 0); }
    Grid2D(int nx, int ny) { resize(nx, ny); }

    // Re-dimension to 0..nx × 0..ny, every element zero.
    void resize(int nx, int ny) {
        nx_ = std::max(nx, 0);
        ny_ = std::max(ny, 0);
        data_.assign(static_cast<std::size_t>(nx_ + 1) * static_cast<std::size_t>(ny_ + 1), T{});
    }
    void fill(T v) { std::fill(data_.begin(), data_.end(), v); }

    int nx() const { return nx_; } // upper bound of the first index
    int ny() const { return ny_; } // upper bound of the second index
    bool inBounds(long long i, long long j) const {
        return i >= 0 && j >= 0 && i <= nx_ && j <= ny_;
    }

    T& operator()(int i, int j) { return data_[index(i, j)]; }
    const T& operator()(int i, int j) const { return data_[index(i, j)]; }
    T* column(int i) { return data_.data() + index(i, 0); }
    const T* column(int i) const { return data_.data() + index(i, 0); }

    T* data() { return data_.data(); }
    const T* data() const { return data_.data(); }
    std::size_t size() const { return data_.size(); }

    friend bool operator==(const Grid2D&, const Grid2D&) = default;

  private:
    std::size_t index(int i, int j) const {
        return static_cast<std::size_t>(i) * static_cast<std::size_t>(ny_ + 1) +
               static_cast<std::size_t>(j);
    }
    int nx_ = 0;
    int ny_ = 0;
    std::vector<T> data_;
};

} // namespace brenvik
