#include "ui/AdvGrid.h"

#include <algorithm>
#include <numeric>

namespace {

[[noreturn]] void IndexOutOfRange() { throw EInvalidGridOperation("Grid index out of range"); }

}  // namespace

TAdvStringGrid::TAdvStringGrid()
    : cells_(static_cast<std::size_t>(rowCount_),
             std::vector<std::string>(static_cast<std::size_t>(colCount_))),
      colWidths_(static_cast<std::size_t>(colCount_), defaultColWidth_) {
  SetTabStop(true);
  SetColor(clWindow);
  fixedFont_.OnChange = [this] { Changed(TControlChange::Contents); };
}

void TAdvStringGrid::SetColCount(int count) {
  count = std::max(count, 1);
  if (count == colCount_) return;
  colCount_ = count;
  for (auto& row : cells_) row.resize(static_cast<std::size_t>(count));
  colWidths_.resize(static_cast<std::size_t>(count), defaultColWidth_);
  fixedCols_ = std::min(fixedCols_, count - 1);
  Changed(TControlChange::Contents);
}

void TAdvStringGrid::SetRowCount(int count) {
  count = std::max(count, 1);
  if (count == rowCount_) return;
  rowCount_ = count;
  cells_.resize(static_cast<std::size_t>(count),
                std::vector<std::string>(static_cast<std::size_t>(colCount_)));
  fixedRows_ = std::min(fixedRows_, count - 1);
  Changed(TControlChange::Contents);
}

void TAdvStringGrid::SetFixedRows(int count) {
  if (count < 0 || count >= rowCount_) {
    throw EInvalidGridOperation("Fixed row count must be less than row count");
  }
  fixedRows_ = count;
}

void TAdvStringGrid::SetFixedCols(int count) {
  if (count < 0 || count >= colCount_) {
    throw EInvalidGridOperation("Fixed column count must be less than column count");
  }
  fixedCols_ = count;
}

void TAdvStringGrid::CheckCell(int col, int row) const {
  if (row < 0 || row >= rowCount_) IndexOutOfRange();
  CheckCol(col);
}

void TAdvStringGrid::CheckCol(int col) const {
  if (col < 0 || col >= colCount_) IndexOutOfRange();
}

const std::string& TAdvStringGrid::Cells(int col, int row) const {
  CheckCell(col, row);
  return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TAdvStringGrid::SetCells(int col, int row, std::string text) {
  CheckCell(col, row);
  std::string& cell = cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
  if (cell == text) return;
  cell = std::move(text);
  Changed(TControlChange::Contents);
}

int TAdvStringGrid::ColWidths(int col) const {
  CheckCol(col);
  return colWidths_[static_cast<std::size_t>(col)];
}

void TAdvStringGrid::SetColWidths(int col, int width) {
  CheckCol(col);
  int& stored = colWidths_[static_cast<std::size_t>(col)];
  if (stored == width) return;
  stored = width;
  Changed(TControlChange::Contents);
}

int TAdvStringGrid::BorderWidth() const { return borderStyle_ == bsSingle ? kGridBorderWidth : 0; }

int TAdvStringGrid::RowsHeight() const { return rowCount_ * (defaultRowHeight_ + gridLineWidth_); }

int TAdvStringGrid::ColsWidth() const {
  return std::accumulate(colWidths_.begin(), colWidths_.end(), 0, [this](int sum, int width) {
    return sum + std::max(width, 0) + gridLineWidth_;
  });
}

bool TAdvStringGrid::NeedsHorizontalBar() const {
  return (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) &&
         ColsWidth() > Width() - 2 * BorderWidth();
}

bool TAdvStringGrid::NeedsVerticalBar() const {
  if (scrollBars_ != ssVertical && scrollBars_ != ssBoth) return false;
  const int height = Height() - 2 * BorderWidth() - (NeedsHorizontalBar() ? kScrollBarWidth : 0);
  return RowsHeight() > height;
}

int TAdvStringGrid::ClientWidth() const {
  return Width() - 2 * BorderWidth() - (NeedsVerticalBar() ? kScrollBarWidth : 0);
}

int TAdvStringGrid::ClientHeight() const {
  return Height() - 2 * BorderWidth() - (NeedsHorizontalBar() ? kScrollBarWidth : 0);
}
