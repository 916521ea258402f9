#pragma once

#include <string>

// The entries of one list as its grid holds them: one text per row, row index = entry index.
// The list grid implements it; the list logic reaches the entries only through it, so it can be
// tested without a window.
class ListCells {
  public:
    virtual ~ListCells() = default;
    virtual int RowCount() const = 0;
    virtual std::string Cell(int row) const = 0;
    virtual void SetCell(int row, const std::string& text) = 0;
};
