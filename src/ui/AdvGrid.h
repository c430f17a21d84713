#pragma once
// The string grid whose cells hold a small HTML subset, and that subset's reading.

#include <string>
#include <string_view>
#include <vector>

#include "ui/Controls.h"

DECLARE_EXCEPTION(EInvalidGridOperation, Exception);

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Metrics of the grid at 96 dots per inch, for ClientWidth.
inline constexpr int kGridBorderWidth = 2;    // the sunken edge of bsSingle, on each side
inline constexpr int kScrollBarWidth = 16;    // a vertical bar's width, a horizontal bar's height

class TAdvStringGrid : public TControl {
 public:
  TAdvStringGrid();

  int ColCount() const { return colCount_; }
  void SetColCount(int count);
  // Rows beyond a smaller count are dropped; new rows are empty.
  int RowCount() const { return rowCount_; }
  void SetRowCount(int count);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int count);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int count);

  // The text of a cell, kept exactly as given. Outside the grid: EInvalidGridOperation
  // "Grid index out of range".
  const std::string& Cells(int col, int row) const;
  void SetCells(int col, int row, std::string text);

  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int height) { defaultRowHeight_ = height; }
  int DefaultColWidth() const { return defaultColWidth_; }
  // A column of width 0 is hidden. EInvalidGridOperation outside the columns.
  int ColWidths(int col) const;
  void SetColWidths(int col, int width);
  int GridLineWidth() const { return gridLineWidth_; }
  TColor GridLineColor() const { return gridLineColor_; }
  void SetGridLineColor(TColor color) { gridLineColor_ = color; }

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style) { borderStyle_ = style; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle scrollBars) { scrollBars_ = scrollBars; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap) { wordWrap_ = wordWrap; }

  // The width inside the border (kGridBorderWidth on each side with bsSingle) less the
  // vertical scroll bar (kScrollBarWidth) when the scroll bars allow it and the rows do not
  // fit the height; a horizontal bar that the columns need takes its height off that height.
  int ClientWidth() const;
  int ClientHeight() const;

  // The font of the fixed (header) cells.
  TFont& FixedFont() { return fixedFont_; }
  const TFont& FixedFont() const { return fixedFont_; }

 private:
  int BorderWidth() const;
  bool NeedsHorizontalBar() const;
  bool NeedsVerticalBar() const;
  int RowsHeight() const;
  int ColsWidth() const;
  void CheckCell(int col, int row) const;
  void CheckCol(int col) const;

  int colCount_ = 5;
  int rowCount_ = 5;
  int fixedRows_ = 1;
  int fixedCols_ = 1;
  std::vector<std::vector<std::string>> cells_;  // [row][col]
  int defaultRowHeight_ = 24;
  int defaultColWidth_ = 64;
  std::vector<int> colWidths_;
  int gridLineWidth_ = 1;
  TColor gridLineColor_ = clSilver;
  TBorderStyle borderStyle_ = bsSingle;
  TScrollStyle scrollBars_ = ssBoth;
  bool wordWrap_ = false;
  TFont fixedFont_;
};

// One stretch of a cell's plain text with a single look.
struct TStyleRun {
  std::size_t start = 0;   // 0-based byte offset into TCellText::text
  std::size_t length = 0;
  bool bold = false;
  bool italic = false;
  bool link = false;       // a web address, shown as a link
  bool hasColor = false;   // false: the cell's own font colour
  TColor color = clBlack;

  friend bool operator==(const TStyleRun&, const TStyleRun&) = default;
};

struct TCellText {
  std::string text;            // the text without its markup
  std::vector<TStyleRun> runs; // cover the text in order, one per change of look
  bool centered = false;       // <P ALIGN="CENTER"> or <center> around any of it
};

// Reads the grid's HTML subset: <P ALIGN=...>, <center>, <FONT color=...> (a colour name such
// as "clRed" or "red", or "#RRGGBB"), <B>, <I> and <BR>; other tags are dropped, "&lt;", "&gt;",
// "&amp;", "&quot;" and "&nbsp;" are decoded, and web addresses become links.
TCellText ParseCellHtml(std::string_view html);
