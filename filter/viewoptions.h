// Per-call view options built from the host's request, and the page-geometry normalisation that
// both drivers apply to the host's options block.
#pragma once
#include <cstdint>
#include "common/progress.h"
#include "host/hostrecords.h"

namespace xlx {

// Host length units understood by the built-in converter (used when the host gives none).
enum HostUnit : uint32_t { kUnitPixel = 0, kUnitInch = 1, kUnitMillimetre = 2, kUnitCentimetre = 3, kUnitPoint = 4 };

constexpr uint32_t kGridColor = 0xFFC0C0C0;

struct ViewOptions {
  uint32_t pageSizeGiven;
  double pageWidth;    // inches
  double pageHeight;   // inches
  uint32_t pageNumber;
  uint32_t xResolution;
  uint32_t yResolution;
  uint32_t loadMode;   // XlxLoadMode
  uint32_t sizeMode;
  uint32_t bClipCells;
  uint32_t bPageOrderDownThenOver;
  uint32_t bUseSheetWidth;
  uint32_t bEnableMargins;
  uint32_t bShowGridLines;
  uint32_t showHiddenSheets;
  uint32_t gridColor;
  uint32_t bPrintSetup;  // pages from each sheet's page setup; the page size is the default paper
  double topMargin, bottomMargin, leftMargin, rightMargin;  // inches
  uint32_t decryptedPathInUse;
  char16_t decryptedPath[260];
};

struct ScreenResolution {
  uint32_t x, y;
};

// The host's screen resolution, 96 where the host reports none.
ScreenResolution GetScreenResolution();

// Normalises a copy of the options block: one resolution R for both axes (the screen's across
// when the block has none), lengths converted to inches, size mode folded to 0-4, unit 1.
// Returns -13 when the margins are wider or taller than the page, else 1.
int32_t NormalizePageGeometry(const _RASTERIZEDOCOPTIONS& source, UnitConverter converter, ScreenResolution screen,
                              _RASTERIZEDOCOPTIONS* normalized);

// Builds the view options from a normalised block, the flag word and the requested page.
void BuildViewOptions(const _RASTERIZEDOCOPTIONS& normalized, uint32_t flags, uint32_t pageNumber, ViewOptions* view);

// The converter used when the host supplies none: pixels, inches, millimetres, centimetres, points.
double DefaultUnitConverter(double value, int32_t horizontal, uint32_t sourceResolution, uint32_t sourceUnit,
                            uint32_t targetResolution, uint32_t targetUnit);

}  // namespace xlx
