#include "view/ImageLib.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "codecs/BmpDecoder.h"
#include "codecs/ExifOrientation.h"
#include "codecs/GifDecoder.h"
#include "codecs/HeifDecoder.h"
#include "codecs/JpegDecoder.h"
#include "codecs/JxlDecoder.h"
#include "codecs/PngDecoder.h"
#include "codecs/RawDecoder.h"
#include "codecs/TiffDecoder.h"
#include "codecs/WebpDecoder.h"
#include "platform/FileIO.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/UserText.h"
#include "view/DevicePixels.h"

namespace {

bool HasAt(const std::string& b, std::size_t at, std::string_view text) {
  return b.size() >= at + text.size() && b.compare(at, text.size(), text) == 0;
}

// The brands of an ISO base media file's leading ftyp box: the major brand, then the
// compatible ones that lie within both the box and the bytes at hand.
std::vector<std::string_view> FtypBrands(const std::string& b) {
  std::vector<std::string_view> brands;
  if (b.size() < 12 || !HasAt(b, 4, "ftyp")) return brands;
  const auto u = [&](std::size_t i) { return std::uint32_t{static_cast<unsigned char>(b[i])}; };
  const std::size_t box = (u(0) << 24) | (u(1) << 16) | (u(2) << 8) | u(3);
  const std::size_t end = std::min({box, b.size(), kSniffBytes});
  const std::string_view all(b);
  brands.push_back(all.substr(8, 4));
  for (std::size_t at = 16; at + 4 <= end; at += 4) brands.push_back(all.substr(at, 4));
  return brands;
}

PictureFormat SniffFtyp(const std::string& b) {
  const std::vector<std::string_view> brands = FtypBrands(b);
  if (brands.empty()) return PictureFormat::None;
  const auto isAvif = [](std::string_view x) { return x == "avif" || x == "avis"; };
  const auto isHeif = [](std::string_view x) {
    for (std::string_view h : {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs"})
      if (x == h) return true;
    return false;
  };
  const auto isImageFile = [](std::string_view x) {
    return x == "mif1" || x == "msf1" || x == "miaf";
  };
  if (brands[0] == "crx ") return PictureFormat::Cr3;
  if (isAvif(brands[0])) return PictureFormat::Avif;
  if (isHeif(brands[0])) return PictureFormat::Heif;
  if (!isImageFile(brands[0])) return PictureFormat::None;  // a video, or not a picture at all
  // A generic major brand: the coding named among the compatible brands decides.
  for (std::string_view x : brands)
    if (isAvif(x)) return PictureFormat::Avif;
  return PictureFormat::Heif;
}

bool IsRawExtension(const std::string& e) {
  for (const char* r : {".cr2", ".cr3", ".nef", ".arw", ".dng", ".orf", ".rw2", ".raf", ".pef"})
    if (e == r) return true;
  return false;
}

std::string LowerExtension(const std::string& path) {
  return platform::LowerAscii(platform::ExtractFileExt(path, platform::kNativeStyle));
}

}  // namespace

PictureFormat SniffPictureFormat(const std::string& b) {
  if (b.size() < 4) return PictureFormat::None;
  const auto u = [&](std::size_t i) { return static_cast<unsigned char>(b[i]); };
  if (u(0) == 0x42 && u(1) == 0x4D) return PictureFormat::Bmp;
  if (u(0) == 0x47 && u(1) == 0x49 && u(2) == 0x46) return PictureFormat::Gif;
  if (u(0) == 0x89 && u(1) == 0x50 && u(2) == 0x4E && u(3) == 0x47) return PictureFormat::Png;
  // Before JPEG, which claims every file that starts with 0xFF.
  if (u(0) == 0xFF && u(1) == 0x0A) return PictureFormat::Jxl;
  if (u(0) == 0xFF) return PictureFormat::Jpeg;
  if (HasAt(b, 0, std::string_view("\0\0\0\x0CJXL ", 8))) return PictureFormat::Jxl;
  if (HasAt(b, 0, "RIFF") && HasAt(b, 8, "WEBP")) return PictureFormat::Webp;
  if (HasAt(b, 0, "FUJIFILMCCD-RAW")) return PictureFormat::Raf;
  if (HasAt(b, 0, "IIRO") || HasAt(b, 0, "IIRS") || HasAt(b, 0, "MMOR")) return PictureFormat::Orf;
  if (HasAt(b, 0, std::string_view("IIU\0", 4))) return PictureFormat::Rw2;
  if (HasAt(b, 0, std::string_view("II*\0", 4)) || HasAt(b, 0, std::string_view("MM\0*", 4)))
    return HasAt(b, 8, "CR") ? PictureFormat::Cr2 : PictureFormat::Tiff;
  if (HasAt(b, 0, std::string_view("II+\0", 4)) || HasAt(b, 0, std::string_view("MM\0+", 4)))
    return PictureFormat::Tiff;  // BigTIFF
  return SniffFtyp(b);
}

PictureFormat SniffPictureFile(const std::string& firstBytes, const std::string& path) {
  const PictureFormat format = SniffPictureFormat(firstBytes);
  if (format == PictureFormat::Tiff && IsRawExtension(LowerExtension(path)))
    return PictureFormat::Raw;
  return format;
}

namespace {

bool Decode(PictureFormat format, codecs::Bytes bytes, Picture& picture,
            const codecs::DecodeOptions& options) {
  switch (format) {
    case PictureFormat::Bmp:
      return codecs::DecodeBmp(bytes, picture, options);
    case PictureFormat::Gif:
      return codecs::DecodeGif(bytes, picture, options);
    case PictureFormat::Png:
      return codecs::DecodePng(bytes, picture, options);
    case PictureFormat::Jpeg:
      return codecs::DecodeJpeg(bytes, picture, options);
    case PictureFormat::Webp:
      return codecs::DecodeWebp(bytes, picture, options);
    case PictureFormat::Tiff:
      return codecs::DecodeTiff(bytes, picture, options);
    case PictureFormat::Heif:
    case PictureFormat::Avif:
      return codecs::DecodeHeif(bytes, picture, options);
    case PictureFormat::Jxl:
      return codecs::DecodeJxl(bytes, picture, options);
    case PictureFormat::Raw:
    case PictureFormat::Cr2:
    case PictureFormat::Cr3:
    case PictureFormat::Orf:
    case PictureFormat::Rw2:
    case PictureFormat::Raf:
      return codecs::DecodeRaw(bytes, picture, options);
    case PictureFormat::None:
      break;
  }
  return false;
}

// The EXIF orientation for the formats whose decoders leave it to us (the HEIF, JPEG XL and raw
// libraries turn their pictures themselves).
int FileOrientation(PictureFormat format, codecs::Bytes bytes) {
  switch (format) {
    case PictureFormat::Jpeg:
      return codecs::ExifOrientation(codecs::FindJpegExif(bytes));
    case PictureFormat::Png:
      return codecs::ExifOrientation(codecs::FindPngExif(bytes));
    case PictureFormat::Webp:
      return codecs::ExifOrientation(codecs::FindWebpExif(bytes));
    case PictureFormat::Tiff:
      return codecs::ExifOrientation(bytes);
    default:
      return codecs::kOrientationUpright;
  }
}

// What a failed load does to the picture shown: a GIF's control was emptied before decoding.
LoadResult Failed(PictureFormat format) {
  LoadResult result;
  result.change = format == PictureFormat::Gif ? PictureChange::Empty : PictureChange::Keep;
  return result;
}

// The file's bytes, read only when its first ones name a picture format (format is then set);
// the bytes are claimed from the decode's budget before they are read.
platform::ReadBytesResult ReadPictureFile(const std::string& path,
                                          const codecs::DecodeOptions& options,
                                          PictureFormat* format, bool standIn) {
  return platform::ReadWholeFileBytes(path, options.limits.maxFileBytes, kSignatureBytes,
                                      [&](std::string_view head, std::uint64_t size) {
                                        *format = SniffPictureFile(std::string(head), path);
                                        if (*format == PictureFormat::None) return false;
                                        if (standIn && !HoldsThumbnails(*format)) {
                                          *format = PictureFormat::None;
                                          return false;
                                        }
                                        codecs::ReserveBytes(options, size);
                                        return true;
                                      });
}

// With standIn, only a HEIF or AVIF file's thumbnail is decoded, and any other file is read no
// further than its first bytes.
LoadResult LoadClaimed(const std::string& path, const codecs::DecodeOptions& options,
                       PictureFormat* sniffed, bool standIn) {
  LoadResult result;
  if (path.empty() || !platform::FileExists(path)) return result;

  platform::ReadBytesResult file = ReadPictureFile(path, options, sniffed, standIn);
  if (file.status == platform::ReadStatus::Failed) throw TUserError(CannotOpenFile(path));
  if (file.status != platform::ReadStatus::Ok) return result;

  const PictureFormat format = *sniffed;
  if (format == PictureFormat::None) return result;
  const codecs::Bytes bytes(file.bytes.data(), file.bytes.size());
  const int orientation = FileOrientation(format, bytes);
  // The fit box is meant for the upright picture; the decoder sees the stored one.
  codecs::DecodeOptions decodeOptions = InDevicePixels(options);
  if (codecs::OrientationSwapsSides(orientation))
    std::swap(decodeOptions.fitWidth, decodeOptions.fitHeight);
  if (orientation != codecs::kOrientationUpright) decodeOptions.rows = nullptr;  // turned below
  if (standIn) {
    if (!codecs::DecodeHeifThumbnail(bytes, result.picture, decodeOptions)) return result;
  } else if (!Decode(format, bytes, result.picture, decodeOptions)) {
    return Failed(format);
  }
  codecs::ApplyOrientation(result.picture, orientation);
  result.format = format;
  result.change = PictureChange::Replace;
  return result;
}

LoadResult LoadBudgeted(const std::string& path, const codecs::DecodeOptions& given, bool standIn) {
  codecs::BudgetClaim claim(given.budget ? *given.budget : codecs::SharedDecodeBudget(),
                            given.budgetMode);
  codecs::DecodeOptions options = given;
  options.claim = &claim;
  PictureFormat sniffed = PictureFormat::None;
  try {
    return LoadClaimed(path, options, &sniffed, standIn);
  } catch (const std::bad_alloc&) {
    // Refused by the budget or by the allocator: a failed decode like any other, but one that
    // says nothing about the file.
    LoadResult result = standIn ? LoadResult{} : Failed(sniffed);
    result.outOfMemory = true;
    return result;
  }
}

}  // namespace

LoadResult LoadPicture(const std::string& path, const codecs::DecodeOptions& options) {
  return LoadBudgeted(path, options, false);
}

LoadResult LoadStandIn(const std::string& path, const codecs::DecodeOptions& options) {
  return LoadBudgeted(path, options, true);
}

bool HoldsThumbnails(PictureFormat format) {
  return format == PictureFormat::Heif || format == PictureFormat::Avif;
}

PictureFormat SniffPictureFileAt(const std::string& path) {
  PictureFormat format = PictureFormat::None;
  platform::ReadWholeFile(path, codecs::DecodeLimits{}.maxFileBytes, kSignatureBytes,
                          [&](std::string_view head, std::uint64_t) {
                            format = SniffPictureFile(std::string(head), path);
                            return false;
                          });
  return format;
}

codecs::DecodeOptions DisplayDecodeOptions(int areaWidth, int areaHeight, bool originalSize) {
  codecs::DecodeOptions options;
  if (!originalSize && areaWidth >= 8 && areaHeight >= 8) {
    options.fitWidth = areaWidth - 4;
    options.fitHeight = areaHeight - 4;
  }
  return options;
}

PictureFormat LoadPictureFile(const std::string& path, Picture& control,
                              const codecs::DecodeOptions& options) {
  // The pixels of the picture replaced serve the next one: pictures shown one after another are
  // mostly of one size, and a fresh buffer of a large one costs as much as decoding it.
  constexpr std::size_t kMaxSpareBytes = std::size_t{256} << 20;
  thread_local platform::ByteBuffer spare;
  codecs::DecodeOptions o = options;
  if (!o.reuse) o.reuse = &spare;
  LoadResult r = LoadPicture(path, o);
  if (r.change == PictureChange::Keep) return r.format;
  platform::ByteBuffer old;
  if (control.frames.size() == 1) old.swap(control.frames[0].pixels);
  control = r.change == PictureChange::Replace ? std::move(r.picture) : Picture{};
  if (old.capacity() <= kMaxSpareBytes && old.capacity() > spare.capacity()) spare.swap(old);
  return r.format;
}

void RotateClockwise(Picture& picture) {
  codecs::ApplyOrientation(picture, 6);
}
void RotateCounterClockwise(Picture& picture) {
  codecs::ApplyOrientation(picture, 8);
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
    case PictureFormat::Webp:
      return e == ".webp";
    case PictureFormat::Heif:
      return e == ".heic" || e == ".heif";
    case PictureFormat::Avif:
      return e == ".avif";
    case PictureFormat::Jxl:
      return e == ".jxl";
    case PictureFormat::Tiff:
      return e == ".tif" || e == ".tiff";
    case PictureFormat::Raw:
      return IsRawExtension(e);  // only the extension told it from a TIFF
    case PictureFormat::Cr2:
      return e == ".cr2";
    case PictureFormat::Cr3:
      return e == ".cr3";
    case PictureFormat::Orf:
      return e == ".orf";
    case PictureFormat::Rw2:
      return e == ".rw2";
    case PictureFormat::Raf:
      return e == ".raf";
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
    case PictureFormat::Webp:
      return ".webp";
    case PictureFormat::Heif:
      return ".heic";
    case PictureFormat::Avif:
      return ".avif";
    case PictureFormat::Jxl:
      return ".jxl";
    case PictureFormat::Tiff:
      return ".tif";
    case PictureFormat::Cr2:
      return ".cr2";
    case PictureFormat::Cr3:
      return ".cr3";
    case PictureFormat::Orf:
      return ".orf";
    case PictureFormat::Rw2:
      return ".rw2";
    case PictureFormat::Raf:
      return ".raf";
    case PictureFormat::Raw:  // its extension is what made it one: it never needs another
    case PictureFormat::None:
      break;
  }
  return {};
}

std::string CorrectPictureExtension(const std::string& path, PictureFormat format,
                                    const ExtensionCorrectionHooks& hooks) {
  const std::string correct = CorrectionExtension(format);
  if (correct.empty()) return {};
  if (IsAcceptedExtension(format, LowerExtension(path))) return {};
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
