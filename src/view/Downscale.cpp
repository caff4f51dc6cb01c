#include "view/Downscale.h"

#include <algorithm>
#include <cstddef>
#include <memory>

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

// One source row shrunk across: B, G, R (times alpha when it counts) and A per target pixel.
template <bool Alpha>
void ShrinkRow(const std::uint8_t* line, const Taps& across, float* out) {
  const float* w = across.weights.data();
  const std::size_t dw = across.first.size();
  for (std::size_t x = 0; x < dw; ++x) {
    const std::uint8_t* p = line + static_cast<std::size_t>(across.first[x]) * 4;
    float b = 0, g = 0, r = 0, a = 0;
    for (int k = across.count[x]; k > 0; --k, ++w, p += 4) {
      const float wa = Alpha ? *w * p[3] : *w;
      b += wa * p[0], g += wa * p[1], r += wa * p[2], a += *w * p[3];
    }
    out[x * 4] = b, out[x * 4 + 1] = g, out[x * 4 + 2] = r, out[x * 4 + 3] = a;
  }
}

std::uint8_t ToByte(float v) {
  return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f));
}

}  // namespace

bool DownscaleArea(const std::uint8_t* src, std::size_t srcBytes, int sw, int sh, int dw, int dh,
                   bool alpha, std::vector<std::uint8_t>& out) {
  if (src == nullptr || dw <= 0 || dh <= 0 || dw > sw || dh > sh) return false;
  const std::size_t stride = static_cast<std::size_t>(sw) * 4;
  if (srcBytes < stride * static_cast<std::size_t>(sh)) return false;
  const Taps across = MakeTaps(sw, dw), down = MakeTaps(sh, dh);
  const std::size_t cells = static_cast<std::size_t>(dw) * 4;
  std::vector<float> row(cells), sum(cells);
  int rowIndex = -1;  // the source row now in row: neighbouring target rows share one
  out.assign(cells * static_cast<std::size_t>(dh), 0);

  const float* w = down.weights.data();
  for (std::size_t y = 0; y < static_cast<std::size_t>(dh); ++y) {
    std::fill(sum.begin(), sum.end(), 0.0f);
    for (int k = 0; k < down.count[y]; ++k, ++w) {
      const int i = down.first[y] + k;
      if (i != rowIndex) {
        const std::uint8_t* line = src + stride * static_cast<std::size_t>(i);
        if (alpha)
          ShrinkRow<true>(line, across, row.data());
        else
          ShrinkRow<false>(line, across, row.data());
        rowIndex = i;
      }
      const float wy = *w;
      for (std::size_t c = 0; c < cells; ++c) sum[c] += wy * row[c];
    }
    std::uint8_t* o = out.data() + cells * y;
    for (std::size_t x = 0; x < cells; x += 4) {
      const float a = sum[x + 3];
      // With alpha the colours were weighed by opacity too: divide it out again.
      const float scale = !alpha ? 1.0f : a > 0 ? 1.0f / a : 0.0f;
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

void AddShrunkFrame(Picture& picture, int fitWidth, int fitHeight) {
  if (picture.empty() || picture.animated() || fitWidth <= 0 || fitHeight <= 0) return;
  const ViewSize own{picture.fullWidth > 0 ? picture.fullWidth : picture.width,
                     picture.fullHeight > 0 ? picture.fullHeight : picture.height};
  const ViewSize shown = FittedSize(own, fitWidth, fitHeight);
  if (shown.width <= 0 || shown.height <= 0 || shown.width > picture.width ||
      shown.height > picture.height ||
      (shown.width == picture.width && shown.height == picture.height))
    return;
  auto shrunk = std::make_shared<ShrunkFrame>();
  const std::vector<std::uint8_t>& pixels = picture.frames[0].pixels;
  if (!DownscaleArea(pixels.data(), pixels.size(), picture.width, picture.height, shown.width,
                     shown.height, picture.hasAlpha, shrunk->pixels))
    return;
  shrunk->width = shown.width;
  shrunk->height = shown.height;
  shrunk->source = pixels.data();
  picture.shrunk = std::move(shrunk);
}
