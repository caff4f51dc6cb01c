#include "view/ImageLib.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string_view>

#include "codecs/BmpDecoder.h"
#include "codecs/GifDecoder.h"
#include "codecs/JpegDecoder.h"
#include "codecs/PngDecoder.h"
#include "platform/FileIO.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

PictureFormat SniffPictureFormat(const std::string& b) {
  if (b.size() < 4) return PictureFormat::None;
  const auto u = [&](std::size_t i) { return static_cast<unsigned char>(b[i]); };
  if (u(0) == 0x42 && u(1) == 0x4D) return PictureFormat::Bmp;
  if (u(0) == 0x47 && u(1) == 0x49 && u(2) == 0x46) return PictureFormat::Gif;
  if (u(0) == 0x89 && u(1) == 0x50 && u(2) == 0x4E && u(3) == 0x47) return PictureFormat::Png;
  if (u(0) == 0xFF) return PictureFormat::Jpeg;
  return PictureFormat::None;
}

namespace {

// What a failed load does to the picture shown: a GIF's control was emptied before decoding.
LoadResult Failed(PictureFormat format) {
  LoadResult result;
  result.change = format == PictureFormat::Gif ? PictureChange::Empty : PictureChange::Keep;
  return result;
}

// The file's bytes, read only when its first ones name a picture format (format is then set);
// the bytes are claimed from the decode's budget before they are read.
platform::ReadResult ReadPictureFile(const std::string& path, const codecs::DecodeOptions& options,
                                     PictureFormat* format) {
  return platform::ReadWholeFile(path, options.limits.maxFileBytes, kSignatureBytes,
                                 [&](std::string_view head, std::uint64_t size) {
                                   *format = SniffPictureFormat(std::string(head));
                                   if (*format == PictureFormat::None) return false;
                                   codecs::ReserveBytes(options, size);
                                   return true;
                                 });
}

LoadResult LoadClaimed(const std::string& path, const codecs::DecodeOptions& options,
                       PictureFormat* sniffed) {
  LoadResult result;
  if (path.empty() || !platform::FileExists(path)) return result;

  platform::ReadResult file = ReadPictureFile(path, options, sniffed);
  if (file.status == platform::ReadStatus::Failed)
    throw std::runtime_error("ファイル " + path + " は開けません");
  if (file.status != platform::ReadStatus::Ok) return result;

  const PictureFormat format = *sniffed;
  if (format == PictureFormat::None) return result;
  const codecs::Bytes bytes(reinterpret_cast<const std::uint8_t*>(file.bytes.data()),
                            file.bytes.size());
  bool ok = false;
  switch (format) {
    case PictureFormat::Bmp:
      ok = codecs::DecodeBmp(bytes, result.picture, options);
      break;
    case PictureFormat::Gif:
      ok = codecs::DecodeGif(bytes, result.picture, options);
      break;
    case PictureFormat::Png:
      ok = codecs::DecodePng(bytes, result.picture, options);
      break;
    case PictureFormat::Jpeg:
      ok = codecs::DecodeJpeg(bytes, result.picture, options);
      break;
    case PictureFormat::None:
      break;
  }
  if (!ok) return Failed(format);
  result.format = format;
  result.change = PictureChange::Replace;
  return result;
}

}  // namespace

LoadResult LoadPicture(const std::string& path, const codecs::DecodeOptions& given) {
  codecs::BudgetClaim claim(given.budget ? *given.budget : codecs::SharedDecodeBudget(),
                            given.budgetMode);
  codecs::DecodeOptions options = given;
  options.claim = &claim;
  PictureFormat sniffed = PictureFormat::None;
  try {
    return LoadClaimed(path, options, &sniffed);
  } catch (const std::bad_alloc&) {
    // Refused by the budget or by the allocator: a failed decode like any other, but one that
    // says nothing about the file.
    LoadResult result = Failed(sniffed);
    result.outOfMemory = true;
    return result;
  }
}

PictureFormat LoadPictureFile(const std::string& path, Picture& control,
                              const codecs::DecodeOptions& options) {
  // The pixels of the picture replaced serve the next one: pictures shown one after another are
  // mostly of one size, and a fresh buffer of a large one costs as much as decoding it.
  constexpr std::size_t kMaxSpareBytes = std::size_t{256} << 20;
  thread_local std::vector<std::uint8_t> spare;
  codecs::DecodeOptions o = options;
  if (!o.reuse) o.reuse = &spare;
  LoadResult r = LoadPicture(path, o);
  if (r.change == PictureChange::Keep) return r.format;
  std::vector<std::uint8_t> old;
  if (control.frames.size() == 1) old.swap(control.frames[0].pixels);
  control = r.change == PictureChange::Replace ? std::move(r.picture) : Picture{};
  if (old.capacity() <= kMaxSpareBytes && old.capacity() > spare.capacity()) spare.swap(old);
  return r.format;
}

namespace {

// Turns one frame in tiles, so that both the reads and the writes stay within the cache.
template <bool Clockwise>
void TurnFrame(const std::uint8_t* src, std::uint8_t* dst, int w, int h) {
  constexpr int kTile = 64;
  const std::size_t dstStride = static_cast<std::size_t>(h);  // in pixels
  auto* s = reinterpret_cast<const std::uint32_t*>(src);
  auto* d = reinterpret_cast<std::uint32_t*>(dst);
  for (int y0 = 0; y0 < h; y0 += kTile) {
    const int y1 = std::min(y0 + kTile, h);
    for (int x0 = 0; x0 < w; x0 += kTile) {
      const int x1 = std::min(x0 + kTile, w);
      for (int y = y0; y < y1; ++y) {
        const std::uint32_t* row = s + static_cast<std::size_t>(y) * w;
        for (int x = x0; x < x1; ++x) {
          // new picture: width h, height w
          const std::size_t nx = Clockwise ? static_cast<std::size_t>(h - 1 - y) : y;
          const std::size_t ny = Clockwise ? static_cast<std::size_t>(x) : w - 1 - x;
          d[ny * dstStride + nx] = row[x];
        }
      }
    }
  }
}

template <bool Clockwise>
void Turn(Picture& p) {
  if (p.empty()) return;
  for (PictureFrame& frame : p.frames) {
    if (frame.pixels.size() != static_cast<std::size_t>(p.width) * p.height * 4) continue;
    std::vector<std::uint8_t> turned(frame.pixels.size());
    TurnFrame<Clockwise>(frame.pixels.data(), turned.data(), p.width, p.height);
    frame.pixels.swap(turned);
  }
  std::swap(p.width, p.height);
  std::swap(p.fullWidth, p.fullHeight);
  p.shrunk.reset();
}

}  // namespace

void RotateClockwise(Picture& picture) {
  Turn<true>(picture);
}
void RotateCounterClockwise(Picture& picture) {
  Turn<false>(picture);
}

bool IsAcceptedExtension(PictureFormat format, const std::string& e) {
  switch (format) {
    case PictureFormat::Bmp:
      return e == ".bmp";
    case PictureFormat::Gif:
      return e == ".gif";
    case PictureFormat::Jpeg:
      return e == ".jpe" || e == ".jpeg" || e == ".jpg";
    case PictureFormat::Png:
      return e == ".png";
    case PictureFormat::None:
      break;
  }
  return false;
}

std::string CorrectionExtension(PictureFormat format) {
  switch (format) {
    case PictureFormat::Bmp:
      return ".bmp";
    case PictureFormat::Gif:
      return ".gif";
    case PictureFormat::Jpeg:
      return ".jpg";
    case PictureFormat::Png:
      return ".png";
    case PictureFormat::None:
      break;
  }
  return {};
}

std::string CorrectPictureExtension(const std::string& path, PictureFormat format,
                                    const ExtensionCorrectionHooks& hooks) {
  const std::string correct = CorrectionExtension(format);
  if (correct.empty()) return {};
  const std::string ext =
      platform::LowerAscii(platform::ExtractFileExt(path, platform::kNativeStyle));
  if (IsAcceptedExtension(format, ext)) return {};
  if (hooks.markIncorrectExtension) hooks.markIncorrectExtension();
  for (const std::string& target :
       {platform::ChangeFileExt(path, correct, platform::kNativeStyle), path + correct}) {
    if (platform::MoveFileNoReplace(path, target)) {
      if (hooks.replaceCurrent) hooks.replaceCurrent(target);
      return target;
    }
  }
  return {};
}
