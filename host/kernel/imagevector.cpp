// Vector pictures: SVG through librsvg, and the two Windows metafile formats converted to SVG
// first (EMF by libemf2svg, WMF by libwmf's SVG device). The metafile converters are older C
// libraries, so their input is walked record by record here before they see it (a record that
// claims more bytes than remain, or a file without its end record, is refused), and they run in a
// child process under memory, CPU and wall-time limits (childconversion.h): a converter that
// crashes, spins or grows only loses its picture.
#include <librsvg/rsvg.h>
#include <cairo.h>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include "host/kernel/childconversion.h"
#include "host/kernel/fontfilelock.h"
#include "host/kernel/imageinternal.h"

#if defined(__has_include)
#if __has_include(<emf2svg.h>)
#include <emf2svg.h>
#define VK_HAVE_EMF2SVG 1
#endif
#if __has_include(<libwmf/api.h>) && __has_include(<libwmf/svg.h>)
#include <libwmf/api.h>
#include <libwmf/svg.h>
#define VK_HAVE_LIBWMF 1
#endif
#endif

namespace vkimg {
namespace {

bool SvgNaturalSize(RsvgHandle* handle, double* width, double* height) {
  if (rsvg_handle_get_intrinsic_size_in_pixels(handle, width, height) && *width > 0 && *height > 0) return true;
  gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
  RsvgLength w, h;
  RsvgRectangle box;
  rsvg_handle_get_intrinsic_dimensions(handle, &hasWidth, &w, &hasHeight, &h, &hasViewBox, &box);
  if (hasViewBox && box.width > 0 && box.height > 0) {
    *width = box.width, *height = box.height;
    return true;
  }
  return false;
}

int32_t RenderHandle(RsvgHandle* handle, uint32_t width, uint32_t height, _BITMAPHANDLE* out) {
  int32_t r = NewBitmap32(width, height, out);
  if (r != XLX_OK) return r;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width),
                                                        static_cast<int>(height));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return XLX_ERR_MEMORY;
  }
  cairo_t* cr = cairo_create(surface);
  RsvgRectangle viewport = {0, 0, static_cast<double>(width), static_cast<double>(height)};
  GError* error = nullptr;
  gboolean drawn;
  {
    // Text in the picture is laid out by Pango over the same font faces the drawing engine uses.
    std::lock_guard<std::mutex> files(vkhost::FontFileMutex());
    drawn = rsvg_handle_render_document(handle, cr, &viewport, &error);
  }
  if (error) g_error_free(error);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  if (drawn) CopyPremultipliedRows(cairo_image_surface_get_data(surface), cairo_image_surface_get_stride(surface), out);
  cairo_surface_destroy(surface);
  return drawn ? XLX_OK : XLX_ERR_FORMAT;
}

RsvgHandle* OpenSvg(const uint8_t* data, size_t size) {
  GError* error = nullptr;
  RsvgHandle* handle = rsvg_handle_new_from_data(data, size, &error);
  if (error) g_error_free(error);
  if (handle) rsvg_handle_set_dpi(handle, 96.0);
  return handle;
}

// EMF: a header record with the " EMF" signature, records of 8 bytes or more in steps of 4, and an
// end-of-file record. The natural size is the header's frame (hundredths of a millimetre).
bool CheckEmf(const uint8_t* d, size_t size, double* width, double* height) {
  if (size < 88 || Le32(d) != 1 || Le32(d + 40) != 0x464D4520) return false;
  const int32_t fl = static_cast<int32_t>(Le32(d + 24)), ft = static_cast<int32_t>(Le32(d + 28));
  const int32_t fr = static_cast<int32_t>(Le32(d + 32)), fb = static_cast<int32_t>(Le32(d + 36));
  *width = (static_cast<double>(fr) - fl) * 96.0 / 2540.0;
  *height = (static_cast<double>(fb) - ft) * 96.0 / 2540.0;
  if (!(*width > 0 && *height > 0)) {
    const int32_t bl = static_cast<int32_t>(Le32(d + 8)), bt = static_cast<int32_t>(Le32(d + 12));
    const int32_t br = static_cast<int32_t>(Le32(d + 16)), bb = static_cast<int32_t>(Le32(d + 20));
    *width = static_cast<double>(br) - bl + 1, *height = static_cast<double>(bb) - bt + 1;
  }
  size_t pos = 0;
  while (size - pos >= 8) {
    const uint32_t type = Le32(d + pos), length = Le32(d + pos + 4);
    if (length < 8 || length % 4 || length > size - pos) return false;
    if (type == 14) return true;  // EMR_EOF
    pos += length;
  }
  return false;
}

// WMF: an optional placeable header (its bounding box and units per inch give the natural size),
// the metafile header, then records of three words or more up to the end record (function 0).
// Walks the records of a WMF (with or without its placeable header) up to the end record. The
// header's own claims of the file size and the largest record are not trusted: the metafile library
// allocates from them, so `header` and `maxRecordWords` give what the walk found, for the caller to
// write back into its copy.
bool CheckWmf(const uint8_t* d, size_t size, double* width, double* height, size_t* header = nullptr,
              uint32_t* maxRecordWords = nullptr) {
  size_t pos = 0;
  uint64_t largest = 0;
  *width = *height = 0;
  if (size >= 22 && Le32(d) == 0x9AC6CDD7) {
    const int16_t l = static_cast<int16_t>(Le16(d + 6)), t = static_cast<int16_t>(Le16(d + 8));
    const int16_t r = static_cast<int16_t>(Le16(d + 10)), b = static_cast<int16_t>(Le16(d + 12));
    const uint16_t inch = Le16(d + 14);
    if (inch) *width = std::abs(r - l) * 96.0 / inch, *height = std::abs(b - t) * 96.0 / inch;
    pos = 22;
  }
  if (size - pos < 18 || Le16(d + pos + 2) != 9) return false;
  if (header) *header = pos;
  pos += 18;
  while (size - pos >= 6) {
    const uint64_t words = Le32(d + pos);
    const uint16_t function = Le16(d + pos + 4);
    if (words < 3 || words * 2 > size - pos) return false;
    if (words > largest) largest = words;
    if (function == 0) {
      if (maxRecordWords) *maxRecordWords = static_cast<uint32_t>(largest);
      return true;
    }
    pos += static_cast<size_t>(words * 2);
  }
  return false;
}

}  // namespace

int32_t RenderSvg(const uint8_t* data, size_t size, uint32_t width, uint32_t height, _BITMAPHANDLE* out) {
  RsvgHandle* handle = OpenSvg(data, size);
  if (!handle) return XLX_ERR_FORMAT;
  int32_t r = RenderHandle(handle, width, height, out);
  g_object_unref(handle);
  return r;
}

int32_t DecodeSvg(const uint8_t* data, size_t size, uint32_t width, uint32_t height, _BITMAPHANDLE* out) {
  RsvgHandle* handle = OpenSvg(data, size);
  if (!handle) return XLX_ERR_FORMAT;
  double nw = 0, nh = 0;
  uint32_t w = 0, h = 0;
  int32_t r = XLX_ERR_FORMAT;
  if (SvgNaturalSize(handle, &nw, &nh) || (width && height)) {
    if (VectorTargetSize(nw, nh, width, height, &w, &h)) r = RenderHandle(handle, w, h, out);
  }
  g_object_unref(handle);
  return r;
}

namespace {

#ifdef VK_HAVE_EMF2SVG
struct EmfJob {
  const uint8_t* data;
  size_t size;
  uint32_t width, height;  // pixels of the SVG's viewport
};

// In the child process: the EMF as SVG text.
bool ConvertEmf(const void* context, std::string* svg) {
  const EmfJob& job = *static_cast<const EmfJob*>(context);
  std::string copy(reinterpret_cast<const char*>(job.data), job.size);  // the converter takes a mutable buffer
  char* text = nullptr;
  size_t length = 0;
  generatorOptions options;
  std::memset(&options, 0, sizeof options);
  options.nameSpace = const_cast<char*>("svg");
  options.verbose = false;
  options.emfplus = true;
  options.svgDelimiter = true;
  options.imgWidth = job.width;
  options.imgHeight = job.height;
  const bool converted = emf2svg(&copy[0], copy.size(), &text, &length, &options) && text && length;
  if (converted) svg->assign(text, length);
  return converted;
}
#endif

#ifdef VK_HAVE_LIBWMF
struct WmfJob {
  const uint8_t* data;
  size_t size;
  size_t header;             // offset of the metafile header (after a placeable header)
  uint32_t maxRecordWords;   // largest record the walk found
  double naturalWidth, naturalHeight;  // from the placeable header; 0 when it gave none
  uint32_t width, height;    // the caller's request
};

// Plays the scanned metafile on the SVG device at w x h pixels; the SVG text, or "" when it fails.
std::string PlayWmfAsSvg(wmfAPI* api, wmfD_Rect bbox, uint32_t w, uint32_t h) {
  wmf_svg_t* device = WMF_SVG_GetData(api);
  device->out = wmf_stream_create(api, nullptr);
  device->Description = const_cast<char*>("picture");
  device->bbox = bbox;
  device->width = w;
  device->height = h;
  device->flags |= WMF_SVG_INLINE_IMAGES;
  const bool ok = device->out && wmf_play(api, 0, &bbox) == wmf_E_None;
  char* text = nullptr;
  unsigned long length = 0;
  if (device->out) wmf_stream_destroy(api, device->out, &text, &length);
  device->out = nullptr;
  return ok && text && length ? std::string(text, length) : std::string();
}

// In the child process: the drawn size (two 32-bit words) followed by the WMF as SVG text.
bool ConvertWmf(const void* context, std::string* output) {
  const WmfJob& job = *static_cast<const WmfJob*>(context);
  wmfAPI* api = nullptr;
  wmfAPI_Options options;
  std::memset(&options, 0, sizeof options);
  options.function = wmf_svg_function;
  const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  if (wmf_api_create(&api, flags, &options) != wmf_E_None) return false;
  std::string copy(reinterpret_cast<const char*>(job.data), job.size);
  // The library sizes its buffers from these two header fields: make them the measured ones.
  const uint64_t fileWords = (job.size - job.header) / 2;
  for (int i = 0; i < 4; ++i) {
    copy[job.header + 6 + i] = static_cast<char>((fileWords > 0xFFFFFFFFu ? 0xFFFFFFFFu : fileWords) >> (8 * i));
    copy[job.header + 12 + i] = static_cast<char>(job.maxRecordWords >> (8 * i));
  }
  wmfD_Rect bbox;
  double nw = job.naturalWidth, nh = job.naturalHeight;
  uint32_t size[2] = {0, 0};
  bool ok = wmf_mem_open(api, reinterpret_cast<unsigned char*>(&copy[0]), static_cast<long>(copy.size())) ==
                wmf_E_None &&
            wmf_scan(api, 0, &bbox) == wmf_E_None;
  if (ok && !(nw > 0 && nh > 0)) {
    unsigned int dw = 0, dh = 0;
    if (wmf_display_size(api, &dw, &dh, 96, 96) == wmf_E_None) nw = dw, nh = dh;
  }
  ok = ok && VectorTargetSize(nw, nh, job.width, job.height, &size[0], &size[1]);
  const std::string svg = ok ? PlayWmfAsSvg(api, bbox, size[0], size[1]) : std::string();
  wmf_api_destroy(api);
  if (svg.empty()) return false;
  output->assign(reinterpret_cast<const char*>(size), sizeof size);
  *output += svg;
  return true;
}
#endif

}  // namespace

int32_t DecodeEmf(const uint8_t* data, size_t size, uint32_t width, uint32_t height, _BITMAPHANDLE* out) {
  double nw = 0, nh = 0;
  uint32_t w = 0, h = 0;
  if (!CheckEmf(data, size, &nw, &nh) || !VectorTargetSize(nw, nh, width, height, &w, &h)) return XLX_ERR_FORMAT;
#ifdef VK_HAVE_EMF2SVG
  const EmfJob job = {data, size, w, h};
  std::string svg;
  int32_t r = RunInChildProcess(ConvertEmf, &job, kMetafileLimits, &svg);
  if (r != XLX_OK) return r;
  return RenderSvg(reinterpret_cast<const uint8_t*>(svg.data()), svg.size(), w, h, out);
#else
  return XLX_ERR_FORMAT;
#endif
}

int32_t DecodeWmf(const uint8_t* data, size_t size, uint32_t width, uint32_t height, _BITMAPHANDLE* out) {
  double nw = 0, nh = 0;
  size_t header = 0;
  uint32_t maxRecordWords = 0;
  if (!CheckWmf(data, size, &nw, &nh, &header, &maxRecordWords)) return XLX_ERR_FORMAT;
#ifdef VK_HAVE_LIBWMF
  const WmfJob job = {data, size, header, maxRecordWords, nw, nh, width, height};
  std::string output;
  int32_t r = RunInChildProcess(ConvertWmf, &job, kMetafileLimits, &output);
  if (r != XLX_OK) return r;
  uint32_t drawn[2];
  if (output.size() <= sizeof drawn) return XLX_ERR_FORMAT;
  std::memcpy(drawn, output.data(), sizeof drawn);
  // The size comes back from the child: hold it to what VectorTargetSize could have answered.
  if (drawn[0] == 0 || drawn[1] == 0 || drawn[0] > VK_MAX_VECTOR_SIDE || drawn[1] > VK_MAX_VECTOR_SIDE) return XLX_ERR_FORMAT;
  return RenderSvg(reinterpret_cast<const uint8_t*>(output.data() + sizeof drawn), output.size() - sizeof drawn,
                   drawn[0], drawn[1], out);
#else
  return XLX_ERR_FORMAT;
#endif
}

}  // namespace vkimg
