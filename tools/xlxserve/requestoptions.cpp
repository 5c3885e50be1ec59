#include "requestoptions.h"

#include <vector>

namespace {

// A request field and the command-line option it stands for; flags take no value.
struct FieldOption {
  const char* field;
  const char* option;
  bool takesValue;
};

constexpr FieldOption kFieldOptions[] = {
    {"format", "--format", true},       {"pages", "--pages", true},
    {"dpi", "-r", true},                {"paper", "--paper", true},
    {"fit", "--fit", true},             {"margins", "--margins", true},
    {"password", "--password", true},   {"paginate", "--paginate", false},
    {"sheet_pages", "--sheet-pages", false}, {"gridlines", "--gridlines", false},
    {"hidden_sheets", "--hidden-sheets", false},
};

// A flag field is on for "1", "true", "yes" or "on" (or an empty value, as in "?gridlines").
bool FlagIsOn(const std::string& value) {
  return value.empty() || value == "1" || value == "true" || value == "yes" || value == "on";
}

bool SafeText(const std::string& value) { return value.find('\0') == std::string::npos && value.size() <= 1024; }

}  // namespace

bool RenderOptionsFromFields(const RequestFields& fields, const std::string& input, RenderOptions* options,
                             std::string* error) {
  std::vector<std::string> args{"xlxserve"};
  for (const FieldOption& f : kFieldOptions) {
    const size_t count = fields.count(f.field);
    if (count == 0) continue;
    if (count > 1) return *error = std::string("the field ") + f.field + " is given more than once", false;
    const std::string& value = fields.find(f.field)->second;
    if (!SafeText(value)) return *error = std::string("the field ") + f.field + " is too long or holds a NUL", false;
    if (!f.takesValue) {
      if (FlagIsOn(value)) args.push_back(f.option);
      continue;
    }
    // A value that starts with "-" would read as an option of its own.
    if (value.empty() || (value[0] == '-' && std::string(f.field) != "password"))
      return *error = std::string("the field ") + f.field + " needs a value", false;
    args.push_back(f.option);
    // JPEG pages are drawn as PNG pages are; only their encoding differs.
    args.push_back(std::string(f.field) == "format" && (value == "jpeg" || value == "jpg") ? "png" : value);
  }
  args.push_back("-q");
  args.push_back(input);
  args.push_back("page");  // OUTROOT: names no file here, every page stays in memory
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  RenderOptions parsed;
  std::string why;
  if (!ParseOptions(static_cast<int>(argv.size()), argv.data(), &parsed, &why))
    return *error = why.empty() ? "invalid options" : why, false;
  // Only the request's own password counts; the server's environment is not the caller's.
  if (fields.count("password") == 0) parsed.password.clear();
  *options = parsed;
  return true;
}

bool WantsJpeg(const RequestFields& fields) {
  auto it = fields.find("format");
  return it != fields.end() && (it->second == "jpeg" || it->second == "jpg");
}

bool ParsePositive(const std::string& text, uint32_t maximum, uint32_t* value) {
  if (text.empty() || text.size() > 9) return false;
  uint32_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  if (v < 1 || v > maximum) return false;
  *value = v;
  return true;
}

bool IsDocumentId(const std::string& id) {
  if (id.size() != 64) return false;
  for (char c : id)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}
