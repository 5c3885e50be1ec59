// Workbooks built in memory for the formula tests and the formula fuzz target: sheets of cells
// given as text ("=A1+1" a formula, "'abc" a text, "TRUE" a boolean, "#N/A" an error, anything
// else a number), without a package behind them.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "model/workbook.h"
#include "values/formula/value.h"

namespace xlxtest {

struct BookCell {
  BookCell(std::string ref, std::string content, std::string cached = "", int32_t sharedIndex = -1,
           bool calcAlways = false, bool array = false, std::string arrayRef = "")
      : ref(std::move(ref)), content(std::move(content)), cached(std::move(cached)), sharedIndex(sharedIndex),
        calcAlways(calcAlways), array(array), arrayRef(std::move(arrayRef)) {}
  std::string ref;           // "B3"
  std::string content;       // as above; "" leaves the cell without a value
  std::string cached;        // cached value of a formula, same notation; "" none
  int32_t sharedIndex;       // shared formula group (the first cell of a group holds the text), -1 none
  bool calcAlways;           // `ca`
  bool array;                // an array formula over `arrayRef`
  std::string arrayRef;
};

struct BookSheet {
  std::string name;
  std::vector<BookCell> cells;
};

// A loaded workbook of these sheets and defined names (name, formula); free with FreeWorkbook.
xlx::Workbook* BuildBook(const std::vector<BookSheet>& sheets,
                         const std::vector<std::pair<std::string, std::string>>& names = {});

// A result as text: numbers to 15 digits, 'text' quoted, booleans and errors as shown.
std::string ShowValue(const xlx::ExcelValue& v);
// ShowValue of each stored cell of `sheet` named in `refs` ("B1 B2 C7"), "none" where no cell is.
std::vector<std::string> ShowCells(const xlx::Workbook& wb, int32_t sheet, const std::string& refs);

// The workbook of the formula fuzz target: each line of `input` is the content of one cell of
// column A of sheet "S1" (at most 24), the first line is also shared by column B and is the
// defined name N; "Other Sheet" holds numbers in C1:C24, the data of table T (column "C"); the
// name Loop refers to itself.
xlx::Workbook* BuildLinesBook(const std::string& input);

}  // namespace xlxtest
