#include "view/Downscale.h"

#include <cstddef>
#include <memory>

namespace {

// Measured in units of 1/d of a source pixel, target pixel t covers [t*s, (t+1)*s) and source
// pixel i covers [i*d, (i+1)*d): every overlap is a whole number, and each target pixel's weights
// add up to s.
struct Tap {
  int first = 0;  // first source pixel
  std::vector<std::uint32_t> weights;
};

std::vector<Tap> Taps(int s, int d) {
  std::vector<Tap> taps(static_cast<std::size_t>(d));
  for (int t = 0; t < d; ++t) {
    const std::int64_t from = std::int64_t{t} * s, to = std::int64_t{t + 1} * s;
    Tap& tap = taps[static_cast<std::size_t>(t)];
    tap.first = static_cast<int>(from / d);
    for (std::int64_t i = tap.first; i * d < to; ++i) {
      const std::int64_t lo = std::max(from, i * d), hi = std::min(to, (i + 1) * d);
      tap.weights.push_back(static_cast<std::uint32_t>(hi - lo));
    }
  }
  return taps;
}

}  // namespace

bool DownscaleArea(const std::uint8_t* src, std::size_t srcBytes, int sw, int sh, int dw, int dh,
                   bool alpha, std::vector<std::uint8_t>& out) {
  if (src == nullptr || dw <= 0 || dh <= 0 || dw > sw || dh > sh) return false;
  const std::size_t stride = static_cast<std::size_t>(sw) * 4;
  if (srcBytes < stride * static_cast<std::size_t>(sh)) return false;
  const std::vector<Tap> across = Taps(sw, dw), down = Taps(sh, dh);
  const std::size_t cells = static_cast<std::size_t>(dw) * 4;
  // Per target column: B, G, R sums (premultiplied by alpha when it counts) and the alpha sum.
  std::vector<std::uint64_t> row(cells), column(cells);
  out.assign(cells * static_cast<std::size_t>(dh), 0);
  const std::uint64_t area = std::uint64_t(sw) * std::uint64_t(sh);

  for (int y = 0; y < dh; ++y) {
    const Tap& v = down[static_cast<std::size_t>(y)];
    std::fill(column.begin(), column.end(), 0);
    for (std::size_t k = 0; k < v.weights.size(); ++k) {
      const std::uint8_t* line = src + stride * static_cast<std::size_t>(v.first + int(k));
      for (int x = 0; x < dw; ++x) {
        const Tap& h = across[static_cast<std::size_t>(x)];
        std::uint64_t b = 0, g = 0, r = 0, a = 0;
        const std::uint8_t* p = line + static_cast<std::size_t>(h.first) * 4;
        for (std::uint32_t w : h.weights) {
          const std::uint64_t wa = alpha ? std::uint64_t{w} * p[3] : w;
          b += wa * p[0], g += wa * p[1], r += wa * p[2], a += std::uint64_t{w} * p[3];
          p += 4;
        }
        row[std::size_t(x) * 4 + 0] = b, row[std::size_t(x) * 4 + 1] = g;
        row[std::size_t(x) * 4 + 2] = r, row[std::size_t(x) * 4 + 3] = a;
      }
      const std::uint64_t w = v.weights[k];
      for (std::size_t c = 0; c < cells; ++c) column[c] += w * row[c];
    }
    std::uint8_t* o = out.data() + cells * static_cast<std::size_t>(y);
    for (std::size_t x = 0; x < cells; x += 4) {
      const std::uint64_t a = column[x + 3];
      // Without alpha every colour is weighed by area alone; with it, by area and opacity.
      const std::uint64_t weight = alpha ? a : area;
      for (std::size_t c = 0; c < 3; ++c)
        o[x + c] =
            weight == 0 ? 0 : static_cast<std::uint8_t>((column[x + c] + weight / 2) / weight);
      o[x + 3] = static_cast<std::uint8_t>((a + area / 2) / area);
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
