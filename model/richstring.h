// Text of the workbook model: the arena that holds the UTF-16 text of a string table or a sheet,
// rich strings with their runs, and the shared-string table.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/larray.h"
#include "model/styles.h"

namespace xlx {

// Bump allocator in host memory for text and small records that live as long as their owner
// (a string table or a sheet). Blocks are never moved, so pointers into them stay valid; the
// whole arena is released at once.
class TextArena {
 public:
  TextArena() = default;
  ~TextArena() { Free(); }
  TextArena(const TextArena&) = delete;
  TextArena& operator=(const TextArena&) = delete;

  // `bytes` bytes aligned to 8, zeroed; null on exhaustion.
  void* Allocate(size_t bytes);
  // `bytes` bytes aligned to 2 (UTF-16 text packed without padding), zeroed; null on exhaustion.
  void* AllocatePacked(size_t bytes);
  // Hands back the tail of the latest allocation `block` of `reserved` bytes beyond its first
  // `kept` bytes; nothing when another allocation followed it.
  void Shrink(void* block, size_t reserved, size_t kept);
  // Converts UTF-8 to zero-terminated UTF-16 in the arena (invalid sequences become U+FFFD).
  // Writes the length in units to *length when given. Null on exhaustion.
  char16_t* CopyUtf8(const char* text, size_t bytes, int32_t* length);
  // Copies UTF-16 text and a terminator. Null on exhaustion.
  char16_t* CopyUtf16(const char16_t* text, size_t units);
  // Bytes handed out so far, and bytes held in blocks.
  size_t UsedBytes() const { return used_; }
  size_t HeldBytes() const { return held_; }
  void Free();

 private:
  struct Block;
  void* Take(size_t bytes, size_t alignment);
  Block* head_ = nullptr;  // newest block first
  char* cursor_ = nullptr;
  char* limit_ = nullptr;
  size_t used_ = 0;
  size_t held_ = 0;
};

// A run of rich text: its text and, for a run that carries `rPr`, its font.
struct TextRun {
  const char16_t* text = nullptr;  // zero-terminated; null for a slot left empty (phonetic runs)
  int32_t length = 0;              // units
  MyLogFont* font = nullptr;       // null for a plain run
};

// A shared string or an inline string: the runs in order and the whole text they make. A string
// made of one plain `t` (the common case) keeps no runs at all: runCount is 0, runs is null and
// the text is the whole string. Strings written as runs keep one record per child element.
struct RichString {
  TextRun* runs = nullptr;         // runCount records
  const char16_t* text = nullptr;  // all run texts joined; never null once read ("" when empty)
  int32_t runCount = 0;
  int32_t textLength = 0;          // units
};

struct SharedStringTable {
  // `uniqueCount`, else the number of `si` children, capped; indices below it are valid.
  int32_t count = 0;
  // The entries read; an index from strings.Count() up to count reads as the empty string.
  LArray<RichString> strings;
  TextArena arena;  // owns the text, the run arrays and the run fonts
};

// The string at `index`: an empty string for a negative index (a cell without a value), string 0
// for an index not below the count. Never null.
const RichString& GetSharedString(const SharedStringTable& table, int32_t index);
// A string with no runs and the empty text, for absent entries.
const RichString& EmptyRichString();

}  // namespace xlx
