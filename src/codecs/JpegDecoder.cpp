#include "codecs/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace codecs {

namespace {

// A damaged file can raise a warning per MCU; past this many it is not worth decoding on.
constexpr int kMaxWarnings = 10000;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int warnings = 0;
  int maxScans = 0;
  bool hitEnd = false;
  JDIMENSION rowsAtEnd = 0;
};

struct JpegDecoding {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  jpeg_progress_mgr progress{};
  bool created = false;
};

struct JpegDecodingDeleter {
  void operator()(JpegDecoding* d) const {
    if (d->created) jpeg_destroy_decompress(&d->cinfo);
    delete d;
  }
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (err->pub.msg_code == JWRN_JPEG_EOF && !err->hitEnd) {
    err->hitEnd = true;
    err->rowsAtEnd = reinterpret_cast<j_decompress_ptr>(cinfo)->output_scanline;
  }
  if (++err->warnings > kMaxWarnings) ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {}

// Each scan of a progressive file costs a pass over the whole coefficient buffer: a small file
// of thousands of tiny scans would otherwise take minutes.
void ProgressMonitor(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > err->maxScans)
    ErrorExit(cinfo);
}

// The functions below hold the setjmp: their locals need no destructors, and every library
// call that can fail runs inside one of them.
bool ReadHeader(JpegDecoding* d, const unsigned char* data, unsigned long size) {
  if (setjmp(d->err.jump)) return false;
  d->created = true;
  jpeg_create_decompress(&d->cinfo);
  d->cinfo.progress = &d->progress;
  jpeg_mem_src(&d->cinfo, data, size);
  jpeg_read_header(&d->cinfo, TRUE);
  return true;
}

bool CalcOutput(JpegDecoding* d) {
  if (setjmp(d->err.jump)) return false;
  jpeg_calc_output_dimensions(&d->cinfo);
  return true;
}

// Rows between two reports to a RowsObserver.
constexpr JDIMENSION kRowsPerReport = 32;

// observer, when given, is told the rows as they come (picture holds pixels).
bool ReadRows(JpegDecoding* d, unsigned char* pixels, std::size_t stride, RowsObserver* observer,
              const Picture& picture) {
  if (setjmp(d->err.jump)) return false;
  jpeg_start_decompress(&d->cinfo);
  while (d->cinfo.output_scanline < d->cinfo.output_height) {
    JSAMPROW row = pixels + d->cinfo.output_scanline * stride;
    if (jpeg_read_scanlines(&d->cinfo, &row, 1) != 1) return false;
    const JDIMENSION done = d->cinfo.output_scanline;
    // Past the end of the data the library makes up grey rows: those are not told of.
    if (observer && !d->err.hitEnd &&
        (done % kRowsPerReport == 0 || done == d->cinfo.output_height))
      observer->RowsDone(picture, static_cast<int>(done));
  }
  return true;
}

std::uint8_t Mul255(unsigned a, unsigned b) {
  return static_cast<std::uint8_t>((a * b + 127) / 255);
}

// Adobe writes CMYK inverted (0 = full ink), and marks it with its APP14 marker.
void CmykToBgra(std::uint8_t* p, std::size_t count, bool inverted) {
  for (std::size_t i = 0; i < count; ++i, p += 4) {
    unsigned c = p[0], m = p[1], y = p[2], k = p[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    p[0] = Mul255(y, k);
    p[1] = Mul255(m, k);
    p[2] = Mul255(c, k);
    p[3] = 0xFF;
  }
}

// The whole-picture coefficient buffer the library keeps for a file of several scans, rounded up
// to whole MCUs.
std::uint64_t CoefficientBytes(const jpeg_decompress_struct& ci) {
  std::uint64_t bytes = 0;
  for (int i = 0; i < ci.num_components; ++i) {
    const jpeg_component_info& c = ci.comp_info[i];
    const std::uint64_t w = c.width_in_blocks + static_cast<unsigned>(c.h_samp_factor);
    const std::uint64_t h = c.height_in_blocks + static_cast<unsigned>(c.v_samp_factor);
    bytes += w * h * sizeof(JBLOCK);
  }
  return bytes;
}

}  // namespace

int JpegScaleEighths(int width, int height, int fitWidth, int fitHeight) {
  if (fitWidth <= 0 || fitHeight <= 0 || width <= 0 || height <= 0) return 8;
  if (width <= fitWidth && height <= fitHeight) return 8;
  // The fitted size is width * r x height * r with r = min(fitWidth / width, fitHeight /
  // height); n / 8 covers it when n / 8 >= r.
  for (int n = 1; n < 8; ++n) {
    const bool coversW = static_cast<std::int64_t>(n) * width >= std::int64_t{8} * fitWidth;
    const bool coversH = static_cast<std::int64_t>(n) * height >= std::int64_t{8} * fitHeight;
    if (coversW || coversH) return n;
  }
  return 8;
}

bool DecodeJpeg(Bytes bytes, Picture& out, const DecodeOptions& options) {
  if (bytes.size() < 4) return false;
  std::unique_ptr<JpegDecoding, JpegDecodingDeleter> d(new JpegDecoding);
  d->cinfo.err = jpeg_std_error(&d->err.pub);
  d->err.pub.error_exit = ErrorExit;
  d->err.pub.emit_message = EmitMessage;
  d->err.pub.output_message = OutputMessage;
  d->err.maxScans = options.limits.maxScans;
  d->progress.progress_monitor = ProgressMonitor;
  if (!ReadHeader(d.get(), bytes.data(), static_cast<unsigned long>(bytes.size()))) return false;

  jpeg_decompress_struct& ci = d->cinfo;
  const DecodeLimits& limits = options.limits;
  if (!limits.Allows(ci.image_width, ci.image_height)) return false;

  const bool cmyk = ci.jpeg_color_space == JCS_CMYK || ci.jpeg_color_space == JCS_YCCK;
  ci.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  const int n =
      JpegScaleEighths(static_cast<int>(ci.image_width), static_cast<int>(ci.image_height),
                       options.fitWidth, options.fitHeight);
  ci.scale_num = static_cast<unsigned>(n);
  ci.scale_denom = 8;
  if (!CalcOutput(d.get()) || ci.output_components != 4) return false;

  if (jpeg_has_multiple_scans(&ci)) ReserveBytes(options, CoefficientBytes(ci));
  Picture picture;
  // Every row is decoded or cleared below.
  if (!StartStill(picture, ci.output_width, ci.output_height, options, true)) return false;
  picture.fullWidth = static_cast<int>(ci.image_width);
  picture.fullHeight = static_cast<int>(ci.image_height);
  std::uint8_t* pixels = picture.frames[0].pixels.data();
  const std::size_t stride = picture.stride();
  // CMYK pixels are converted once all are read: no rows are told of.
  RowsObserver* observer = cmyk ? nullptr : options.rows;
  // Gone before the pixels are, however the decode ends.
  const struct EndRows {
    RowsObserver* observer;
    ~EndRows() {
      if (observer) observer->RowsEnd();
    }
  } endRows{observer};

  const bool complete = ReadRows(d.get(), pixels, stride, observer, picture);
  const JDIMENSION rows = ci.output_scanline;
  // Rows past the end of the data are the library's grey; they do not count as decoded.
  const bool sequential = !jpeg_has_multiple_scans(&ci);
  if (rows == 0 || (sequential && d->err.hitEnd && d->err.rowsAtEnd == 0)) return false;
  if (cmyk)
    CmykToBgra(pixels, static_cast<std::size_t>(rows) * ci.output_width, ci.saw_Adobe_marker);
  if (!complete) ClearRowsFrom(picture, rows);
  picture.hasAlpha = !complete;  // rows never reached are transparent
  out = std::move(picture);
  return true;
}

}  // namespace codecs
