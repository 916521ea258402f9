#pragma once

#include <string>
#include <vector>

#include "CorruptBits.h"
#include "CvMiscUtils.h"
#include "FuzzCheck.h"
#include "ListCells.h"
#include "ListModel.h"

// The eight lists as their grids hold them, with their marks, for the targets that store
// outside text into them.
class FuzzRows : public ListCells {
  public:
    explicit FuzzRows(std::size_t count) : rows_(count) {}
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    std::string Cell(int row) const override { return rows_.at(static_cast<std::size_t>(row)); }
    void SetCell(int row, const std::string& text) override {
        rows_.at(static_cast<std::size_t>(row)) = text;
    }

  private:
    std::vector<std::string> rows_;
};

struct FuzzLists {
    std::vector<FuzzRows> rows;
    TCorruptBits marks;

    FuzzLists() {
        static const std::vector<std::size_t> sizes = [] {
            std::vector<std::size_t> counts;
            for (const lists::TStrings& defaults : lists::BuildDefaultLists())
                counts.push_back(defaults.size());
            return counts;
        }();
        for (const std::size_t size : sizes) rows.emplace_back(size);
    }

    // Stores `text` as StoreEntry does and checks what the entry holds afterwards: the text at
    // its length with every bad character a blank, and a mark exactly when there was one.
    void Store(int list, int entry, const std::string& text) {
        FuzzRows& cells = rows.at(static_cast<std::size_t>(list));
        StoreEntry(cells, marks, list, entry, text);
        bool bad = false;
        for (const char c : text) bad = bad || !IsPrintableChar(c) || c == '!';
        if (entry < TCorruptBits::kEntriesPerList) FUZZ_CHECK(marks.IsSet(list, entry) == bad);
        if (entry >= cells.RowCount()) return;
        const std::string stored = cells.Cell(entry);
        FUZZ_CHECK(stored.size() == text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool good = IsPrintableChar(text[i]) && text[i] != '!';
            FUZZ_CHECK(stored[i] == (good ? text[i] : ' '));
        }
    }
};
