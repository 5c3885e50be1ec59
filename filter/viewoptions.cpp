#include "filter/viewoptions.h"

#include <cstring>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"

namespace xlx {
namespace {

double PerInch(uint32_t unit, uint32_t resolution) {
  switch (unit) {
    case kUnitPixel: return resolution ? resolution : 96.0;
    case kUnitMillimetre: return 25.4;
    case kUnitCentimetre: return 2.54;
    case kUnitPoint: return 72.0;
    default: return 1.0;
  }
}

}  // namespace

double DefaultUnitConverter(double value, int32_t, uint32_t sourceResolution, uint32_t sourceUnit,
                            uint32_t targetResolution, uint32_t targetUnit) {
  double inches = value / PerInch(sourceUnit, sourceResolution);
  return inches * PerInch(targetUnit, targetResolution);
}

ScreenResolution GetScreenResolution() {
  int32_t x = VkScreenResolutionX();
  int32_t y = VkScreenResolutionY();
  return ScreenResolution{x >= 1 ? static_cast<uint32_t>(x) : 96u, y > 0 ? static_cast<uint32_t>(y) : 96u};
}

int32_t NormalizePageGeometry(const _RASTERIZEDOCOPTIONS& source, UnitConverter converter, ScreenResolution screen,
                              _RASTERIZEDOCOPTIONS* out) {
  if (!converter) converter = DefaultUnitConverter;
  *out = source;
  uint32_t r = source.uXResolution > source.uYResolution ? source.uXResolution : source.uYResolution;
  if (r == 0) r = screen.x;
  out->uStructSize = sizeof(_RASTERIZEDOCOPTIONS);
  out->uXResolution = r;
  out->uYResolution = r;
  const uint32_t unit = source.uUnit;
  auto toInches = [&](double v, int32_t horizontal) { return converter(v, horizontal, r, unit, r, kUnitInch); };
  out->dLeftMargin = toInches(source.dLeftMargin, 1);
  out->dRightMargin = toInches(source.dRightMargin, 1);
  out->dTopMargin = toInches(source.dTopMargin, 0);
  out->dBottomMargin = toInches(source.dBottomMargin, 0);
  if (source.uSizeMode == RASTERIZEDOC_SIZEMODE_NONE) {
    out->dPageWidth = 8.5;
    out->dPageHeight = 11.0;
  } else {
    if (source.uSizeMode > RASTERIZEDOC_SIZEMODE_STRETCH || source.uSizeMode == RASTERIZEDOC_SIZEMODE_SHRINK)
      out->uSizeMode = RASTERIZEDOC_SIZEMODE_SHRINK;
    out->dPageWidth = toInches(source.dPageWidth, 1);
    out->dPageHeight = toInches(source.dPageHeight, 0);
  }
  out->uUnit = kUnitInch;
  if (out->dLeftMargin + out->dRightMargin > out->dPageWidth) return XLX_ERR_ARGUMENT;
  if (out->dTopMargin + out->dBottomMargin > out->dPageHeight) return XLX_ERR_ARGUMENT;
  return XLX_OK;
}

void BuildViewOptions(const _RASTERIZEDOCOPTIONS& n, uint32_t flags, uint32_t pageNumber, ViewOptions* view) {
  std::memset(view, 0, sizeof *view);
  if (flags & kFlagUseLayoutOptions) view->loadMode = kLoadPaginated;
  else view->loadMode = n.uSizeMode != 0 ? kLoadPageSized : kLoadSheetSized;
  view->pageSizeGiven = view->loadMode == kLoadPageSized || view->loadMode == kLoadPaginated;
  if (view->loadMode == kLoadPaginated) {
    view->topMargin = n.dTopMargin;
    view->bottomMargin = n.dBottomMargin;
    view->leftMargin = n.dLeftMargin;
    view->rightMargin = n.dRightMargin;
    view->bUseSheetWidth = (flags & kFlagUseSheetWidth) ? 1 : 0;
    view->bEnableMargins = (flags & kFlagEnableMargins) ? 1 : 0;
  }
  view->pageWidth = n.dPageWidth;
  view->pageHeight = n.dPageHeight;
  view->xResolution = n.uXResolution;
  view->yResolution = n.uYResolution;
  view->sizeMode = n.uSizeMode;
  view->bClipCells = (flags & kFlagCellBreaks) ? 0 : 1;
  view->bPageOrderDownThenOver = (flags & kFlagDownThenOver) ? 1 : 0;
  view->bShowGridLines = (flags & kFlagShowGridLines) ? 1 : 0;
  view->showHiddenSheets = (flags & kFlagShowHiddenSheets) ? 1 : 0;
  view->gridColor = kGridColor;
  view->pageNumber = pageNumber;
  if (flags & kFlagPrintSetup) {
    // Paper, margins, order and breaks come from each sheet; the requested page size only gives
    // the paper of sheets that name none.
    view->bPrintSetup = 1;
    view->loadMode = kLoadPaginated;
    view->pageSizeGiven = 1;
    view->topMargin = view->bottomMargin = view->leftMargin = view->rightMargin = 0;
    view->bEnableMargins = 0;
    view->bUseSheetWidth = 0;
    view->bClipCells = 0;
    view->bPageOrderDownThenOver = 0;
  }
}

}  // namespace xlx
