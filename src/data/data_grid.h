#pragma once
// The data grid of a history window: a header row, then one row per sample with its
// number, date, time and the value of every channel. Cells are built on demand, so a
// grid of many thousand records needs nothing prepared.

#include <string>

#include "data/history_document.h"

namespace tarvo {

// The grid's format string: the column headers, then after ";" the row-header part
// that sizes the fixed first column.
std::string dataGridFormat(const HistoryDocument& doc);

// N + 1 rows (row 0 is the header) and 3 + one column per channel record.
int dataGridRows(const HistoryDocument& doc);
int dataGridColumns(const HistoryDocument& doc);

// Row 0 holds the header texts of the format string. In row r ≥ 1: column 0 the
// number r, column 1 the date of the sample ("2006-3-7"), column 2 its time
// ("9:05:07"), column i + 2 the value of channel record i (1-based) as "#0.00", a
// blank and the unit. A cell outside the grid is empty.
std::string dataGridCell(const HistoryDocument& doc, int row, int column);

// Ctrl+C: the block between two cells (either may be the larger), each cell followed
// by six blanks and a tab, each row ended by CR LF. The block is limited to the grid.
std::string dataGridCopyText(const HistoryDocument& doc, int row1, int col1, int row2, int col2);

}  // namespace tarvo
