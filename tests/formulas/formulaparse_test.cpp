// The formula parser: the shape of the compiled tree (precedence, associativity, unary operators,
// references and names), and the texts it refuses.
#include <gtest/gtest.h>

#include <string>

#include "common/apiutils.h"
#include "values/formula/engine.h"
#include "values/formula/parse.h"

namespace {

const char* OpText(uint8_t op) {
  static const char* const kOps[] = {"?", ":", "isect", "neg", "pos", "%", "^", "*", "/", "+", "-", "&",
                                     "=", ">", ">=", "<", "<=", "<>"};
  return op < sizeof kOps / sizeof kOps[0] ? kOps[op] : "?";
}

std::string RefText(const xlx::FormulaRef& r) {
  std::string out = r.hasSheet ? "[" + xlx::Utf16ToUtf8(r.sheetName) + "]" : "";
  auto end = [](const xlx::RefEnd& e) {
    return std::string(e.colAbs ? "$" : "") + xlx::ColumnLetters(e.col) + (e.rowAbs ? "$" : "") +
           std::to_string(e.row);
  };
  out += end(r.first);
  if (r.first.row != r.last.row || r.first.col != r.last.col) out += ":" + end(r.last);
  return out;
}

// The tree in prefix form: (+ 1 (* 2 3)).
std::string Tree(const xlx::CompiledFormula& f, int32_t i) {
  const xlx::FormulaNode& n = f.nodes[size_t(i)];
  switch (n.kind) {
    case xlx::kNodeLiteral:
      if (n.value.type == xlx::kValueNumber) return xlx::Utf16ToUtf8(xlx::NumberToText(n.value.dVal));
      if (n.value.type == xlx::kValueString) return "\"" + xlx::Utf16ToUtf8(n.value.strVal) + "\"";
      if (n.value.type == xlx::kValueBoolean) return n.value.bVal ? "TRUE" : "FALSE";
      return xlx::Utf16ToUtf8(n.value.strVal);
    case xlx::kNodeMissing: return "_";
    case xlx::kNodeRef: return RefText(n.ref);
    case xlx::kNodeName: return "name:" + xlx::Utf16ToUtf8(n.text);
    case xlx::kNodeArray: return "{" + std::to_string(n.value.array->rows) + "x" + std::to_string(n.value.array->cols) + "}";
    default: break;
  }
  std::string out = "(" + (n.kind == xlx::kNodeFunction ? xlx::Utf16ToUtf8(n.text) : std::string(OpText(n.op)));
  for (int32_t kid : n.kids) out += " " + Tree(f, kid);
  return out + ")";
}

TEST(FormulaParse, TreeShapes) {
  const std::pair<const char*, const char*> cases[] = {
      {"=1+2*3", "(+ 1 (* 2 3))"},
      {"=1-2-3", "(- (- 1 2) 3)"},
      {"=2^3^2", "(^ (^ 2 3) 2)"},
      {"=-2^2", "(^ (neg 2) 2)"},
      {"=-A1%", "(% (neg A1))"},
      {"=--A1", "(neg (neg A1))"},
      {"=1&2=\"12\"", "(= (& 1 2) \"12\")"},
      {"=1+2&3", "(& (+ 1 2) 3)"},
      {"=a1<>$B$2", "(<> A1 $B$2)"},
      {"=SUM(A1:B2 B1:C3)", "(SUM (isect A1:B2 B1:C3))"},
      {"=SUM(A1:INDEX(B:B,2))", "(SUM (: A1 (INDEX B$1:B$1048576 2)))"},
      {"=IF(,1,)", "(IF _ 1 _)"},
      {"=NOW()", "(NOW)"},
      {"=_xlfn._xlws.FILTER(A1:A3,B1:B3)", "(FILTER A1:A3 B1:B3)"},
      {"='My ''Q'' Sheet'!$A$1", "[My 'Q' Sheet]$A$1"},
      {"=Sheet2!B3:C4*2", "(* [Sheet2]B3:C4 2)"},
      {"=SUM(3:5)", "(SUM $A3:$XFD5)"},
      {"=Sheet2!Total", "name:Total"},
      {"=Rate*12", "(* name:Rate 12)"},
      {"=TRUE+FALSE", "(+ TRUE FALSE)"},
      {"={1,2,3;4,5,6}", "{2x3}"},
      {"=#N/A", "#N/A"},
      {"=1.5E+3", "1500"},
      {"= SUM( 1 , 2 ) ", "(SUM 1 2)"},
      {"=A1 + B1", "(+ A1 B1)"},
      {"=1月!A1", "[1月]A1"},
  };
  for (const auto& c : cases) {
    xlx::CompiledFormula f;
    ASSERT_EQ(xlx::CompileFormula(xlx::Utf8ToUtf16(c.first), xlx::LookupFunctionId, &f), 1) << c.first;
    EXPECT_EQ(Tree(f, f.root), c.second) << c.first;
  }
}

TEST(FormulaParse, RefusedTexts) {
  const char* cases[] = {
      "=(1)(2)", "=1+", "=*2", "=SUM(1,2", "=SUM(1))", "=\"abc", "=Table1[Col]", "=Sheet1:Sheet3!A1", "={1,2;3}",
      "={A1}", "=(A1,B1)", "=1A", "=A1:", "=''!A1", "='Sheet1!A1", "=#BAD!", "=$", "=1 2", "=[1", "=)", "=,",
  };
  for (const char* text : cases) {
    xlx::CompiledFormula f;
    EXPECT_EQ(xlx::CompileFormula(xlx::Utf8ToUtf16(text), xlx::LookupFunctionId, &f), -13) << text;
    EXPECT_TRUE(f.nodes.empty()) << text;
  }
  // Limits: nesting, length and argument count.
  xlx::CompiledFormula f;
  std::u16string nested = u"=" + std::u16string(101, u'(') + u"1" + std::u16string(101, u')');
  EXPECT_EQ(xlx::CompileFormula(nested, nullptr, &f), -13);
  nested = u"=" + std::u16string(99, u'(') + u"1" + std::u16string(99, u')');
  EXPECT_EQ(xlx::CompileFormula(nested, nullptr, &f), 1);
  std::u16string args = u"=SUM(1";
  for (int32_t i = 0; i < 255; ++i) args += u",1";
  EXPECT_EQ(xlx::CompileFormula(args + u")", nullptr, &f), -13);
  EXPECT_EQ(xlx::CompileFormula(u"=" + std::u16string(20000, u'1'), nullptr, &f), -13);
  EXPECT_EQ(xlx::CompileFormula(u"=[1]Sheet1!A1", nullptr, &f), 1);
  EXPECT_TRUE(f.nodes[size_t(f.root)].ref.external);
}

}  // namespace
