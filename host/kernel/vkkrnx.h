// Host kernel of the xlxhost toolkit: allocation, file access on UTF-16 paths, temporary files,
// 24-bit page bitmaps, screen resolution, image decoding and transforms, the generic load entry.
// Every operation returns 1 on success or a negative code unless its comment says otherwise.
#pragma once
#include <cstddef>
#include <cstdint>
#include "host/hostrecords.h"

#define VK_API extern "C" __attribute__((visibility("default")))

// ---- allocation -------------------------------------------------------------------------------
// Zeroed block of count * size bytes, or null on exhaustion or overflow. `line`/`file` name the
// caller for the leak report.
VK_API void* VkAllocate(size_t count, size_t size, int line, const char* file);
// Resizes a block from VkAllocate; the new tail is NOT zeroed. Null on failure (block kept).
VK_API void* VkReallocate(void* block, size_t size, int line, const char* file);
VK_API void VkFree(void* block, int line, const char* file);
// Number of live blocks, and (debug builds or VK_LEAK_REPORT=1) a report of each to stderr.
VK_API size_t VkLiveAllocations(void);
VK_API void VkReportLeaks(void);
// Test hook: fail every allocation after `budget` more successful ones; -1 lifts the limit.
VK_API void VkSetAllocationBudget(long long budget);

#define VK_ALLOC(count, size) VkAllocate((count), (size), __LINE__, __FILE__)
#define VK_REALLOC(block, size) VkReallocate((block), (size), __LINE__, __FILE__)
#define VK_FREE(block) VkFree((block), __LINE__, __FILE__)

// ---- files ------------------------------------------------------------------------------------
// A handle is an opaque 64-bit value; -1 means none.
enum : uint32_t {
  VK_OPEN_READ = 0x01,
  VK_OPEN_WRITE = 0x02,
  VK_OPEN_CREATE = 0x04,
  VK_OPEN_TRUNCATE = 0x08,
  VK_OPEN_BINARY = 0x10,  // accepted for symmetry; every file is binary here
};
enum : int32_t { VK_SEEK_SET = 0, VK_SEEK_CUR = 1, VK_SEEK_END = 2 };

// Opens a file by UTF-16 path; permission is the mode for a created file (0: 0600). -1 on failure.
VK_API int64_t VkOpenFile(const char16_t* path, uint32_t flags, uint32_t permission);
// A read-only handle over caller memory, which must outlive the handle (tests, fuzzing, pipes).
VK_API int64_t VkOpenMemoryFile(const void* data, size_t size);
// Bytes read (0 at end), or -1.
VK_API int64_t VkReadFile(int64_t handle, void* buffer, int64_t count);
// Bytes written, or -1.
VK_API int64_t VkWriteFile(int64_t handle, const void* buffer, int64_t count);
// New position from the start of the file, or -1.
VK_API int64_t VkSeekFile(int64_t handle, int64_t offset, int32_t origin);
VK_API int32_t VkCloseFile(int64_t handle);
VK_API int32_t VkDeleteFile(const char16_t* path);
// Creates an empty file, mode 0600, in $TMPDIR (else /tmp), opened for writing. It has no name
// (where the file system cannot make such a file, its name, with the given extension, no dot, is
// removed at once): the file lives on, reachable through the path written into `path` (capacity in
// units), until VkDeleteFile on that path or the end of the process, so a process that dies leaves
// nothing behind, no folder either. 1, -1, -13 (capacity) or -14.
VK_API int32_t VkCreateTempFile(const char16_t* extension, char16_t* path, size_t capacity, int64_t* handle);
// Opens a temporary file made by VkCreateTempFile for reading; -1 on failure.
VK_API int64_t VkOpenTempFile(const char16_t* path);

// ---- screen and library folder ---------------------------------------------------------------
VK_API int32_t VkScreenResolutionX(void);
VK_API int32_t VkScreenResolutionY(void);
// Test hook: what the two queries answer from now on.
VK_API void VkSetScreenResolution(int32_t x, int32_t y);
// Folder of the host library, UTF-16, no trailing slash. 1 or -13 (capacity too small).
VK_API int32_t VkGetLibraryFolder(char16_t* folder, size_t capacity);

// ---- bitmaps ----------------------------------------------------------------------------------
// Creates a bitmap with pixel memory (24 or 32 bits; rows top-down, 4-byte aligned, BGR(A)),
// white. 1, -1 (memory or size over the limit), -13 (bad arguments).
// With `flags` VK_BITMAP_WHITE_WHEN_USED the memory is made white only when first used: a
// surface made on the bitmap writes every row when it ends (white where nothing was drawn), and
// VkBeginBitmapAccess and VkGetBitmapRow answer white before that. For page bitmaps, whose rows
// are written once by the page's surface: a fresh page costs no separate whitening pass. The
// caller then reads pixels only after VkBeginBitmapAccess (or through VkGetBitmapRow).
enum : uint32_t { VK_BITMAP_WHITE_WHEN_USED = 1 };
VK_API int32_t VkCreateBitmap(_BITMAPHANDLE* bitmap, uint32_t structSize, uint32_t memoryKind,
                              uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t colorOrder,
                              const void* palette, uint32_t orientation, void* data, uint32_t flags);
// Fills the record only (no pixel memory). 1 or -13.
VK_API int32_t VkInitBitmapHeader(_BITMAPHANDLE* bitmap, uint32_t structSize, uint32_t width,
                                  uint32_t height, uint32_t bitsPerPixel);
// The next VkCreateBitmap on the calling thread of exactly width x height (0 x 0: none) makes a
// blank bitmap instead: BITMAP_ALLOCATED | BITMAP_BLANK, no pixel memory, every row read back
// white; functions that need its pixels refuse it with -2. For hosts that have the page drawn
// somewhere else (a vector page) and so never look at its pixels. 1.
VK_API int32_t VkReserveBlankBitmap(uint32_t width, uint32_t height);
VK_API int32_t VkBeginBitmapAccess(_BITMAPHANDLE* bitmap);
VK_API int32_t VkEndBitmapAccess(_BITMAPHANDLE* bitmap);
// Copies up to `bytes` of row `row` into `buffer`: bytes copied (>= 1), or -13 / -2.
VK_API int32_t VkGetBitmapRow(_BITMAPHANDLE* bitmap, void* buffer, int32_t row, uint32_t bytes);
VK_API void VkFreeBitmap(_BITMAPHANDLE* bitmap);
// Largest bitmap the host makes, in pixels (width x height).
enum : uint64_t { VK_MAX_BITMAP_PIXELS = 400ull * 1000 * 1000 };

// ---- generic load entry -----------------------------------------------------------------------
// The host side of a filter's VELK_Load: records the entry address and answers 1.
VK_API int32_t VkGenericLoad(void* entry, void* a1, void* a2, void* a3, void* a4);
