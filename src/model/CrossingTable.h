#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace brenvik {

// One isoline crossing table: conceptually two int16 arrays X(k, p), Y(k, p)
// with bounds 0..levels × 0..slotMax, all zero but for the recorded crossings.
// The slot counter p runs over all levels together, so each level's row holds
// entries only at the slots reached while that level was processed. Storing
// every level × slot pair would take levels times the memory for nothing: the
// table keeps, per level, only its non-zero slots in ascending slot order, and
// answers every other (k, p) with 0.
class CrossingTable {
  public:
    struct Entry {
        std::int64_t slot;
        std::int16_t x;
        std::int16_t y;
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    // Empty table for levels 0..levels with no slot.
    void reset(int levels) {
        rows_.assign(static_cast<std::size_t>(std::max(levels, 0) + 1), {});
        slotMax_ = 0;
    }

    // Records one crossing of `level` in the next slot (the shared counter += 1).
    void append(int level, std::int16_t x, std::int16_t y) {
        ++slotMax_;
        rows_[static_cast<std::size_t>(level)].push_back(Entry{slotMax_, x, y});
    }

    // For a reader: fix the slot count, then set values level by level with the
    // slots of one level in ascending order. Zero pairs need not be stored.
    void setSlotMax(std::int64_t n) { slotMax_ = n; }
    void set(int level, std::int64_t slot, std::int16_t x, std::int16_t y) {
        if (x == 0 && y == 0) return;
        rows_[static_cast<std::size_t>(level)].push_back(Entry{slot, x, y});
    }

    int levels() const { return static_cast<int>(rows_.size()) - 1; }
    std::int64_t slotMax() const { return slotMax_; }
    const std::vector<Entry>& row(int level) const {
        return rows_[static_cast<std::size_t>(level)];
    }

    std::int16_t x(int level, std::int64_t slot) const {
        const Entry* e = find(level, slot);
        return e ? e->x : 0;
    }
    std::int16_t y(int level, std::int64_t slot) const {
        const Entry* e = find(level, slot);
        return e ? e->y : 0;
    }

    friend bool operator==(const CrossingTable&, const CrossingTable&) = default;

  private:
    const Entry* find(int level, std::int64_t slot) const {
        if (level < 0 || level > levels()) return nullptr;
        const auto& r = rows_[static_cast<std::size_t>(level)];
        auto it = std::lower_bound(r.begin(), r.end(), slot,
                                   [](const Entry& e, std::int64_t s) { return e.slot < s; });
        return (it != r.end() && it->slot == slot) ? &*it : nullptr;
    }
    std::vector<std::vector<Entry>> rows_{1};
    std::int64_t slotMax_ = 0;
};

} // namespace brenvik
