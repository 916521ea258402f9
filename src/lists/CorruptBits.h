#pragma once

#include <array>
#include <bitset>

// One mark per entry of each list, set for entries that arrived or were loaded with characters
// that had to be replaced. Entries beyond the first 256 of a list have no mark; asking about or
// changing them (or a list index out of range) does nothing.
class TCorruptBits {
  public:
    static constexpr int kLists = 8;
    static constexpr int kEntriesPerList = 256;

    bool IsSet(int list, int entry) const;
    void Set(int list, int entry, bool corrupt);
    void ClearList(int list);
    bool AnySet(int list) const;

  private:
    static bool InRange(int list, int entry);
    std::array<std::bitset<kEntriesPerList>, kLists> bits_{};
};
