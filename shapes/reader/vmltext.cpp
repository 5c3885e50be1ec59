// Text boxes and client data of VML shapes.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/apiutils.h"
#include "common/limits.h"
#include "shapes/reader/vml.h"

namespace xlx {
namespace {

constexpr int32_t kMaxRuns = 4096;
constexpr size_t kMaxBoxText = 1 << 16;  // characters of one text box

struct RunFormat {
  std::u16string face;
  double sizePt = 0;
  CellColor color = 0;
  bool bold = false, italic = false, underline = false;
};

bool IsBlock(const std::string& name) { return name == "div" || name == "p"; }

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The value of `property` in CSS text ("font-size:10pt;color:red"), or empty.
std::string CssValue(const char* css, const char* property) {
  if (!css) return std::string();
  const std::string s = Lower(css), key = std::string(property) + ":";
  size_t at = 0;
  while ((at = s.find(key, at)) != std::string::npos && at > 0 && s[at - 1] != ';' && !std::isspace(static_cast<unsigned char>(s[at - 1])))
    ++at;
  if (at == std::string::npos) return std::string();
  const size_t start = at + key.size(), end = s.find(';', start);
  std::string v = s.substr(start, end == std::string::npos ? std::string::npos : end - start);
  while (!v.empty() && std::isspace(static_cast<unsigned char>(v.front()))) v.erase(0, 1);
  while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back()))) v.pop_back();
  return v;
}

int32_t AlignOf(const std::string& v) {
  if (v == "center" || v == "centre" || v == "middle") return 1;
  if (v == "right" || v == "bottom") return 2;
  return 0;
}

class RunCollector {
 public:
  RunCollector(const VmlTree& tree, VmlTextBox* box) : tree_(tree), box_(box) {}

  void Walk(const VmlNode& node, RunFormat format, int32_t depth) {
    if (depth > kMaxVmlDepth) return;
    for (int32_t index : node.children) {
      const VmlNode& child = tree_.nodes[size_t(index)];
      if (child.name.empty()) {
        AddText(child.text, format);
      } else if (child.name == "br") {
        AddBreak(format);
      } else {
        RunFormat inner = format;
        Apply(child, &inner);
        if (IsBlock(child.name)) {
          if (box_->align == 0) box_->align = AlignOf(CssValue(VmlAttribute(child, "style"), "text-align"));
          if (started_) AddBreak(format);
        }
        Walk(child, inner, depth + 1);
      }
    }
  }

 private:
  void Apply(const VmlNode& node, RunFormat* f) const {
    if (node.name == "b" || node.name == "strong") f->bold = true;
    if (node.name == "i" || node.name == "em") f->italic = true;
    if (node.name == "u") f->underline = true;
    if (const char* face = VmlAttribute(node, "face")) f->face = Utf8ToUtf16(face);
    if (const char* size = VmlAttribute(node, "size")) {
      const double v = std::atof(size) / 20;  // twentieths of a point
      if (v >= 1 && v <= 409) f->sizePt = v;
    }
    if (const char* color = VmlAttribute(node, "color")) (void)ParseVmlColor(color, 0, &f->color);
    const char* style = VmlAttribute(node, "style");
    const std::string family = CssValue(style, "font-family");
    if (!family.empty()) {
      std::string face = family.substr(0, family.find(','));
      face.erase(std::remove(face.begin(), face.end(), '"'), face.end());
      face.erase(std::remove(face.begin(), face.end(), '\''), face.end());
      f->face = Utf8ToUtf16(face);
    }
    const std::string size = CssValue(style, "font-size");
    if (!size.empty()) {
      const double v = VmlLengthPt(size, 0.75);
      if (v >= 1 && v <= 409) f->sizePt = v;
    }
    const std::string color = CssValue(style, "color");
    if (!color.empty()) (void)ParseVmlColor(color, 0, &f->color);
    if (CssValue(style, "font-weight") == "bold") f->bold = true;
    if (CssValue(style, "font-style") == "italic") f->italic = true;
  }

  void AddBreak(const RunFormat& f) { Append(u"\n", f); space_ = true; }

  // Runs of white space collapse to one blank, as in HTML; blanks at a line start are dropped.
  void AddText(const std::string& text, const RunFormat& f) {
    std::string collapsed;
    for (char c : text) {
      const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
      if (blank) {
        if (!space_) collapsed.push_back(' ');
        space_ = true;
      } else {
        collapsed.push_back(c);
        space_ = false;
      }
    }
    if (!collapsed.empty()) Append(Utf8ToUtf16(collapsed), f);
  }

  void Append(const std::u16string& text, const RunFormat& f) {
    if (total_ + text.size() > kMaxBoxText) return;
    total_ += text.size();
    started_ = true;
    std::vector<VmlTextRun>& runs = box_->runs;
    if (!runs.empty()) {
      VmlTextRun& last = runs.back();
      if (last.face == f.face && last.sizePt == f.sizePt && last.color == f.color && last.bold == f.bold &&
          last.italic == f.italic && last.underline == f.underline) {
        last.text += text;
        return;
      }
    }
    if (runs.size() >= size_t(kMaxRuns)) return;
    VmlTextRun run;
    run.text = text;
    run.face = f.face;
    run.sizePt = f.sizePt;
    run.color = f.color;
    run.bold = f.bold, run.italic = f.italic, run.underline = f.underline;
    runs.push_back(std::move(run));
  }

  const VmlTree& tree_;
  VmlTextBox* box_;
  size_t total_ = 0;
  bool space_ = true;
  bool started_ = false;
};

int32_t ControlKindOf(const char* type) {
  static const struct {
    const char* name;
    int32_t kind;
  } kTypes[] = {{"note", kControlNote},   {"button", kControlButton}, {"checkbox", kControlCheckbox},
                {"radio", kControlRadio}, {"gbox", kControlGroupBox}, {"label", kControlLabel},
                {"list", kControlList},   {"drop", kControlDrop},     {"scroll", kControlScroll},
                {"spin", kControlSpin},   {"edit", kControlEdit},     {"dialog", kControlOther}};
  const std::string t = Lower(type ? type : "");
  for (const auto& k : kTypes)
    if (t == k.name) return k.kind;
  return kControlNone;
}

int32_t IntText(const std::string& text, int32_t low, int32_t high, int32_t fallback) {
  const char* s = text.c_str();
  while (std::isspace(static_cast<unsigned char>(*s))) ++s;
  char* end = nullptr;
  const double v = std::strtod(s, &end);
  if (end == s || !(v == v)) return fallback;
  return int32_t(std::clamp(v, double(low), double(high)));
}

// "col, dx, row, dy, col, dx, row, dy": cells 0-based, offsets in pixels at 96 dpi.
bool ReadAnchor(const std::string& text, DrawingAnchor* anchor) {
  double v[8];
  const char* s = text.c_str();
  for (double& value : v) {
    while (*s == ',' || std::isspace(static_cast<unsigned char>(*s))) ++s;
    char* end = nullptr;
    value = std::strtod(s, &end);
    if (end == s || !(value == value)) return false;
    s = end;
  }
  const auto cell = [](double x, int32_t limit) { return int32_t(std::clamp(x, 0.0, double(limit - 1))); };
  const auto emu = [](double px) { return int64_t(std::clamp(px, 0.0, 1e5) * 9525); };
  anchor->kind = kAnchorTwoCell;
  anchor->fromCol = cell(v[0], int32_t(kMaxColumns)), anchor->fromColOff = emu(v[1]);
  anchor->fromRow = cell(v[2], int32_t(kMaxRows)), anchor->fromRowOff = emu(v[3]);
  anchor->toCol = cell(v[4], int32_t(kMaxColumns)), anchor->toColOff = emu(v[5]);
  anchor->toRow = cell(v[6], int32_t(kMaxRows)), anchor->toRowOff = emu(v[7]);
  return true;
}

}  // namespace

void ReadVmlTextBox(const VmlTree& tree, const VmlNode& textbox, VmlTextBox* box) {
  box->present = true;
  RunCollector(tree, box).Walk(textbox, RunFormat(), 0);
  // A line break at the very end draws nothing.
  while (!box->runs.empty() && !box->runs.back().text.empty() && box->runs.back().text.back() == u'\n') {
    box->runs.back().text.pop_back();
    if (box->runs.back().text.empty()) box->runs.pop_back();
  }
  const std::string anchor = CssValue(VmlAttribute(textbox, "style"), "v-text-anchor");
  if (anchor.find("middle") != std::string::npos) box->vAlign = 1;
  if (anchor.find("bottom") != std::string::npos) box->vAlign = 2;
  if (const char* inset = VmlAttribute(textbox, "inset")) {
    double* sides[4] = {&box->insetLeft, &box->insetTop, &box->insetRight, &box->insetBottom};
    std::string s = inset;
    for (int i = 0; i < 4; ++i) {
      const size_t comma = s.find(',');
      const std::string part = s.substr(0, comma);
      if (part.find_first_not_of(" \t") != std::string::npos) *sides[i] = std::clamp(VmlLengthPt(part, 0.75), 0.0, 1e4);
      if (comma == std::string::npos) break;
      s.erase(0, comma + 1);
    }
  }
}

void ReadVmlClientData(const VmlTree& tree, const VmlNode& client, VmlClientData* data) {
  data->present = true;
  data->kind = ControlKindOf(VmlAttribute(client, "objecttype"));
  for (int32_t index : client.children) {
    const VmlNode& c = tree.nodes[size_t(index)];
    const std::string text = VmlText(tree, c);
    const std::string& n = c.name;
    if (n == "anchor") data->hasAnchor = ReadAnchor(text, &data->anchor);
    else if (n == "visible") data->visible = true;
    else if (n == "hidden") data->hidden = true;
    else if (n == "printobject") data->printObject = VmlBool(text.c_str(), true);
    else if (n == "row") data->row = IntText(text, 0, int32_t(kMaxRows) - 1, -1);
    else if (n == "column") data->column = IntText(text, 0, int32_t(kMaxColumns) - 1, -1);
    else if (n == "checked") data->checked = IntText(text.empty() ? "1" : text, 0, 2, 1);
    else if (n == "nothreed") data->noThreeD = true;
    else if (n == "fmlalink") data->fmlaLink = Utf8ToUtf16(text);
    else if (n == "fmlarange") data->fmlaRange = Utf8ToUtf16(text);
    else if (n == "val") data->val = IntText(text, 0, 30000, 0);
    else if (n == "min") data->min = IntText(text, 0, 30000, 0);
    else if (n == "max") data->max = IntText(text, 0, 30000, 100);
    else if (n == "inc") data->inc = IntText(text, 0, 30000, 1);
    else if (n == "page") data->page = IntText(text, 0, 30000, 10);
    else if (n == "sel") data->sel = IntText(text, 0, 32767, 0);
    else if (n == "droplines") data->dropLines = IntText(text, 1, 1000, 8);
    else if (n == "horiz") data->horiz = true;
    else if (n == "texthalign") data->textHAlign = AlignOf(Lower(text));
    else if (n == "textvalign") data->textVAlign = AlignOf(Lower(text));
  }
}

}  // namespace xlx
