#include "view/layout/contenttiles.h"

#include <algorithm>
#include <new>

#include "common/resultcodes.h"
#include "common/limits.h"

namespace xlx {
namespace {

// The cuts an item range [first, last] meets, as [lo, hi]; lo > hi when none.
struct CutRange {
  int32_t lo = 0, hi = -1;
};

CutRange CutsMeeting(const std::vector<AxisCut>& cuts, int32_t first, int32_t last) {
  auto lo = std::lower_bound(cuts.begin(), cuts.end(), first, [](const AxisCut& c, int32_t i) { return c.last < i; });
  auto hi = std::upper_bound(cuts.begin(), cuts.end(), last, [](int32_t i, const AxisCut& c) { return i < c.first; });
  return CutRange{static_cast<int32_t>(lo - cuts.begin()), static_cast<int32_t>(hi - cuts.begin()) - 1};
}

// Collects tile keys in page order; duplicates are folded away whenever the list doubles, so
// that a rectangle met again and again cannot grow it without bound.
class TileCollector {
 public:
  TileCollector(bool acrossFirst, size_t limit) : acrossFirst_(acrossFirst), limit_(limit) {}

  // Adds every tile of the rectangle of cuts; false once more than `limit` distinct tiles are held.
  bool AddRect(const CutRange& c, const CutRange& r) {
    for (int32_t col = c.lo; col <= c.hi; ++col)
      for (int32_t row = r.lo; row <= r.hi; ++row)
        if (!Add(col, row)) return false;
    return true;
  }

  // Sorts, folds duplicates and keeps the first `limit`; `*cut` when more were met.
  void Finish(std::vector<ContentTile>* tiles, bool* cut) {
    Fold();
    *cut = overflow_ || keys_.size() > limit_;
    if (keys_.size() > limit_) keys_.resize(limit_);
    tiles->clear();
    tiles->reserve(keys_.size());
    for (uint64_t k : keys_) {
      const int32_t major = static_cast<int32_t>(k >> 32), minor = static_cast<int32_t>(k & 0xFFFFFFFFu);
      tiles->push_back(acrossFirst_ ? ContentTile{minor, major} : ContentTile{major, minor});
    }
  }

 private:
  bool Add(int32_t col, int32_t row) {
    const uint64_t major = static_cast<uint32_t>(acrossFirst_ ? row : col);
    const uint64_t minor = static_cast<uint32_t>(acrossFirst_ ? col : row);
    keys_.push_back(major << 32 | minor);
    if (keys_.size() < 2 * limit_ + 1024) return true;
    Fold();
    if (keys_.size() <= limit_) return true;
    // More tiles hold content than the limit allows: keep the earliest met so far and stop.
    keys_.resize(limit_);
    overflow_ = true;
    return false;
  }

  void Fold() {
    std::sort(keys_.begin(), keys_.end());
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
  }

  bool acrossFirst_;
  size_t limit_;
  bool overflow_ = false;
  std::vector<uint64_t> keys_;
};

bool AddContent(const MyWorksheet& sheet, const std::vector<MyCellBounds>& reach, const std::vector<AxisCut>& cols,
                const std::vector<AxisCut>& rows, TileCollector* tiles) {
  const CutRange allCols{0, static_cast<int32_t>(cols.size()) - 1}, allRows{0, static_cast<int32_t>(rows.size()) - 1};
  for (const CellRecord& cell : sheet.cells)
    if (!tiles->AddRect(CutsMeeting(cols, cell.column, cell.column), CutsMeeting(rows, cell.row, cell.row))) return false;
  for (const MyMergedCell& m : sheet.mergedCells) {
    const MyCellBounds& b = m.MergeCellsRef;
    if (!tiles->AddRect(CutsMeeting(cols, b.ColFirst, b.ColFirst), CutsMeeting(rows, b.RowFirst, b.RowFirst))) return false;
  }
  for (const RowEntry& r : sheet.rows)
    if (r.props.styleDraws && !r.props.hidden && !tiles->AddRect(allCols, CutsMeeting(rows, r.row, r.row))) return false;
  for (const ColumnInfo& c : sheet.columns) {
    // Columns styled to the grid's last column are the sheet's background, as in the printed range.
    if (!c.styleDraws || c.hidden || c.max >= int32_t(kMaxColumns)) continue;
    if (!tiles->AddRect(CutsMeeting(cols, c.min, c.max), allRows)) return false;
  }
  for (const MyCellBounds& a : reach)
    if (!tiles->AddRect(CutsMeeting(cols, a.ColFirst, a.ColLast), CutsMeeting(rows, a.RowFirst, a.RowLast))) return false;
  return true;
}

}  // namespace

int32_t FindContentTiles(const MyWorksheet& sheet, const std::vector<MyCellBounds>& reach,
                         const std::vector<AxisCut>& cols, const std::vector<AxisCut>& rows, bool acrossFirst,
                         size_t limit, std::vector<ContentTile>* tiles, bool* cut) {
  *cut = false;
  tiles->clear();
  if (cols.empty() || rows.empty() || limit == 0) return XLX_OK;
  try {
    TileCollector collector(acrossFirst, limit);
    if (!AddContent(sheet, reach, cols, rows, &collector)) *cut = true;
    bool more = false;
    collector.Finish(tiles, &more);
    *cut = *cut || more;
  } catch (const std::bad_alloc&) {
    tiles->clear();
    return XLX_ERR_MEMORY;
  }
  return XLX_OK;
}

}  // namespace xlx
