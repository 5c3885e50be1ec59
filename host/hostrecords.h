// Records exchanged with the host imaging toolkit. They are a wire format between two separately
// built modules: packed, little-endian, every offset below is binding. Fillers keep the bytes that
// belong to the host; the filter never touches them.
#pragma once
#include <cstddef>
#include <cstdint>

extern "C" {

#pragma pack(push, 1)

// Page geometry and resolution requested by the host (68 bytes). Lengths are in `unit`.
struct _RASTERIZEDOCOPTIONS {
  uint32_t uStructSize;   // 68
  double dPageWidth;
  double dPageHeight;
  double dLeftMargin;
  double dTopMargin;
  double dRightMargin;
  double dBottomMargin;
  uint32_t uUnit;         // 1: inches
  uint32_t uXResolution;  // dpi
  uint32_t uYResolution;  // dpi
  uint32_t uSizeMode;     // RASTERIZEDOC_SIZEMODE
};

enum RASTERIZEDOC_SIZEMODE : uint32_t {
  RASTERIZEDOC_SIZEMODE_NONE = 0,
  RASTERIZEDOC_SIZEMODE_SHRINK = 1,
  RASTERIZEDOC_SIZEMODE_FIT = 2,
  RASTERIZEDOC_SIZEMODE_FIT_WIDTH = 3,
  RASTERIZEDOC_SIZEMODE_STRETCH = 4,
};

// Converts a length between units: (value, 1 across / 0 down, source dpi, source unit,
// target dpi, target unit) -> value in the target unit.
typedef double (*UnitConverter)(double value, int32_t horizontal, uint32_t sourceResolution,
                                uint32_t sourceUnit, uint32_t targetResolution, uint32_t targetUnit);

struct _FILEINFO;
struct _BITMAPHANDLE;

// Flags of a delivered row: bits 0 and 1 on every row, bit 2 on the first, bit 3 on the last.
enum XlxRowFlags : uint32_t {
  XLX_ROW_DATA = 0x03,
  XLX_ROW_FIRST = 0x04,
  XLX_ROW_LAST = 0x08,
};

// The option flag word of a dispatch (dispatchXlxFlags).
enum XlxFlags : uint32_t {
  kFlagUseLayoutOptions = 0x01,  // paginate every sheet with the given margins
  kFlagCellBreaks = 0x02,        // page breaks on cell boundaries (clear: fixed page tiles)
  kFlagShowHiddenSheets = 0x04,
  kFlagUseSheetWidth = 0x08,     // with layout options: a page is as wide as the sheet
  kFlagDownThenOver = 0x10,
  kFlagEnableMargins = 0x20,     // with layout options: add the margins around each page
  kFlagShowGridLines = 0x40,
  kFlagPrintSetup = 0x80,        // print each sheet as its page setup says (over bits 0x01-0x20)
};

// How the pages of a call are made, decided from the flags and the size mode.
enum XlxLoadMode : uint32_t {
  kLoadSheetSized = 0,  // one page per sheet at the sheet's own size
  kLoadPageSized = 1,   // one page per sheet at the given page size
  kLoadPaginated = 2,   // every sheet cut into pages, page numbers running on across sheets
};

// Receives one row of the page: (file info, page bitmap, row bytes, flags, row, 1, user) -> 1 to go on.
typedef int32_t (*RowDeliveryCallback)(_FILEINFO* fileInfo, _BITMAPHANDLE* bitmap,
                                       const uint8_t* rowBuffer, uint32_t rowFlags, int32_t row,
                                       int32_t rowCount, uint64_t user);

// Progress poll: (0, user) -> 1 to go on; anything else stops the call with that result.
typedef int32_t (*ProgressFunction)(int32_t reserved, uint64_t user);

struct ProgressCallback {
  uint8_t filler0[4];
  ProgressFunction pfnProgress;  // offset 4
  uint64_t uUser;                // offset 12
};

// The host's bitmap record (284 bytes). Pixels are 24-bit BGR, rows top-down, each row padded
// to a multiple of 4 bytes.
struct _BITMAPHANDLE {
  uint32_t uStructSize;    // 0: 284
  uint32_t uMemoryKind;    // 4
  uint8_t* pData;          // 8: pixel memory or null
  uint32_t uColorOrder;    // 16: 1 = BGR
  uint32_t uWidth;         // 20
  uint32_t uHeight;        // 24
  uint32_t uBitsPerPixel;  // 28
  uint32_t uBytesPerLine;  // 32
  uint32_t uOrientation;   // 36: 1 = top-down
  uint64_t uDataSize;      // 40
  uint32_t uFlags;         // 48: bit 0 = pixel memory allocated, bit 1 = access begun, bit 2 = blank
  uint8_t filler52[48];    // 52: private to the host
  uint32_t uXResolution;   // 100
  uint32_t uYResolution;   // 104
  uint8_t filler108[176];
};

// A blank bitmap (host-made for a page drawn elsewhere) keeps no pixels: rows read back white.
// An unpainted one has pixel memory not yet made white: the first surface on it, or the first
// access, makes it so (see VK_BITMAP_WHITE_WHEN_USED). A deferred one holds its pixels in the
// buffer they were drawn in until they are read (host/kernel/bitmapdeferral.h).
enum : uint32_t {
  BITMAP_ALLOCATED = 0x01,
  BITMAP_ACCESSED = 0x02,
  BITMAP_BLANK = 0x04,
  BITMAP_UNPAINTED = 0x08,
  BITMAP_DEFERRED = 0x10
};

// File information filled by the info call (2316 bytes).
struct _FILEINFO {
  uint32_t uStructSize;     // 0
  uint32_t uFormat;         // 4: 351 xlsx, 403 binary workbook
  uint8_t filler8[1024];
  uint32_t uWidth;          // 1032
  uint32_t uHeight;         // 1036
  uint32_t uBitsPerPixel;   // 1040
  uint8_t filler1044[8];
  uint64_t uSizeMem;        // 1052
  uint8_t filler1060[40];
  uint32_t uField1100;      // 1100: 1
  uint8_t filler1104[4];
  uint32_t uPageNumber;     // 1108
  uint32_t uTotalPages;     // 1112
  uint32_t uXResolution;    // 1116
  uint32_t uYResolution;    // 1120
  uint32_t uWarnings;       // 1124: XlxWarning bits of the parse (host/resultcodes.h)
  uint8_t filler1128[1060];
  uint32_t uHasVectorSize;  // 2188
  double dVectorWidth;      // 2192
  double dVectorHeight;     // 2200
  uint32_t uVectorUnit;     // 2208
  uint8_t filler2212[104];
};

// The file information with the printed-page extension. A host whose uStructSize is at least the
// size of this record receives the sheet and cell range that the reported printed page shows
// ("Sheet1!A1:H52", "'My Sheet'!B2:C9", zero-terminated); other pages leave it empty.
struct _FILEINFOPRINT {
  _FILEINFO info;               // 0
  char16_t szPageRange[544];    // 2316: room for a 255-unit sheet name quoted and a range
};

// Requested page (84 bytes); the filter reads and may rewrite only the page number.
struct _LOADFILEOPTION {
  uint8_t filler0[20];
  int32_t nPageNumber;      // 20: 1-based
  uint8_t filler24[60];
};

// Where filter data travels between calls (a host record; the filter uses four fields).
struct FilterDataHolder {
  uint8_t filler0[12];
  void* pData;              // 12
  uint8_t filler20[4];
  uint32_t uDefaultKind;    // 24
  uint8_t filler28[28];
  uint64_t uSize;           // 56
  uint32_t uKind;           // 64: 0xFFFFFFFE marks a FilterDataList
  uint8_t filler68[60];
};

enum : uint32_t { FILTERDATA_KIND_LIST = 0xFFFFFFFEu, FILTERDATA_KIND_DEFAULT = 0xFFFFFFFFu };

// Argument of fltInfo (1420 bytes).
struct _INFODISPATCH {
  const char16_t* pszFileName;            // 0
  uint8_t filler8[4];
  int64_t hFile;                          // 12: host file handle
  _FILEINFO* pFileInfo;                   // 20
  FilterDataHolder* pFilterData;          // 28
  uint8_t filler36[20];
  _LOADFILEOPTION* pLoadFileOption;       // 56
  uint8_t filler64[880];
  uint32_t dispatchXlxFlags;              // 944
  _RASTERIZEDOCOPTIONS dispatchRasterizeDocOptions;  // 948
  UnitConverter pfnUnitConverter;         // 1016
  uint8_t filler1024[344];
  int32_t nDecryptError;                  // 1368
  uint8_t filler1372[8];
  ProgressCallback* pProgress;            // 1380
  uint8_t filler1388[4];
  uint64_t uPasswordSource;               // 1392
  int32_t nProtectionKind;                // 1400
  uint8_t filler1404[16];
};

// Argument of fltLoad (2688 bytes).
struct _LOADDISPATCH {
  const char16_t* pszFileName;            // 0
  _BITMAPHANDLE* pBitmap;                 // 8: template
  uint8_t filler16[4];
  RowDeliveryCallback pfnRowDelivery;     // 20
  uint64_t uRowDeliveryUser;              // 28
  uint8_t filler36[36];
  _FILEINFO* pFileInfo;                   // 72
  FilterDataHolder* pFilterData;          // 80
  uint8_t filler88[1912];
  _LOADFILEOPTION* pLoadFileOption;       // 2000
  uint8_t filler2008[156];
  uint32_t dispatchXlxFlags;              // 2164
  _RASTERIZEDOCOPTIONS dispatchRasterizeDocOptions;  // 2168
  UnitConverter pfnUnitConverter;         // 2236
  uint8_t filler2244[116];
  uint64_t uHeaderOnly;                   // 2360
  uint8_t filler2368[276];
  uint32_t uRequestedWidth;               // 2644
  uint32_t uRequestedHeight;              // 2648
  ProgressCallback* pProgress;            // 2652
  uint8_t filler2660[4];
  uint64_t uPasswordSource;               // 2664
  uint8_t filler2672[16];
};

// Metadata: the host's item list record and the request of fltReadFileMetaDataItems.
struct MetadataItem {
  char16_t szName[128];
  char16_t szValue[128];
};

struct MetadataItemList {
  uint8_t filler0[12];
  MetadataItem* pItems;                   // 12: written by the host's prepare callback
  uint8_t filler20[12];
};

typedef int32_t (*PrepareMetadataItems)(MetadataItemList* list, int32_t count);

struct MetadataRequest {
  const char16_t* pszFileName;            // 0
  MetadataItemList* pItemList;            // 8
  PrepareMetadataItems pfnPrepare;        // 16
  uint8_t filler24[44];
  FilterDataHolder* pFilterData;          // 68
  uint64_t uPasswordSource;               // 76
  uint8_t filler84[12];
};

#pragma pack(pop)

}  // extern "C"

static_assert(sizeof(_RASTERIZEDOCOPTIONS) == 68, "options block");
static_assert(offsetof(_RASTERIZEDOCOPTIONS, dPageWidth) == 4 && offsetof(_RASTERIZEDOCOPTIONS, dPageHeight) == 12 &&
              offsetof(_RASTERIZEDOCOPTIONS, dLeftMargin) == 20 && offsetof(_RASTERIZEDOCOPTIONS, dTopMargin) == 28 &&
              offsetof(_RASTERIZEDOCOPTIONS, dRightMargin) == 36 && offsetof(_RASTERIZEDOCOPTIONS, dBottomMargin) == 44 &&
              offsetof(_RASTERIZEDOCOPTIONS, uUnit) == 52 && offsetof(_RASTERIZEDOCOPTIONS, uXResolution) == 56 &&
              offsetof(_RASTERIZEDOCOPTIONS, uYResolution) == 60 && offsetof(_RASTERIZEDOCOPTIONS, uSizeMode) == 64,
              "options offsets");
static_assert(sizeof(ProgressCallback) == 20 && offsetof(ProgressCallback, pfnProgress) == 4 &&
              offsetof(ProgressCallback, uUser) == 12, "progress record");
static_assert(sizeof(_BITMAPHANDLE) == 284 && offsetof(_BITMAPHANDLE, uWidth) == 20 &&
              offsetof(_BITMAPHANDLE, uHeight) == 24 && offsetof(_BITMAPHANDLE, uBytesPerLine) == 32 &&
              offsetof(_BITMAPHANDLE, uFlags) == 48 && offsetof(_BITMAPHANDLE, uXResolution) == 100 &&
              offsetof(_BITMAPHANDLE, uYResolution) == 104, "bitmap record");
static_assert(sizeof(_FILEINFO) == 2316 && offsetof(_FILEINFO, uFormat) == 4 && offsetof(_FILEINFO, uWidth) == 1032 &&
              offsetof(_FILEINFO, uHeight) == 1036 && offsetof(_FILEINFO, uBitsPerPixel) == 1040 &&
              offsetof(_FILEINFO, uSizeMem) == 1052 && offsetof(_FILEINFO, uField1100) == 1100 &&
              offsetof(_FILEINFO, uPageNumber) == 1108 && offsetof(_FILEINFO, uTotalPages) == 1112 &&
              offsetof(_FILEINFO, uXResolution) == 1116 && offsetof(_FILEINFO, uYResolution) == 1120 &&
              offsetof(_FILEINFO, uHasVectorSize) == 2188 && offsetof(_FILEINFO, dVectorWidth) == 2192 &&
              offsetof(_FILEINFO, dVectorHeight) == 2200 && offsetof(_FILEINFO, uVectorUnit) == 2208,
              "file info record");
static_assert(sizeof(_FILEINFOPRINT) == 2316 + 1088 && offsetof(_FILEINFOPRINT, szPageRange) == 2316,
              "printed-page file info");
static_assert(sizeof(_LOADFILEOPTION) == 84 && offsetof(_LOADFILEOPTION, nPageNumber) == 20, "load option");
static_assert(offsetof(FilterDataHolder, pData) == 12 && offsetof(FilterDataHolder, uDefaultKind) == 24 &&
              offsetof(FilterDataHolder, uSize) == 56 && offsetof(FilterDataHolder, uKind) == 64, "holder");
static_assert(sizeof(_INFODISPATCH) == 1420 && offsetof(_INFODISPATCH, hFile) == 12 &&
              offsetof(_INFODISPATCH, pFileInfo) == 20 && offsetof(_INFODISPATCH, pFilterData) == 28 &&
              offsetof(_INFODISPATCH, pLoadFileOption) == 56 && offsetof(_INFODISPATCH, dispatchXlxFlags) == 944 &&
              offsetof(_INFODISPATCH, dispatchRasterizeDocOptions) == 948 &&
              offsetof(_INFODISPATCH, pfnUnitConverter) == 1016 && offsetof(_INFODISPATCH, nDecryptError) == 1368 &&
              offsetof(_INFODISPATCH, pProgress) == 1380 && offsetof(_INFODISPATCH, uPasswordSource) == 1392 &&
              offsetof(_INFODISPATCH, nProtectionKind) == 1400, "info dispatch");
static_assert(sizeof(_LOADDISPATCH) == 2688 && offsetof(_LOADDISPATCH, pBitmap) == 8 &&
              offsetof(_LOADDISPATCH, pfnRowDelivery) == 20 && offsetof(_LOADDISPATCH, uRowDeliveryUser) == 28 &&
              offsetof(_LOADDISPATCH, pFileInfo) == 72 && offsetof(_LOADDISPATCH, pFilterData) == 80 &&
              offsetof(_LOADDISPATCH, pLoadFileOption) == 2000 && offsetof(_LOADDISPATCH, dispatchXlxFlags) == 2164 &&
              offsetof(_LOADDISPATCH, dispatchRasterizeDocOptions) == 2168 &&
              offsetof(_LOADDISPATCH, pfnUnitConverter) == 2236 && offsetof(_LOADDISPATCH, uHeaderOnly) == 2360 &&
              offsetof(_LOADDISPATCH, uRequestedWidth) == 2644 && offsetof(_LOADDISPATCH, uRequestedHeight) == 2648 &&
              offsetof(_LOADDISPATCH, pProgress) == 2652 && offsetof(_LOADDISPATCH, uPasswordSource) == 2664,
              "load dispatch");
static_assert(sizeof(MetadataItem) == 512 && offsetof(MetadataItemList, pItems) == 12, "metadata items");
static_assert(offsetof(MetadataRequest, pItemList) == 8 && offsetof(MetadataRequest, pfnPrepare) == 16 &&
              offsetof(MetadataRequest, pFilterData) == 68 && offsetof(MetadataRequest, uPasswordSource) == 76,
              "metadata request");
