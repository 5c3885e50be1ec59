// Parsing of header and footer codes into styled runs.
#include "view/print/headerfooter.h"

#include <algorithm>
#include <string>

#include "model/colormath.h"

namespace xlx {
namespace {

constexpr double kMinSizePt = 1, kMaxSizePt = 409;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int32_t HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

void AppendNumber(int64_t v, std::u16string* out) {
  for (char ch : std::to_string(v)) *out += static_cast<char16_t>(ch);
}

void SetFace(HeaderFooterRun* run, const std::u16string& face) {
  size_t n = std::min<size_t>(face.size(), 31);
  std::fill(std::begin(run->face), std::end(run->face), u'\0');
  std::copy(face.begin(), face.begin() + static_cast<std::ptrdiff_t>(n), run->face);
}

class CodeParser {
 public:
  CodeParser(const std::u16string& code, const HeaderFooterFields& fields, const Workbook* workbook)
      : s_(code), fields_(fields), workbook_(workbook) {}

  HeaderFooterText Parse(const HeaderFooterFont& font) {
    SetFace(&style_, font.face ? font.face : u"Calibri");
    style_.sizePt = std::min(kMaxSizePt, std::max(kMinSizePt, font.sizePt));
    base_ = style_;
    while (i_ < s_.size()) {
      char16_t c = s_[i_++];
      if (c == u'&' && i_ < s_.size()) Code();
      else if (c == u'\n') NewLine();
      else if (c != u'\r') Text(std::u16string(1, c));
    }
    // Trailing empty lines print nothing.
    for (auto& section : out_.sections)
      while (!section.empty() && section.back().runs.empty()) section.pop_back();
    return out_;
  }

 private:
  std::vector<HeaderFooterLine>& Lines() {
    auto& lines = out_.sections[section_];
    if (lines.empty()) lines.emplace_back();
    return lines;
  }
  void NewLine() {
    Lines();
    out_.sections[section_].emplace_back();
  }
  void Text(const std::u16string& text) {
    if (text.empty()) return;
    auto& runs = Lines().back().runs;
    if (!runs.empty() && SameStyle(runs.back(), style_)) {
      runs.back().text += text;
      return;
    }
    HeaderFooterRun run = style_;
    run.text = text;
    runs.push_back(run);
  }
  static bool SameStyle(const HeaderFooterRun& a, const HeaderFooterRun& b) {
    return std::u16string(a.face) == std::u16string(b.face) && a.sizePt == b.sizePt && a.bold == b.bold &&
           a.italic == b.italic && a.underline == b.underline && a.doubleUnderline == b.doubleUnderline &&
           a.strikeOut == b.strikeOut && a.superscript == b.superscript && a.subscript == b.subscript &&
           a.color == b.color;
  }

  void Code() {
    char16_t c = s_[i_++];
    switch (c) {
      // Each section starts in the default font.
      case u'L': section_ = 0, style_ = base_; break;
      case u'C': section_ = 1, style_ = base_; break;
      case u'R': section_ = 2, style_ = base_; break;
      case u'&': Text(u"&"); break;
      case u'P': PageNumber(); break;
      case u'N': {
        std::u16string t;
        AppendNumber(fields_.pages, &t);
        Text(t);
        break;
      }
      case u'D': Text(fields_.date); break;
      case u'T': Text(fields_.time); break;
      case u'F': Text(fields_.fileName); break;
      case u'Z': Text(fields_.filePath); break;
      case u'A': Text(fields_.sheetName); break;
      case u'B': style_.bold = !style_.bold; break;
      case u'I': style_.italic = !style_.italic; break;
      case u'U': style_.underline = !style_.underline, style_.doubleUnderline = false; break;
      case u'E': style_.doubleUnderline = !style_.doubleUnderline, style_.underline = style_.doubleUnderline; break;
      case u'S': style_.strikeOut = !style_.strikeOut; break;
      case u'X': style_.superscript = !style_.superscript, style_.subscript = false; break;
      case u'Y': style_.subscript = !style_.subscript, style_.superscript = false; break;
      case u'K': Color(); break;
      case u'"': Font(); break;
      case u'G': break;  // a picture: drawn by the pictures pass, nothing in the text
      default:
        if (IsDigit(c)) Size(c);
        // Other codes (&O outline, &H shadow, unknown letters) print nothing.
        break;
    }
  }

  // &P, &P+n, &P-n.
  void PageNumber() {
    int64_t page = fields_.page;
    if (i_ + 1 < s_.size() && (s_[i_] == u'+' || s_[i_] == u'-') && IsDigit(s_[i_ + 1])) {
      const bool minus = s_[i_] == u'-';
      int64_t n = 0;
      for (++i_; i_ < s_.size() && IsDigit(s_[i_]) && n < 100000; ++i_) n = n * 10 + (s_[i_] - u'0');
      page += minus ? -n : n;
    }
    std::u16string t;
    AppendNumber(page, &t);
    Text(t);
  }

  void Size(char16_t first) {
    int32_t v = first - u'0';
    for (int32_t n = 1; n < 3 && i_ < s_.size() && IsDigit(s_[i_]); ++n) v = v * 10 + (s_[i_++] - u'0');
    style_.sizePt = std::min(kMaxSizePt, std::max(kMinSizePt, static_cast<double>(v)));
  }

  // &KRRGGBB, or &KTTSNNN: theme colour TT with tint +/- NNN percent.
  void Color() {
    if (i_ + 6 > s_.size()) return;
    const std::u16string t = s_.substr(i_, 6);
    if (IsDigit(t[0]) && IsDigit(t[1]) && (t[2] == u'+' || t[2] == u'-') && IsDigit(t[3]) && IsDigit(t[4]) &&
        IsDigit(t[5])) {
      const int32_t index = (t[0] - u'0') * 10 + (t[1] - u'0');
      const int32_t tint = (t[3] - u'0') * 100 + (t[4] - u'0') * 10 + (t[5] - u'0');
      i_ += 6;
      CellColor base = workbook_ && index < 12 ? workbook_->themeColors[index] : 0xFF000000;
      style_.color = ApplyTint(base, (t[2] == u'-' ? -tint : tint) / 100.0);
      return;
    }
    uint32_t rgb = 0;
    for (char16_t ch : t) {
      const int32_t h = HexValue(ch);
      if (h < 0) return;
      rgb = rgb << 4 | static_cast<uint32_t>(h);
    }
    i_ += 6;
    style_.color = 0xFF000000 | (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
  }

  // &"Face,Style": "-" keeps the face; the style words set bold and italic.
  void Font() {
    const size_t close = s_.find(u'"', i_);
    if (close == std::u16string::npos) {
      i_ = s_.size();
      return;
    }
    const std::u16string spec = s_.substr(i_, close - i_);
    i_ = close + 1;
    const size_t comma = spec.find(u',');
    const std::u16string face = spec.substr(0, comma);
    if (!face.empty() && face != u"-") SetFace(&style_, face);
    if (comma == std::u16string::npos) return;
    std::u16string styleWords = spec.substr(comma + 1);
    for (char16_t& ch : styleWords)
      if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch + 32);
    style_.bold = styleWords.find(u"bold") != std::u16string::npos;
    style_.italic = styleWords.find(u"italic") != std::u16string::npos || styleWords.find(u"oblique") != std::u16string::npos;
  }

  const std::u16string& s_;
  const HeaderFooterFields& fields_;
  const Workbook* workbook_;
  size_t i_ = 0;
  int32_t section_ = 1;  // text before any section code is centred
  HeaderFooterRun style_, base_;
  HeaderFooterText out_;
};

}  // namespace

HeaderFooterText ParseHeaderFooter(const std::u16string& code, const HeaderFooterFields& fields,
                                   const HeaderFooterFont& font, const Workbook* workbook) {
  return CodeParser(code, fields, workbook).Parse(font);
}

const std::u16string& PickHeaderFooter(const HeaderFooterSetup& h, bool footer, bool firstPage, int32_t pageNumber) {
  if (h.differentFirst && firstPage) return footer ? h.firstFooter : h.firstHeader;
  if (h.differentOddEven && pageNumber % 2 == 0) return footer ? h.evenFooter : h.evenHeader;
  return footer ? h.oddFooter : h.oddHeader;
}

}  // namespace xlx
