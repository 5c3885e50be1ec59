#include "model/workbook.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/apiutils.h"
#include "host/kernel/vkkrnx.h"
#include "model/colortables.h"
#include "common/resultcodes.h"

namespace xlx {

Workbook::~Workbook() {
  if (evaluatorContext && pfnFreeEvaluator) pfnFreeEvaluator(evaluatorContext);
  sheets.Free();
  FreeRelationships(workbookRels, workbookRelCount);
  FreeRelationships(packageRels, packageRelCount);
  delete workbookDom;
  delete themeDom;
  FreePartList(&parts);
  if (bOwnsPackage && hPackage != -1) VkCloseFile(hPackage);
}

int32_t CreateWorkbook(Workbook** out) {
  if (!out) return XLX_ERR_ARGUMENT;
  *out = nullptr;
  void* block = VK_ALLOC(1, sizeof(Workbook));
  if (!block) return XLX_ERR_MEMORY;
  Workbook* workbook = new (block) Workbook();
  memcpy(workbook->palette, kDefaultIndexedPalette, sizeof(workbook->palette));
  *out = workbook;
  return XLX_OK;
}

void FreeWorkbook(Workbook* workbook) {
  if (!workbook) return;
  workbook->~Workbook();
  VK_FREE(workbook);
}

int32_t GetSheetCount(const Workbook* workbook) {
  return workbook ? std::min(workbook->sheetCount, int32_t(workbook->sheets.Count())) : 0;
}

int32_t ReferableSheetCount(const Workbook* workbook) {
  return workbook ? std::min(workbook->sheetCount + workbook->dataSheetCount, int32_t(workbook->sheets.Count())) : 0;
}

MyWorksheet* GetSheet(Workbook* workbook, int32_t index) {
  if (!workbook || index < 0 || index >= workbook->sheets.Count()) return nullptr;
  return &workbook->sheets[index];
}

const MyWorksheet* GetSheet(const Workbook* workbook, int32_t index) {
  return GetSheet(const_cast<Workbook*>(workbook), index);
}

CellColor CurrentSheetBackColor(const Workbook* workbook) {
  const MyWorksheet* sheet = workbook ? GetSheet(workbook, workbook->currentSheet) : nullptr;
  return sheet ? sheet->clBackColor : kColorAutomatic;
}

namespace {

bool SameNameFolded(const std::u16string& a, const char16_t* b) {
  size_t n = Utf16Length(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (LowerUnit(a[i]) != LowerUnit(b[i])) return false;
  return true;
}

}  // namespace

const char16_t* FindDefinedName(const Workbook* workbook, const char16_t* name) {
  if (!workbook || !name) return nullptr;
  for (const DefinedNameEntry& entry : workbook->definedNames)
    if (SameNameFolded(entry.name, name)) return entry.formula.c_str();
  return nullptr;
}

const char16_t* GetPrintArea(const Workbook* workbook, int32_t workbookSheetIndex) {
  if (!workbook) return nullptr;
  auto it = workbook->printAreas.find(workbookSheetIndex);
  return it == workbook->printAreas.end() ? nullptr : it->second.c_str();
}

const char16_t* GetPrintTitles(const Workbook* workbook, int32_t workbookSheetIndex) {
  if (!workbook) return nullptr;
  auto it = workbook->printTitles.find(workbookSheetIndex);
  return it == workbook->printTitles.end() ? nullptr : it->second.c_str();
}

int32_t PollProgress(const Workbook* workbook) {
  if (!workbook || !workbook->progress || !workbook->progress->pfnProgress) return XLX_OK;
  return workbook->progress->pfnProgress(0, workbook->progress->uUser);
}

int64_t ReadWorkbookPart(const Workbook* workbook, const char16_t* path, uint8_t** data, uint64_t* size) {
  if (!workbook || !path || !data || !size) return XLX_ERR_ARGUMENT;
  std::lock_guard<std::mutex> lock(workbook->packageMutex);
  return ReadPart(workbook->hPackage, path, data, size, &workbook->parts);
}

}  // namespace xlx
