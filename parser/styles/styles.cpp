// The styles part: number formats, cell formats, the lists of fonts, fills, borders and
// differential formats, the indexed palette and the table-style list.
#include <new>

#include "model/modellimits.h"
#include "parser/xlsxprsr.h"
#include "parser/styles/color.h"
#include "parser/sheet/tables.h"
#include "parser/xml/dom.h"
#include "common/resultcodes.h"

namespace xlx {

namespace {

struct BuiltinFormat {
  int32_t id;
  const char16_t* code;
};

// Ids 14 and 22 are the locale's short date (and time); this platform has no locale patterns, so
// they take the fallbacks. The accounting formats 41-44 pad with a blank after "*" as the
// spreadsheet application writes them, so that the fill character is a blank, not a digit sign.
const BuiltinFormat kBuiltinFormats[] = {
    {0, u"General"},
    {1, u"0"},
    {2, u"0.00"},
    {3, u"#,##0"},
    {4, u"#,##0.00"},
    // The currency formats as the application writes them for US English: the opening
    // parenthesis belongs to the negative section only.
    {5, u"\"$\"#,##0_);\\(\"$\"#,##0\\)"},
    {6, u"\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)"},
    {7, u"\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)"},
    {8, u"\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)"},
    {9, u"0%"},
    {10, u"0.00%"},
    {11, u"0.00E+00"},
    {12, u"# ?/?"},
    {13, u"# ?\?/??"},
    {14, u"M/d/yyyy"},
    {15, u"d-mmm-yy"},
    {16, u"d-mmm"},
    {17, u"mmm-yy"},
    {18, u"h:mm AM/PM"},
    {19, u"h:mm:ss AM/PM"},
    {20, u"H:mm"},
    {21, u"H:mm:ss"},
    {22, u"M/d/yyyy H:mm"},
    {37, u"#,##0_);(#,##0)"},
    {38, u"#,##0_);[Red](#,##0)"},
    {39, u"#,##0.00_);(#,##0.00)"},
    {40, u"#,##0.00_);[Red](#,##0.00)"},
    {41, u"_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)"},
    {42, u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)"},
    {43, u"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"?\?_);_(@_)"},
    {44, u"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"?\?_);_(@_)"},
    {45, u"mm:ss"},
    {46, u"[h]:mm:ss"},
    {47, u"mm:ss.0"},
    {48, u"##0.0E+0"},
    {49, u"@"},
};

// Reads the children named `childName` of `list` into `out`: the declared count is the `count`
// attribute (else the number of children), only the children present are stored.
template <typename T, typename Reader>
int32_t ReadList(pugi::xml_node list, const char* childName, StyleList<T>* out, Reader read) {
  int32_t children = CountChildren(list, childName);
  int32_t declared = ReadDeclaredCount(list.attribute("count"), children, kMaxStyleListCount);
  int32_t stored = declared < children ? declared : children;
  out->items.Free();
  out->declaredCount = 0;
  if (out->items.Allocate(size_t(stored)) != XLX_OK) return XLX_ERR_MEMORY;
  out->declaredCount = declared;
  int32_t i = 0;
  for (pugi::xml_node child = Child(list, childName); child && i < stored; child = NextNamed(child, childName), ++i)
    read(&out->items[i], child, i);
  return XLX_OK;
}

void ReadXf(CellXf* xf, pugi::xml_node node) {
  struct Flag {
    const char* name;
    bool CellXf::*field;
  };
  static const Flag kFlags[] = {
      {"applyAlignment", &CellXf::applyAlignment}, {"applyBorder", &CellXf::applyBorder},
      {"applyFill", &CellXf::applyFill}, {"applyFont", &CellXf::applyFont},
      {"applyNumberFormat", &CellXf::applyNumberFormat}, {"applyProtection", &CellXf::applyProtection},
      {"pivotButton", &CellXf::pivotButton}, {"quotePrefix", &CellXf::quotePrefix},
  };
  for (const Flag& flag : kFlags)
    if (pugi::xml_attribute a = node.attribute(flag.name)) xf->*flag.field = ReadBool(a);
  ReadUnsigned(node.attribute("borderId"), &xf->borderId);
  ReadUnsigned(node.attribute("fillId"), &xf->fillId);
  ReadUnsigned(node.attribute("fontId"), &xf->fontId);
  ReadUnsigned(node.attribute("numFmtId"), &xf->numFmtId);
  ReadUnsigned(node.attribute("xfId"), &xf->xfId);
  if (pugi::xml_node alignment = Child(node, "alignment")) ReadAlignment(&xf->alignment, alignment);
}

int32_t ReadXfList(StyleList<CellXf>* list, pugi::xml_node node) {
  return ReadList(node, "xf", list, [](CellXf* xf, pugi::xml_node child, int32_t) { ReadXf(xf, child); });
}

// `colors` / `indexedColors` replaces the whole palette; entries it does not give are black.
void ReadPalette(Workbook* workbook, pugi::xml_node styleSheet) {
  pugi::xml_node indexed = Child(Child(styleSheet, "colors"), "indexedColors");
  if (!indexed) return;
  workbook->hasCustomPalette = true;
  pugi::xml_node entry = Child(indexed, "rgbColor");
  for (int32_t i = 0; i < 64; ++i) {
    workbook->palette[i] = entry ? HexToCellColor(entry.attribute("rgb").value()) : kColorBlack;
    if (entry) entry = NextNamed(entry, "rgbColor");
  }
}

void ReadNumberFormats(Stylesheet* styles, Workbook* workbook, pugi::xml_node numFmts) {
  for (pugi::xml_node numFmt = Child(numFmts, "numFmt"); numFmt; numFmt = NextNamed(numFmt, "numFmt")) {
    int32_t id = 0;
    pugi::xml_attribute code = numFmt.attribute("formatCode");
    if (!ReadInt(numFmt.attribute("numFmtId"), &id) || !code) continue;
    // An empty code (files redefine id 0 so) shows values as General, not as nothing.
    std::u16string text = *code.value() ? ToUtf16(code.value()) : u"General";
    WorkbookLockGuard guard(workbook->lock);
    styles->numberFormats[id] = std::move(text);
  }
}

int32_t ReadFonts(Stylesheet* styles, const Workbook& workbook, pugi::xml_node fonts) {
  StyleList<MyLogFont>& list = styles->fonts;
  int32_t rc = ReadList(fonts, "font", &list, [&](MyLogFont* font, pugi::xml_node child, int32_t i) {
    ReadFont(font, workbook, child, i == 0, i == 0 ? nullptr : &list.items[0]);
  });
  if (rc != XLX_OK) return rc;
  if (list.declaredCount >= 1) {
    if (pugi::xml_node first = Child(fonts, "font")) {
      ReadNormalFont(first, workbook.dpi, &styles->normalFont, &styles->normalFontSizePt);
      styles->hasNormalFont = true;
    }
  }
  if (list.declaredCount < 1) {
    // A styles part without fonts still gives every cell a font.
    if (list.items.Allocate(1) != XLX_OK) return XLX_ERR_MEMORY;
    list.declaredCount = 1;
    ReadFont(&list.items[0], workbook, pugi::xml_node(), true, nullptr);
  }
  if (!styles->hasNormalFont) {
    // Without a first font the sheets measure with the default one.
    if (!list.items.Empty()) styles->normalFont = list.items[0];
    else ReadFont(&styles->normalFont, workbook, pugi::xml_node(), true, nullptr);
    styles->normalFontSizePt = 11.0;
  }
  return XLX_OK;
}

int32_t ReadFills(Stylesheet* styles, const Workbook& workbook, pugi::xml_node fills) {
  StyleList<FillSpec>& list = styles->fills;
  int32_t rc = ReadList(fills, "fill", &list, [&](FillSpec* fill, pugi::xml_node child, int32_t) {
    ReadFill(fill, workbook, child, false);
    if (pugi::xml_node pattern = Child(child, "patternFill")) {
      pugi::xml_node bg = Child(pattern, "bgColor");
      if (!bg || ReadBool(bg.attribute("auto"))) fill->backColor = kColorAutomatic;
    }
  });
  if (rc != XLX_OK) return rc;
  if (list.declaredCount < 1) {
    if (list.items.Allocate(1) != XLX_OK) return XLX_ERR_MEMORY;
    list.declaredCount = 1;
    list.items[0].kind = kFillNone;
  }
  return XLX_OK;
}

int32_t ReadBorders(Stylesheet* styles, const Workbook& workbook, pugi::xml_node borders) {
  return ReadList(borders, "border", &styles->borders,
                  [&](MyBorder* border, pugi::xml_node child, int32_t) { ReadBorder(border, workbook, child); });
}

int32_t ReadDxfs(Stylesheet* styles, const Workbook& workbook, pugi::xml_node dxfs) {
  return ReadList(dxfs, "dxf", &styles->dxfs, [&](Dxf* dxf, pugi::xml_node child, int32_t) { ReadDxf(dxf, workbook, child); });
}

void ReadTableStyleList(Stylesheet* styles, Workbook* workbook, pugi::xml_node tableStyles) {
  styles->defaultTableStyle = ToUtf16(tableStyles.attribute("defaultTableStyle").value());
  styles->defaultPivotStyle = ToUtf16(tableStyles.attribute("defaultPivotStyle").value());
  for (pugi::xml_node style = Child(tableStyles, "tableStyle"); style; style = NextNamed(style, "tableStyle")) {
    std::u16string name = ToUtf16(style.attribute("name").value());
    if (name.empty()) continue;
    TableStyleEntry entry;
    if (pugi::xml_attribute a = style.attribute("pivot")) entry.pivot = ReadBool(a);
    if (pugi::xml_attribute a = style.attribute("table")) entry.table = ReadBool(a);
    entry.elementCount = CountChildren(style, "tableStyleElement");
    ReadTableStyleElements(&entry, style, static_cast<int32_t>(styles->dxfs.items.Count()));
    WorkbookLockGuard guard(workbook->lock);
    styles->tableStyles.emplace(std::move(name), entry);
  }
}

int32_t ReadStylesheetParts(Stylesheet* styles, Workbook* workbook, pugi::xml_node root) {
  int32_t rc = InstallBuiltinNumberFormats(styles, workbook);
  if (rc != XLX_OK) return rc;
  ReadPalette(workbook, root);
  if ((rc = ReadXfList(&styles->cellXfs, Child(root, "cellXfs"))) != XLX_OK) return rc;
  if ((rc = ReadXfList(&styles->cellStyleXfs, Child(root, "cellStyleXfs"))) != XLX_OK) return rc;
  ReadNumberFormats(styles, workbook, Child(root, "numFmts"));
  if ((rc = ReadBorders(styles, *workbook, Child(root, "borders"))) != XLX_OK) return rc;
  if ((rc = ReadFonts(styles, *workbook, Child(root, "fonts"))) != XLX_OK) return rc;
  if ((rc = ReadFills(styles, *workbook, Child(root, "fills"))) != XLX_OK) return rc;
  if ((rc = ReadDxfs(styles, *workbook, Child(root, "dxfs"))) != XLX_OK) return rc;
  ReadTableStyleList(styles, workbook, Child(root, "tableStyles"));
  return XLX_OK;
}

}  // namespace

int32_t InstallBuiltinNumberFormats(Stylesheet* styles, Workbook* workbook) {
  if (!styles || !workbook) return XLX_ERR_ARGUMENT;
  return Guarded([&] {
    WorkbookLockGuard guard(workbook->lock);
    for (const BuiltinFormat& format : kBuiltinFormats) styles->numberFormats[format.id] = format.code;
    return XLX_OK;
  });
}

int32_t ReadStylesheet(Stylesheet* styles, Workbook* workbook, pugi::xml_node styleSheet) {
  if (!styles || !workbook) return XLX_ERR_ARGUMENT;
  if (styles->parsed) return XLX_OK;
  int32_t rc = Guarded([&] { return ReadStylesheetParts(styles, workbook, styleSheet); });
  if (rc == XLX_OK) styles->parsed = true;
  return rc;
}

}  // namespace xlx
