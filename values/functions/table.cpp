// The function table: every family's functions by name, built once.
#include <mutex>
#include <unordered_map>
#include <vector>

#include "values/formula/engine.h"

namespace xlx {
namespace {

struct FunctionTable {
  std::vector<const FunctionSpec*> specs;
  std::unordered_map<std::u16string, int32_t> byName;
};

const FunctionTable& Table() {
  static const FunctionTable* table = [] {
    auto* t = new FunctionTable();
    for (FunctionFamily family : {MathFunctions(), StatsFunctions(), LookupFunctions(), LogicalFunctions(),
                                  TextFunctions(), DateFunctions(), FinanceFunctions()}) {
      for (size_t i = 0; i < family.count; ++i) {
        std::u16string name;
        for (const char* p = family.specs[i].name; *p; ++p) name.push_back(char16_t(*p));
        if (t->byName.emplace(name, int32_t(t->specs.size())).second) t->specs.push_back(&family.specs[i]);
      }
    }
    return t;
  }();
  return *table;
}

}  // namespace

int32_t LookupFunctionId(const std::u16string& upperName) {
  const FunctionTable& t = Table();
  auto it = t.byName.find(upperName);
  return it == t.byName.end() ? -1 : it->second;
}

const FunctionSpec* FunctionById(int32_t id) {
  const FunctionTable& t = Table();
  return id >= 0 && size_t(id) < t.specs.size() ? t.specs[size_t(id)] : nullptr;
}

}  // namespace xlx
