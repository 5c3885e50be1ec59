// _xlxfilter: the native half of the xlxfilter package. A thin binding of BookSession: options
// arrive as command-line words (the package turns keywords into them), results leave as bytes,
// failures as the package's exceptions (xlxfilter.errors) with the filter's result code. The
// interpreter lock is released for every call into the filter.
#include <dlfcn.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "booksession.h"
#include "common/resultcodes.h"
#include "options.h"

namespace py = pybind11;

namespace {

// The filter library shipped beside this module (the installed package and the build tree both
// keep a copy there).
std::string FilterBesideModule() {
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&FilterBesideModule), &info) || !info.dli_fname) return std::string();
  std::string path = info.dli_fname;
  const size_t slash = path.find_last_of('/');
  return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/libxlxfilter.so";
}

// Raises the package's exception for a failed call (the interpreter lock is held).
// `head`: the workbook's first bytes, which tell a damaged package from something else.
void Check(const CallResult& result, const std::string& head = std::string()) {
  if (result.ok()) return;
  py::object make = py::module_::import("xlxfilter.errors").attr("error_for");
  py::object error = make(result.code, result.message, result.closed, py::bytes(head));
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
  throw py::error_already_set();
}

CallResult InvalidRequest(const std::string& message) {
  CallResult r;
  r.code = XLX_ERR_ARGUMENT;
  r.message = message;
  return r;
}

constexpr size_t kHeadBytes = 8;

std::string FileHead(const std::string& path) {
  char head[kHeadBytes];
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return std::string();
  const size_t n = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  return std::string(head, n);
}

const char* FormatName(RenderOptions::Format f) {
  return f == RenderOptions::Format::kPdf ? "pdf" : f == RenderOptions::Format::kSvg ? "svg" : "png";
}

class Session {
 public:
  Session() : book_(std::make_shared<BookSession>(FilterBesideModule())) {}

  // `words`: command-line options; `source`: a path, or "" with `data` the workbook's bytes.
  void Open(const std::string& source, const py::object& data, std::vector<std::string> words,
            const std::string& password) {
    // A name that starts with '-' would read as an option.
    std::string input = source.empty() ? std::string("workbook") : source[0] == '-' ? "./" + source : source;
    words.insert(words.begin(), "xlxfilter");
    words.push_back(input);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    std::string error;
    if (!ParseOptions(static_cast<int>(argv.size()), argv.data(), &options_, &error))
      Check(InvalidRequest(error.empty() ? "help is not an option here" : error));
    // The password is the caller's, or the password file's; never the environment's.
    const bool fromFile = std::find(words.begin(), words.end(), "--password-file") != words.end();
    if (!password.empty() || !fromFile) options_.password = password;
    const bool inMemory = !data.is_none();
    std::string bytes;
    if (inMemory) bytes = data.cast<std::string>();
    CallResult r;
    {
      py::gil_scoped_release unlocked;
      r = book_->Open(options_, inMemory ? &bytes : nullptr);
      head_ = inMemory ? bytes.substr(0, kHeadBytes) : FileHead(options_.input);
    }
    Check(r, head_);
  }

  void Close() {
    py::gil_scoped_release unlocked;
    book_->Close();
  }

  bool closed() {
    py::gil_scoped_release unlocked;
    return book_->closed();
  }

  py::dict Info(int32_t page, uint32_t dpi) {
    PageFacts facts;
    const uint32_t resolution = Dpi(dpi);
    CallResult r;
    {
      py::gil_scoped_release unlocked;
      r = book_->Info(page, resolution, &facts);
    }
    Check(r, head_);
    py::dict out;
    out["width"] = facts.width;
    out["height"] = facts.height;
    out["dpi"] = facts.dpi;
    out["pages"] = facts.totalPages;
    out["format"] = facts.format;
    out["range"] = facts.range;
    return out;
  }

  py::bytes Png(int32_t page, uint32_t dpi) {
    std::string png;
    const uint32_t resolution = Dpi(dpi);
    CallResult r;
    {
      py::gil_scoped_release unlocked;
      r = book_->RenderPng(page, resolution, &png);
    }
    Check(r, head_);
    return py::bytes(png);
  }

  py::bytes Jpeg(int32_t page, uint32_t dpi, int quality) {
    std::string jpeg;
    const uint32_t resolution = Dpi(dpi);
    CallResult r;
    {
      py::gil_scoped_release unlocked;
      r = book_->RenderJpeg(page, resolution, quality, &jpeg);
    }
    Check(r, head_);
    return py::bytes(jpeg);
  }

  py::tuple Rgb(int32_t page, uint32_t dpi) {
    std::string rgb;
    PageFacts facts;
    const uint32_t resolution = Dpi(dpi);
    CallResult r;
    {
      py::gil_scoped_release unlocked;
      r = book_->RenderRgb(page, resolution, &rgb, &facts);
    }
    Check(r, head_);
    return py::make_tuple(facts.width, facts.height, facts.dpi, py::bytes(rgb));
  }

  py::bytes Svg(int32_t page) {
    std::string svg;
    CallResult r;
    {
      py::gil_scoped_release unlocked;
      r = book_->RenderSvg(page, &svg);
    }
    Check(r, head_);
    return py::bytes(svg);
  }

  void SavePdf(const std::string& path, const std::vector<int32_t>& pages) {
    CallResult r;
    {
      py::gil_scoped_release unlocked;
      r = book_->SavePdf(path, pages);
    }
    Check(r, head_);
  }

  std::vector<std::pair<std::string, std::string>> Metadata() {
    std::vector<std::pair<std::string, std::string>> items;
    CallResult r;
    {
      py::gil_scoped_release unlocked;
      r = book_->Metadata(&items);
    }
    Check(r, head_);
    return items;
  }

  std::vector<int32_t> Selected(int32_t total) const { return SelectedPages(options_, total); }
  py::dict Options() const {
    py::dict out;
    out["format"] = FormatName(options_.format);
    out["dpi"] = options_.dpi;
    out["threads"] = options_.threads;
    out["pattern"] = options_.pattern;
    out["out_root"] = options_.outRoot;
    return out;
  }

 private:
  // 0 asks for the book's own resolution.
  uint32_t Dpi(uint32_t dpi) const {
    if (dpi == 0) return options_.dpi;
    if (dpi > kMaxDpi) Check(InvalidRequest("dpi must be from 1 to " + std::to_string(kMaxDpi)));
    return dpi;
  }

  std::shared_ptr<BookSession> book_;
  RenderOptions options_;
  std::string head_;
};

}  // namespace

PYBIND11_MODULE(_xlxfilter, m) {
  m.doc() = "Native half of xlxfilter: one workbook session per object. Use the xlxfilter package.";
  py::class_<Session>(m, "Session")
      .def(py::init<>())
      .def("open", &Session::Open, py::arg("source"), py::arg("data"), py::arg("words"), py::arg("password"))
      .def("close", &Session::Close)
      .def_property_readonly("closed", &Session::closed)
      .def("info", &Session::Info, py::arg("page"), py::arg("dpi") = 0)
      .def("png", &Session::Png, py::arg("page"), py::arg("dpi") = 0)
      .def("jpeg", &Session::Jpeg, py::arg("page"), py::arg("dpi") = 0, py::arg("quality") = 85)
      .def("rgb", &Session::Rgb, py::arg("page"), py::arg("dpi") = 0)
      .def("svg", &Session::Svg, py::arg("page"))
      .def("save_pdf", &Session::SavePdf, py::arg("path"), py::arg("pages"))
      .def("metadata", &Session::Metadata)
      .def("selected_pages", &Session::Selected, py::arg("total"))
      .def("options", &Session::Options);
}
