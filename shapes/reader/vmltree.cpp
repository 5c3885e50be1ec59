// Tolerant tree reading of VML text.
#include "shapes/reader/vmltree.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "common/resultcodes.h"
#include "common/utf8.h"

namespace xlx {
namespace {

// Elements of HTML that never hold content, wherever they appear.
bool IsVoidElement(const std::string& name) { return name == "br" || name == "hr" || name == "img" || name == "meta"; }

// Drawable elements do not nest inside one another, only in groups: an open one is ended by the
// next drawable or group.
bool EndsOpenSibling(const std::string& name) {
  static const char* const kNames[] = {"shape", "rect", "roundrect", "oval", "line", "polyline", "arc", "image", "shapetype"};
  for (const char* n : kNames)
    if (name == n) return true;
  return false;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

void AppendUtf8(uint32_t cp, std::string* out) {
  char bytes[4];
  out->append(bytes, EncodeUtf8(cp == 0 ? kReplacementCharacter : cp, bytes));
}

// Text with the entities of XML, numeric references and `&nbsp;` decoded; anything else that
// starts with "&" is kept as written.
std::string Decode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const size_t near = s[i] == '&' ? s.substr(i, 12).find(';') : std::string_view::npos;
    const size_t semi = near == std::string_view::npos ? near : i + near;
    if (semi == std::string_view::npos) {
      out.push_back(s[i]);
      continue;
    }
    const std::string name(s.substr(i + 1, semi - i - 1));
    static const struct {
      const char* name;
      const char* text;
    } kNamed[] = {{"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"}};
    bool done = false;
    for (const auto& e : kNamed)
      if (name == e.name) out += e.text, done = true;
    if (!done && name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const char* digits = name.c_str() + (hex ? 2 : 1);
      char* end = nullptr;
      const unsigned long cp = std::strtoul(digits, &end, hex ? 16 : 10);
      if (end != digits && *end == '\0') AppendUtf8(cp > 0x10FFFF ? 0xFFFD : uint32_t(cp), &out), done = true;
    }
    if (!done) {
      out.push_back('&');
      continue;
    }
    i = semi;
  }
  return out;
}

class TreeBuilder {
 public:
  TreeBuilder(std::string_view text, VmlTree* tree) : s_(text), tree_(tree) {}

  void Run() {
    tree_->nodes.assign(1, VmlNode());
    stack_.assign(1, 0);
    size_t at = 0;
    while (at < s_.size() && !Full()) {
      const size_t lt = s_.find('<', at);
      if (lt == std::string_view::npos) {
        AddText(s_.substr(at));
        break;
      }
      if (lt > at) AddText(s_.substr(at, lt - at));
      at = Markup(lt);
    }
  }

 private:
  bool Full() const { return tree_->nodes.size() >= size_t(kMaxVmlNodes); }

  int32_t AddNode(VmlNode node) {
    node.parent = stack_.back();
    const int32_t index = static_cast<int32_t>(tree_->nodes.size());
    tree_->nodes.push_back(std::move(node));
    tree_->nodes[size_t(stack_.back())].children.push_back(index);
    return index;
  }

  void AddText(std::string_view raw) {
    VmlNode& parent = tree_->nodes[size_t(stack_.back())];
    if (!parent.children.empty()) {
      VmlNode& last = tree_->nodes[size_t(parent.children.back())];
      if (last.name.empty()) {
        last.text += Decode(raw);
        return;
      }
    }
    VmlNode node;
    node.text = Decode(raw);
    AddNode(std::move(node));
  }

  // Skips to the end of `close` after `from`; the end of the text when it never comes.
  size_t SkipPast(size_t from, const char* close) const {
    const size_t at = s_.find(close, from);
    return at == std::string_view::npos ? s_.size() : at + std::strlen(close);
  }

  size_t Markup(size_t lt) {
    if (s_.compare(lt, 4, "<!--") == 0) return SkipPast(lt + 4, "-->");
    if (s_.compare(lt, 9, "<![CDATA[") == 0) {
      const size_t end = s_.find("]]>", lt + 9);
      const size_t stop = end == std::string_view::npos ? s_.size() : end;
      AddText(s_.substr(lt + 9, stop - lt - 9));  // decoding leaves text without "&" alone
      return end == std::string_view::npos ? s_.size() : end + 3;
    }
    if (lt + 1 < s_.size() && (s_[lt + 1] == '!' || s_[lt + 1] == '?')) return SkipPast(lt + 1, ">");
    if (lt + 1 < s_.size() && s_[lt + 1] == '/') return CloseTag(lt + 2);
    if (lt + 1 >= s_.size() || !(std::isalpha(static_cast<unsigned char>(s_[lt + 1])) || s_[lt + 1] == '_')) {
      AddText(s_.substr(lt, 1));  // a lone "<" is text
      return lt + 1;
    }
    return OpenTag(lt + 1);
  }

  size_t NameEnd(size_t from) const {
    size_t at = from;
    while (at < s_.size() && !IsSpace(s_[at]) && s_[at] != '>' && s_[at] != '/' && s_[at] != '=' && s_[at] != '<') ++at;
    return at;
  }

  static std::string LocalLower(std::string_view qname) {
    const size_t colon = qname.rfind(':');
    return Lower(colon == std::string_view::npos ? qname : qname.substr(colon + 1));
  }

  size_t CloseTag(size_t from) {
    const size_t end = NameEnd(from);
    const std::string name = LocalLower(s_.substr(from, end - from));
    for (size_t i = stack_.size(); i-- > 1;) {
      if (tree_->nodes[size_t(stack_[i])].name == name) {
        stack_.resize(i);
        break;
      }
    }
    return SkipPast(end, ">");
  }

  size_t OpenTag(size_t from) {
    size_t at = NameEnd(from);
    VmlNode node;
    node.name = LocalLower(s_.substr(from, at - from));
    bool selfClosing = false;
    while (at < s_.size()) {
      while (at < s_.size() && IsSpace(s_[at])) ++at;
      if (at >= s_.size()) break;
      if (s_[at] == '>') {
        ++at;
        break;
      }
      if (s_[at] == '<') break;  // a tag that never ended: the next one starts here
      if (s_[at] == '/') {
        selfClosing = at + 1 < s_.size() && s_[at + 1] == '>';
        ++at;
        continue;
      }
      at = Attribute(at, &node);
    }
    if (at >= s_.size() && (s_.empty() || s_.back() != '>')) return s_.size();  // cut off inside the tag
    if (EndsOpenSibling(node.name) || node.name == "group") EndOpenSibling();
    const int32_t index = AddNode(std::move(node));
    const std::string& name = tree_->nodes[size_t(index)].name;
    if (!selfClosing && !IsVoidElement(name) && stack_.size() < size_t(kMaxVmlDepth)) stack_.push_back(index);
    return at;
  }

  // Pops the innermost open drawable (and what is open inside it) when no group lies between.
  void EndOpenSibling() {
    for (size_t i = stack_.size(); i-- > 1;) {
      const std::string& open = tree_->nodes[size_t(stack_[i])].name;
      if (open == "group") return;
      if (EndsOpenSibling(open)) {
        stack_.resize(i);
        return;
      }
    }
  }

  size_t Attribute(size_t at, VmlNode* node) {
    const size_t nameEnd = NameEnd(at);
    if (nameEnd == at) return at + 1;  // "=" or another stray character
    std::string name = Lower(s_.substr(at, nameEnd - at));
    at = nameEnd;
    while (at < s_.size() && IsSpace(s_[at])) ++at;
    std::string value;
    if (at < s_.size() && s_[at] == '=') {
      ++at;
      while (at < s_.size() && IsSpace(s_[at])) ++at;
      if (at < s_.size() && (s_[at] == '"' || s_[at] == '\'')) {
        const size_t close = s_.find(s_[at], at + 1);
        const size_t stop = close == std::string_view::npos ? s_.size() : close;
        value = Decode(s_.substr(at + 1, stop - at - 1));
        at = close == std::string_view::npos ? s_.size() : close + 1;
      } else {
        const size_t start = at;
        while (at < s_.size() && !IsSpace(s_[at]) && s_[at] != '>') ++at;
        value = Decode(s_.substr(start, at - start));
      }
    }
    node->attributes.emplace_back(std::move(name), std::move(value));
    return at;
  }

  std::string_view s_;
  VmlTree* tree_;
  std::vector<int32_t> stack_;
};

}  // namespace

int32_t ParseVmlTree(const char* text, size_t size, VmlTree* tree) {
  if (!tree) return XLX_ERR_ARGUMENT;
  try {
    TreeBuilder(text ? std::string_view(text, size) : std::string_view(), tree).Run();
  } catch (const std::bad_alloc&) {
    tree->nodes.clear();
    return XLX_ERR_MEMORY;
  }
  return XLX_OK;
}

const char* VmlAttribute(const VmlNode& node, const char* name) {
  for (const auto& a : node.attributes)
    if (a.first == name) return a.second.c_str();
  return nullptr;
}

const VmlNode* VmlChild(const VmlTree& tree, const VmlNode& node, const char* name) {
  for (int32_t child : node.children)
    if (tree.nodes[size_t(child)].name == name) return &tree.nodes[size_t(child)];
  return nullptr;
}

std::string VmlText(const VmlTree& tree, const VmlNode& node) {
  std::string out;
  for (int32_t child : node.children)
    if (tree.nodes[size_t(child)].name.empty()) out += tree.nodes[size_t(child)].text;
  return out;
}

}  // namespace xlx
