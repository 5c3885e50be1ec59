// Batch mode of xlxrender: many workbooks in one process, each into its own output folder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "options.h"

// What one workbook's conversion came to.
struct WorkbookOutcome {
  int32_t code = 1;   // the filter's result code: 1 success; -10 when the file cannot be opened
  int32_t pages = 0;  // pages written
};

// Renders the selected pages of `options.input` as the single-file mode does. Answers the
// process exit status (0 success) and, when `outcome` is given, the result code and page count.
int ConvertWorkbook(const RenderOptions& options, WorkbookOutcome* outcome);

// A JSON string literal of UTF-8 text; control bytes are escaped, other bytes pass as they are.
std::string JsonText(const std::string& text);

// Prints on stderr each face asked for since VkSetFontReport(1) and the families drawn for it.
void PrintFontReport();

// One entry of a batch list and the folder its pages go to.
struct BatchEntry {
  std::string path;
  std::string folder;
};

// The paths of a list text, one a line: a trailing CR is dropped, blank lines are skipped. Each
// gets the folder OUTDIR/STEM (STEM the file name without its extension); a stem met again gets
// "-N" with N its line number, so no two entries share a folder.
std::vector<BatchEntry> BatchEntries(const std::string& listText, const std::string& outDir);

// One JSON line of a finished file, without the newline.
std::string BatchJsonLine(const BatchEntry& entry, const WorkbookOutcome& outcome, double seconds);

// Runs `options.batchList` (a file, or "-" for standard input): the files run in parallel on
// `options.threads` threads, pages of one file on one thread; a failed file does not stop the
// others. Prints a JSON line per file on standard output as it finishes. Answers 0 when every
// file succeeded, 1 when any failed, 99 when the list cannot be read.
int RunBatch(const RenderOptions& options);
