#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/ansi.h"
#include "ui/AdvGrid.h"

namespace {

using testing::ElementsAre;

TEST(GridTest, CellsKeepTheirTextAndGrowOrShrinkWithTheCounts) {
  TAdvStringGrid grid;
  grid.SetColCount(3);
  grid.SetRowCount(50);
  const std::string header = "<P ALIGN=\"CENTER\"><center>Type</center></P>";
  grid.SetCells(0, 0, header);
  grid.SetCells(2, 49, "last");
  EXPECT_EQ(grid.Cells(0, 0), header);

  grid.SetRowCount(6);
  EXPECT_THROW(grid.Cells(2, 49), EInvalidGridOperation);
  grid.SetRowCount(50);
  EXPECT_EQ(grid.Cells(2, 49), "");  // a dropped row comes back empty
  EXPECT_EQ(grid.Cells(0, 0), header);
}

TEST(GridTest, IndexOutsideTheGridRaises) {
  TAdvStringGrid grid;
  grid.SetColCount(3);
  grid.SetRowCount(4);
  for (const auto& [col, row] : {std::pair{3, 0}, {0, 4}, {-1, 0}, {0, -1}}) {
    EXPECT_THROW(grid.SetCells(col, row, "x"), EInvalidGridOperation) << col << "," << row;
  }
  EXPECT_THROW(grid.ColWidths(3), EInvalidGridOperation);
  try {
    grid.Cells(0, 9);
  } catch (const EInvalidGridOperation& error) {
    EXPECT_EQ(error.Message(), "Grid index out of range");
  }
}

TEST(GridTest, FixedRowsStayBelowTheRowCount) {
  TAdvStringGrid grid;
  grid.SetRowCount(3);
  EXPECT_THROW(grid.SetFixedRows(3), EInvalidGridOperation);
  grid.SetFixedRows(1);
  grid.SetRowCount(1);
  EXPECT_EQ(grid.FixedRows(), 0);
}

TEST(GridTest, ClientWidthTakesOffTheBorderAndANeededVerticalBar) {
  struct Case {
    TBorderStyle border;
    TScrollStyle bars;
    int rows;
    int clientWidth;
  } cases[] = {
      {bsSingle, ssVertical, 50, 575 - 4 - 16},  // 50 rows of 22 pixels overflow 397
      {bsSingle, ssVertical, 18, 575 - 4},       // 396 pixels fit
      {bsSingle, ssVertical, 19, 575 - 4 - 16},
      {bsSingle, ssNone, 50, 575 - 4},
      {bsNone, ssBoth, 50, 575 - 16},
  };
  for (const Case& c : cases) {
    TAdvStringGrid grid;
    grid.SetBounds(1, 80, 575, 401);
    grid.SetColCount(3);
    grid.SetDefaultRowHeight(21);
    grid.SetBorderStyle(c.border);
    grid.SetScrollBars(c.bars);
    grid.SetRowCount(c.rows);
    EXPECT_EQ(grid.ClientWidth(), c.clientWidth) << c.rows << " rows";
  }
}

TEST(GridTest, HorizontalBarShortensTheHeightThatRowsMustFit) {
  TAdvStringGrid grid;
  grid.SetBounds(0, 0, 200, 100);
  grid.SetColCount(1);
  grid.SetDefaultRowHeight(21);
  grid.SetRowCount(4);  // 88 pixels fit 96, not 96 - 16
  grid.SetScrollBars(ssBoth);
  EXPECT_EQ(grid.ClientWidth(), 196);
  grid.SetColWidths(0, 300);
  EXPECT_EQ(grid.ClientHeight(), 80);
  EXPECT_EQ(grid.ClientWidth(), 180);
}

TEST(CellHtmlTest, MarkupBecomesPlainTextWithRuns) {
  const TCellText header =
      ParseCellHtml(Ansi("<P ALIGN=\"CENTER\"><center>Дата</center></P>"));
  EXPECT_EQ(header.text, Ansi("Дата"));
  EXPECT_TRUE(header.centered);
  ASSERT_EQ(header.runs.size(), 1u);
  EXPECT_FALSE(header.runs[0].bold);

  const TCellText critical =
      ParseCellHtml("<FONT color=\"clRed\"><B><I>critical</I></B></FONT> fix");
  EXPECT_EQ(critical.text, "critical fix");
  EXPECT_FALSE(critical.centered);
  EXPECT_THAT(critical.runs,
              ElementsAre(TStyleRun{0, 8, true, true, false, true, clRed},
                          TStyleRun{8, 4, false, false, false, false, clBlack}));
}

TEST(CellHtmlTest, ColoursEntitiesLinksAndUnknownTags) {
  struct Case {
    const char* html;
    const char* text;
  } cases[] = {
      {"a &lt;b&gt; &amp; &quot;c&quot;&nbsp;d", "a <b> & \"c\" d"},
      {"one<BR>two", "one\ntwo"},
      {"<U>kept</U> <TABLE>text", "kept text"},
      {"no close <B", "no close <B"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseCellHtml(c.html).text, c.text) << c.html;

  for (const char* html : {"<FONT color=\"#FF0000\">x</FONT>", "<FONT color=red>x</FONT>",
                           "<font COLOR='clRed'>x</font>"}) {
    const TCellText cell = ParseCellHtml(html);
    ASSERT_EQ(cell.runs.size(), 1u) << html;
    EXPECT_TRUE(cell.runs[0].hasColor) << html;
    EXPECT_EQ(cell.runs[0].color, clRed) << html;
  }
  EXPECT_FALSE(ParseCellHtml("<FONT color=\"mauve\">x</FONT>").runs[0].hasColor);

  const TCellText link = ParseCellHtml("see http://example.org/a now");
  EXPECT_THAT(link.runs, ElementsAre(TStyleRun{0, 4, false, false, false, false, clBlack},
                                     TStyleRun{4, 20, false, false, true, false, clBlack},
                                     TStyleRun{24, 4, false, false, false, false, clBlack}));
}

}  // namespace
