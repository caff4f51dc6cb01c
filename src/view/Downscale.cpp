#include "view/Downscale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>

#include "view/DevicePixels.h"

namespace {

// Measured in units of 1/d of a source pixel, target pixel t covers [t*s, (t+1)*s) and source
// pixel i covers [i*d, (i+1)*d): every overlap is a whole number, and each target pixel's
// overlaps add up to s. The weights are those overlaps divided by s.
struct Taps {
  std::vector<int> first, count;  // per target pixel
  std::vector<float> weights;     // flattened, count[t] for each t in turn
};

Taps MakeTaps(int s, int d) {
  Taps taps;
  taps.first.resize(static_cast<std::size_t>(d));
  taps.count.resize(static_cast<std::size_t>(d));
  for (int t = 0; t < d; ++t) {
    const std::int64_t from = std::int64_t{t} * s, to = std::int64_t{t + 1} * s;
    const std::int64_t first = from / d;
    int n = 0;
    for (std::int64_t i = first; i * d < to; ++i, ++n) {
      const std::int64_t lo = std::max(from, i * d), hi = std::min(to, (i + 1) * d);
      taps.weights.push_back(static_cast<float>(static_cast<double>(hi - lo) / s));
    }
    taps.first[static_cast<std::size_t>(t)] = static_cast<int>(first);
    taps.count[static_cast<std::size_t>(t)] = n;
  }
  return taps;
}

// One source row of a picture with transparency shrunk across: B, G, R times alpha, and A.
void ShrinkRow(const std::uint8_t* line, const Taps& across, float* out) {
  const float* w = across.weights.data();
  const std::size_t dw = across.first.size();
  for (std::size_t x = 0; x < dw; ++x) {
    const std::uint8_t* p = line + static_cast<std::size_t>(across.first[x]) * 4;
    float b = 0, g = 0, r = 0, a = 0;
    for (int k = across.count[x]; k > 0; --k, ++w, p += 4) {
      const float wa = *w * p[3];
      b += wa * p[0], g += wa * p[1], r += wa * p[2], a += *w * p[3];
    }
    out[x * 4] = b, out[x * 4 + 1] = g, out[x * 4 + 2] = r, out[x * 4 + 3] = a;
  }
}

std::uint8_t ToByte(float v) {
  return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f));
}

// The same weights in fixed point, 1 << kWeightBits to a target pixel, for pictures without
// transparency: whole numbers throughout, so the loops stay short and vectorise.
constexpr int kWeightBits = 14;
constexpr int kRowBits = 8;  // fraction bits kept between the two passes

struct FixedTaps {
  std::vector<int> first, count;
  std::vector<std::uint32_t> weights;
  int span = 0;  // the most taps any target pixel has
};

FixedTaps ToFixed(const Taps& taps) {
  FixedTaps fixed{taps.first, taps.count, {}, 0};
  fixed.weights.reserve(taps.weights.size());
  std::size_t at = 0;
  for (const int n : taps.count) {
    fixed.span = std::max(fixed.span, n);
    // Each tap ends where the running total, rounded, ends: every weight is within one unit
    // of its exact value and a target pixel's weights add up exactly, so a flat area stays as
    // it is.
    double running = 0;
    std::uint32_t before = 0;
    for (int k = 0; k < n; ++k, ++at) {
      running += static_cast<double>(taps.weights[at]);
      const std::uint32_t end =
          k + 1 == n ? 1u << kWeightBits
                     : static_cast<std::uint32_t>(std::lround(running * (1 << kWeightBits)));
      fixed.weights.push_back(end - before);
      before = end;
    }
  }
  return fixed;
}

// The same taps with span weights for every target pixel, zeros filling up, and the first
// source pixel moved back where needed to stay inside the row of `size` pixels: a loop of fixed
// length, which the processor predicts.
FixedTaps Padded(const FixedTaps& taps, int size) {
  FixedTaps padded{taps.first, std::vector<int>(taps.count.size(), taps.span), {}, taps.span};
  padded.weights.assign(taps.first.size() * static_cast<std::size_t>(taps.span), 0);
  std::size_t at = 0;
  for (std::size_t t = 0; t < taps.first.size(); ++t) {
    const int first = std::min(taps.first[t], size - taps.span);
    padded.first[t] = first;
    std::uint32_t* w =
        padded.weights.data() + t * static_cast<std::size_t>(taps.span) + (taps.first[t] - first);
    for (int k = 0; k < taps.count[t]; ++k) w[k] = taps.weights[at++];
  }
  return padded;
}

// The four channels of a pixel side by side, summed in one go (GCC and Clang vectors).
using Channels = std::uint32_t __attribute__((vector_size(16)));

// One source row shrunk across, each channel with kRowBits fraction bits. Span is the taps'
// span when it is small, 0 for any.
template <int Span>
[[gnu::always_inline]] inline void ShrinkRowFixed(const std::uint8_t* line, const FixedTaps& across,
                                                  std::uint16_t* out) {
  const int span = Span > 0 ? Span : across.span;
  const std::uint32_t* w = across.weights.data();
  const std::size_t dw = across.first.size();
  constexpr int shift = kWeightBits - kRowBits;
  for (std::size_t x = 0; x < dw; ++x, w += span) {
    const std::uint8_t* p = line + static_cast<std::size_t>(across.first[x]) * 4;
    Channels c = {1u << (shift - 1), 1u << (shift - 1), 1u << (shift - 1), 1u << (shift - 1)};
    for (int k = 0; k < span; ++k, p += 4) {
      const Channels px = {p[0], p[1], p[2], p[3]};
      c += w[k] * px;
    }
    c >>= shift;
    for (int i = 0; i < 4; ++i) out[x * 4 + i] = static_cast<std::uint16_t>(c[i]);
  }
}

// The target rows from y0 to y1: across each source row, then down the rows; every channel,
// alpha included, a plain average. w points at row y0's first weight down.
template <int Span>
[[gnu::always_inline]] inline void ShrinkOpaque(const std::uint8_t* src, std::size_t stride,
                                                const FixedTaps& across, const FixedTaps& down,
                                                std::size_t cells, std::uint8_t* out,
                                                std::size_t y0, std::size_t y1,
                                                const std::uint32_t* w) {
  std::vector<std::uint16_t> row(cells);
  std::vector<std::uint32_t> sum(cells);
  int rowIndex = -1;  // the source row now in row: neighbouring target rows share one
  constexpr int shift = kWeightBits + kRowBits;
  for (std::size_t y = y0; y < y1; ++y) {
    std::fill(sum.begin(), sum.end(), 0u);
    for (int k = 0; k < down.count[y]; ++k, ++w) {
      const int i = down.first[y] + k;
      if (i != rowIndex) {
        ShrinkRowFixed<Span>(src + stride * static_cast<std::size_t>(i), across, row.data());
        rowIndex = i;
      }
      const std::uint32_t wy = *w;
      const std::uint16_t* r = row.data();
      std::uint32_t* s = sum.data();
      for (std::size_t c = 0; c < cells; ++c) s[c] += wy * r[c];
    }
    std::uint8_t* o = out + cells * y;
    for (std::size_t c = 0; c < cells; ++c)
      o[c] = static_cast<std::uint8_t>(
          std::min<std::uint32_t>((sum[c] + (1u << (shift - 1))) >> shift, 255));
  }
}

[[gnu::always_inline]] inline void ShrinkOpaqueAnySpan(const std::uint8_t* src, std::size_t stride,
                                                       const FixedTaps& across,
                                                       const FixedTaps& down, std::size_t cells,
                                                       std::uint8_t* out, std::size_t y0,
                                                       std::size_t y1, const std::uint32_t* w) {
  // A fixed number of taps across makes a loop the processor predicts.
  switch (across.span) {
    case 1:
      return ShrinkOpaque<1>(src, stride, across, down, cells, out, y0, y1, w);
    case 2:
      return ShrinkOpaque<2>(src, stride, across, down, cells, out, y0, y1, w);
    case 3:
      return ShrinkOpaque<3>(src, stride, across, down, cells, out, y0, y1, w);
    case 4:
      return ShrinkOpaque<4>(src, stride, across, down, cells, out, y0, y1, w);
    case 5:
      return ShrinkOpaque<5>(src, stride, across, down, cells, out, y0, y1, w);
    default:
      return ShrinkOpaque<0>(src, stride, across, down, cells, out, y0, y1, w);
  }
}

void ShrinkOpaquePlain(const std::uint8_t* src, std::size_t stride, const FixedTaps& across,
                       const FixedTaps& down, std::size_t cells, std::uint8_t* out, std::size_t y0,
                       std::size_t y1, const std::uint32_t* w) {
  ShrinkOpaqueAnySpan(src, stride, across, down, cells, out, y0, y1, w);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same, built for processors with AVX2: that has a 32-bit multiply for all four channels at
// once, and shrinks three times as fast. Chosen at run time rather than by the loader, which
// would call the chooser before a sanitizer's runtime is ready.
__attribute__((target("avx2"))) void ShrinkOpaqueAvx2(const std::uint8_t* src, std::size_t stride,
                                                      const FixedTaps& across,
                                                      const FixedTaps& down, std::size_t cells,
                                                      std::uint8_t* out, std::size_t y0,
                                                      std::size_t y1, const std::uint32_t* w) {
  ShrinkOpaqueAnySpan(src, stride, across, down, cells, out, y0, y1, w);
}
#endif

using BandShrinker = void (*)(const std::uint8_t*, std::size_t, const FixedTaps&, const FixedTaps&,
                              std::size_t, std::uint8_t*, std::size_t, std::size_t,
                              const std::uint32_t*);

BandShrinker BestBandShrinker() {
#if defined(__x86_64__) && defined(__GNUC__)
  if (__builtin_cpu_supports("avx2")) return ShrinkOpaqueAvx2;
#endif
  return ShrinkOpaquePlain;
}

// The target rows from y0 to y1 split into bands, one per thread, the last on the calling
// thread; firstWeight is the index of row y0's first weight down.
void ShrinkOpaqueInBands(const std::uint8_t* src, std::size_t stride, const FixedTaps& across,
                         const FixedTaps& down, std::size_t cells, std::uint8_t* out,
                         std::size_t y0, std::size_t y1, std::size_t firstWeight, int threads) {
  const std::size_t rows = y1 - y0;
  const std::size_t bands = std::clamp<std::size_t>(static_cast<std::size_t>(threads), 1,
                                                    std::max<std::size_t>(rows / 64, 1));
  static const BandShrinker shrinkBand = BestBandShrinker();
  std::vector<std::thread> helpers;
  const std::uint32_t* w = down.weights.data() + firstWeight;
  std::size_t from = y0;
  for (std::size_t band = 0; band < bands; ++band) {
    const std::size_t to = y0 + rows * (band + 1) / bands;
    bool started = false;
    if (band + 1 < bands) {
      try {
        helpers.emplace_back(shrinkBand, src, stride, std::cref(across), std::cref(down), cells,
                             out, from, to, w);
        started = true;
      } catch (const std::system_error&) {
        // No thread to be had: this one does the band itself.
      }
    }
    if (!started) shrinkBand(src, stride, across, down, cells, out, from, to, w);
    for (std::size_t y = from; y < to; ++y) w += down.count[y];
    from = to;
  }
  for (std::thread& t : helpers) t.join();
}

}  // namespace

bool DownscaleArea(const std::uint8_t* src, std::size_t srcBytes, int sw, int sh, int dw, int dh,
                   bool alpha, platform::ByteBuffer& out, int threads) {
  if (src == nullptr || dw <= 0 || dh <= 0 || dw > sw || dh > sh) return false;
  const std::size_t stride = static_cast<std::size_t>(sw) * 4;
  if (srcBytes < stride * static_cast<std::size_t>(sh)) return false;
  const Taps across = MakeTaps(sw, dw), down = MakeTaps(sh, dh);
  const std::size_t cells = static_cast<std::size_t>(dw) * 4;
  if (!alpha) {
    out.resize(cells * static_cast<std::size_t>(dh));
    ShrinkOpaqueInBands(src, stride, Padded(ToFixed(across), sw), ToFixed(down), cells, out.data(),
                        0, static_cast<std::size_t>(dh), 0, threads);
    return true;
  }
  std::vector<float> row(cells), sum(cells);
  int rowIndex = -1;  // the source row now in row: neighbouring target rows share one
  out.assign(cells * static_cast<std::size_t>(dh), 0);

  const float* w = down.weights.data();
  for (std::size_t y = 0; y < static_cast<std::size_t>(dh); ++y) {
    std::fill(sum.begin(), sum.end(), 0.0f);
    for (int k = 0; k < down.count[y]; ++k, ++w) {
      const int i = down.first[y] + k;
      if (i != rowIndex) {
        ShrinkRow(src + stride * static_cast<std::size_t>(i), across, row.data());
        rowIndex = i;
      }
      const float wy = *w;
      for (std::size_t c = 0; c < cells; ++c) sum[c] += wy * row[c];
    }
    std::uint8_t* o = out.data() + cells * y;
    for (std::size_t x = 0; x < cells; x += 4) {
      // The colours were weighed by opacity too: divide it out again.
      const float a = sum[x + 3];
      const float scale = a > 0 ? 1.0f / a : 0.0f;
      for (std::size_t c = 0; c < 3; ++c) o[x + c] = ToByte(sum[x + c] * scale);
      o[x + 3] = ToByte(a);
    }
  }
  return true;
}

ViewSize FittedSize(ViewSize picture, int fitWidth, int fitHeight) {
  // The picture area is its panel less 4 pixels; the panel's own fit gives the exact rounding.
  const auto placement = FitPicture({fitWidth + 4, fitHeight + 4}, picture, false);
  if (!placement) return {};
  return {placement->width, placement->height};
}

std::optional<ViewSize> ShrinkTarget(const Picture& picture, int fitWidth, int fitHeight,
                                     double pixelRatio) {
  if (picture.empty() || picture.animated() || fitWidth <= 0 || fitHeight <= 0) return {};
  const ViewSize own{picture.fullWidth > 0 ? picture.fullWidth : picture.width,
                     picture.fullHeight > 0 ? picture.fullHeight : picture.height};
  const ViewSize shown = ShownDeviceSize(own, fitWidth, fitHeight, pixelRatio);
  // A picture within a rounding error of the shown size is painted as it is: shrinking it by a
  // pixel would only blur it.
  if (shown.width <= 0 || shown.height <= 0 || shown.width > picture.width ||
      shown.height > picture.height ||
      WithinSlack(shown, {picture.width, picture.height}, pixelRatio))
    return {};
  return shown;
}

void AddShrunkFrame(Picture& picture, int fitWidth, int fitHeight, int threads, double pixelRatio) {
  const std::optional<ViewSize> shown = ShrinkTarget(picture, fitWidth, fitHeight, pixelRatio);
  if (!shown) return;
  auto shrunk = std::make_shared<ShrunkFrame>();
  const platform::ByteBuffer& pixels = picture.frames[0].pixels;
  if (!DownscaleArea(pixels.data(), pixels.size(), picture.width, picture.height, shown->width,
                     shown->height, picture.hasAlpha, shrunk->pixels, threads))
    return;
  shrunk->width = shown->width;
  shrunk->height = shown->height;
  shrunk->source = pixels.data();
  picture.shrunk = std::move(shrunk);
}

struct TShrinkAlong::Taps {
  FixedTaps across, down;
};

TShrinkAlong::TShrinkAlong(int sw, int sh, ViewSize target) : sw_(sw), target_(target) {
  if (target.width <= 0 || target.height <= 0 || target.width > sw || target.height > sh) {
    target_ = {};
    return;
  }
  taps_ = std::make_unique<Taps>(
      Taps{Padded(ToFixed(MakeTaps(sw, target.width)), sw), ToFixed(MakeTaps(sh, target.height))});
  pixels_.resize(static_cast<std::size_t>(target.width) * 4 *
                 static_cast<std::size_t>(target.height));
}

TShrinkAlong::~TShrinkAlong() = default;

void TShrinkAlong::Advance(const std::uint8_t* src, int rows, int threads) {
  if (!taps_ || Done()) return;
  const FixedTaps& down = taps_->down;
  int y1 = doneRows_;
  while (y1 < target_.height &&
         down.first[static_cast<std::size_t>(y1)] + down.count[static_cast<std::size_t>(y1)] <=
             rows)
    ++y1;
  if (y1 == doneRows_) return;
  const std::size_t cells = static_cast<std::size_t>(target_.width) * 4;
  ShrinkOpaqueInBands(src, static_cast<std::size_t>(sw_) * 4, taps_->across, down, cells,
                      pixels_.data(), static_cast<std::size_t>(doneRows_),
                      static_cast<std::size_t>(y1), doneWeights_, threads);
  for (int y = doneRows_; y < y1; ++y)
    doneWeights_ += static_cast<std::size_t>(down.count[static_cast<std::size_t>(y)]);
  doneRows_ = y1;
}

std::shared_ptr<ShrunkFrame> TShrinkAlong::Take(const std::uint8_t* src) {
  if (!taps_ || !Done()) return nullptr;
  auto shrunk = std::make_shared<ShrunkFrame>();
  shrunk->width = target_.width;
  shrunk->height = target_.height;
  shrunk->pixels = std::move(pixels_);
  shrunk->source = src;
  taps_.reset();
  return shrunk;
}
