// Reuse of compiled programs across cells whose texts differ only in relative row numbers.
#include "common/limits.h"
#include "values/formula/reuse.h"

#include <algorithm>

namespace xlx {
namespace {

constexpr uint32_t kMaxRunDigits = 18;  // a longer digit run makes the text not reusable
constexpr uint64_t kMaxRowNumber = kMaxRows;
constexpr char16_t kRunMark = 1;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The run is written without leading zeros.
bool Plain(uint64_t value, uint32_t length) {
  uint32_t digits = 1;
  for (uint64_t v = value; v >= 10; v /= 10) ++digits;
  return digits == length;
}

}  // namespace

bool FormulaReuse::MakeShape(const std::u16string& text) {
  shape_.clear();
  runs_.clear();
  if (text.size() > kMaxFormulaUnits) return false;
  const size_t start = !text.empty() && text[0] == u'=' ? 1 : 0;
  bool inString = false;
  for (size_t i = start; i < text.size();) {
    const char16_t c = text[i];
    if (c == kRunMark) return false;
    if (c == u'"') inString = !inString;  // a doubled quote inside a string toggles twice
    if (inString || !IsDigit(c)) {
      shape_.push_back(c);
      ++i;
      continue;
    }
    DigitRun run;
    run.offset = uint32_t(i - start);
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (++run.length > kMaxRunDigits) return false;
      run.value = run.value * 10 + uint64_t(text[i] - u'0');
    }
    runs_.push_back(run);
    shape_.push_back(kRunMark);
  }
  return true;
}

bool FormulaReuse::Reuse(const Entry& entry, std::shared_ptr<CompiledFormula>* program, int32_t* dRow) const {
  if (entry.runs.size() != runs_.size()) return false;
  bool uniform = true, anyRelative = false;
  int64_t shift = 0;
  for (size_t r = 0; r < runs_.size(); ++r) {
    const DigitRun &was = entry.runs[r], &now = runs_[r];
    if (!entry.relative[r]) {
      if (was.value != now.value || was.length != now.length) return false;
      continue;
    }
    // A row moved: it must still be a row the reference reader accepts, written the same way.
    if (now.value < 1 || now.value > kMaxRowNumber || !Plain(now.value, now.length)) return false;
    const int64_t d = int64_t(now.value) - int64_t(was.value);
    if (!anyRelative) shift = d;
    else if (d != shift) uniform = false;
    anyRelative = true;
  }
  if (uniform) {
    *program = entry.program;
    *dRow = int32_t(shift);
    return true;
  }
  auto copy = std::make_shared<CompiledFormula>(*entry.program);
  for (size_t k = 0; k < copy->rowSites.size() && k < entry.siteRun.size(); ++k) {
    const RelativeRowSite& site = copy->rowSites[k];
    if (site.node < 0 || size_t(site.node) >= copy->nodes.size()) return false;
    FormulaRef& ref = copy->nodes[size_t(site.node)].ref;
    (site.last ? ref.last : ref.first).row = int32_t(runs_[entry.siteRun[k]].value);
  }
  // Offsets of the copy's sites still name the first text's runs; the copy is not remembered.
  *program = std::move(copy);
  *dRow = 0;
  return true;
}

bool FormulaReuse::Find(const std::u16string& text, std::shared_ptr<CompiledFormula>* program, int32_t* dRow) {
  shapeOk_ = MakeShape(text);
  if (!shapeOk_) return false;
  auto it = shapes_.find(shape_);
  return it != shapes_.end() && Reuse(it->second, program, dRow);
}

void FormulaReuse::Remember(const std::shared_ptr<CompiledFormula>& program) {
  if (!shapeOk_ || !program || program->root < 0) return;
  Entry entry;
  entry.program = program;
  entry.runs = runs_;
  entry.relative.assign(runs_.size(), 0);
  // Every relative row of the program must stand at a run of its own text; a relative row that
  // does not (whole rows "3:5") would be moved by the shift while its digits are compared as
  // fixed, so such a program is not shared.
  size_t relativeEnds = 0;
  for (const FormulaNode& node : program->nodes)
    if (node.kind == kNodeRef && !node.ref.wholeColumns)
      relativeEnds += size_t(!node.ref.first.rowAbs) + size_t(!node.ref.last.rowAbs);
  if (relativeEnds != program->rowSites.size()) return;
  for (const RelativeRowSite& site : program->rowSites) {
    // Runs are in text order: find the one that starts at the site.
    auto at = std::lower_bound(runs_.begin(), runs_.end(), site.offset,
                               [](const DigitRun& run, uint32_t offset) { return run.offset < offset; });
    if (at == runs_.end() || at->offset != site.offset) return;
    if (at->value < 1 || at->value > kMaxRowNumber || !Plain(at->value, at->length)) return;
    const size_t r = size_t(at - runs_.begin());
    entry.relative[r] = 1;
    entry.siteRun.push_back(uint32_t(r));
  }
  if (shapes_.size() >= kMaxFormulaShapes) shapes_.clear();
  shapes_[shape_] = std::move(entry);
}

}  // namespace xlx
