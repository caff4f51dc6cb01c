#include "view/DevicePixels.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "view/Downscale.h"

namespace {

int ToInt(double v) {
  if (!(v > 0)) return 0;
  return v >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(v);
}

}  // namespace

double SaneRatio(double ratio) {
  return std::isfinite(ratio) && ratio > 0 ? ratio : 1.0;
}

int DeviceLength(int logical, double ratio) {
  return ToInt(std::floor(static_cast<double>(logical) * SaneRatio(ratio) + 0.5));
}

ViewSize DeviceSize(ViewSize logical, double ratio) {
  return {DeviceLength(logical.width, ratio), DeviceLength(logical.height, ratio)};
}

ViewSize LogicalSize(ViewSize device, double ratio) {
  const double r = SaneRatio(ratio);
  const auto length = [r](int d) {
    if (d <= 0) return 0;
    return std::max(ToInt(std::floor(static_cast<double>(d) / r + 0.5)), 1);
  };
  return {length(device.width), length(device.height)};
}

int SnapToDevicePixel(double position) {
  // A half a rounding error short of .5 still rounds up.
  return static_cast<int>(std::floor(position + 0.5 + 1e-6));
}

int RoundingSlack(double ratio) {
  const double r = SaneRatio(ratio);
  if (r == 1.0) return 0;  // logical pixels are device pixels: nothing to round
  return std::max(1, static_cast<int>(std::ceil(r / 2)));
}

bool WithinSlack(ViewSize a, ViewSize b, double ratio) {
  const int slack = RoundingSlack(ratio);
  return std::abs(a.width - b.width) <= slack && std::abs(a.height - b.height) <= slack;
}

codecs::DecodeOptions InDevicePixels(codecs::DecodeOptions options) {
  if (options.fitWidth > 0 && options.fitHeight > 0) {
    options.fitWidth = DeviceLength(options.fitWidth, options.pixelRatio);
    options.fitHeight = DeviceLength(options.fitHeight, options.pixelRatio);
  }
  options.pixelRatio = 1.0;
  return options;
}

ViewSize ShownDeviceSize(ViewSize picture, int fitWidth, int fitHeight, double ratio) {
  return DeviceSize(FittedSize(LogicalSize(picture, ratio), fitWidth, fitHeight), ratio);
}
