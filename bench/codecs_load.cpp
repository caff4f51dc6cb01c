// Loading pictures against the bare libraries doing the same work, and quarter turns against
// copying the same pixels. Read the ratios between each pair, not the absolute times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <stdlib.h>
#include <filesystem>

#include "BenchPictures.h"
#include "platform/FileIO.h"
#include "support/PictureWriter.h"
#include "view/ImageLib.h"

namespace {

// A 12 MP photo as a camera or a browser would save it: lossy, at quality 90.
std::string PhotoWebp(int width, int height) {
  const std::vector<unsigned char> rgb = bench::PhotoRgb(width, height, 1, bench::PhotoKind::Scene);
  std::uint8_t* out = nullptr;
  const std::size_t size = WebPEncodeRGB(rgb.data(), width, height, width * 3, 90, &out);
  if (size == 0) std::abort();
  std::string bytes(reinterpret_cast<const char*>(out), size);
  WebPFree(out);
  return bytes;
}

struct Files {
  std::filesystem::path dir;
  std::string jpeg, png, gif, bmp, webp;
  Files() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sortivo-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    dir = pattern;
    jpeg = Write("big.jpg", testsupport::EncodeJpeg(6000, 4000, {90}));
    png = Write("big.png", testsupport::EncodePng(4000, 3000));
    gif = Write("anim.gif", testsupport::EncodeGif(800, 600, 20));
    bmp = Write("big.bmp", testsupport::EncodeBmp(4000, 3000));
    webp = Write("big.webp", PhotoWebp(4000, 3000));
  }
  ~Files() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string Write(const char* name, const std::string& bytes) {
    const std::string path = (dir / name).string();
    if (!testsupport::WriteBytes(path, bytes)) std::abort();
    return path;
  }
};

const Files& TheFiles() {
  static const Files files;
  return files;
}

void ReadInto(const std::string& path, std::vector<unsigned char>& buffer) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::fseek(f, 0, SEEK_END);
  buffer.resize(static_cast<std::size_t>(std::ftell(f)));
  std::fseek(f, 0, SEEK_SET);
  if (std::fread(buffer.data(), 1, buffer.size(), f) != buffer.size()) std::abort();
  std::fclose(f);
}

// One picture control across loads, as the window has.
void Load(benchmark::State& state, const std::string& path) {
  Picture control;
  for (auto _ : state) {
    benchmark::DoNotOptimize(LoadPictureFile(path, control));
    benchmark::DoNotOptimize(control.frames.data());
  }
}

void BM_LoadJpeg6000x4000(benchmark::State& state) {
  Load(state, TheFiles().jpeg);
}
void BM_LoadPng4000x3000(benchmark::State& state) {
  Load(state, TheFiles().png);
}
void BM_LoadGif20x800x600(benchmark::State& state) {
  Load(state, TheFiles().gif);
}
void BM_LoadBmp4000x3000(benchmark::State& state) {
  Load(state, TheFiles().bmp);
}

void BM_LoadWebp4000x3000(benchmark::State& state) {
  Load(state, TheFiles().webp);
}

void BM_BareWebp4000x3000(benchmark::State& state) {
  std::vector<unsigned char> file, pixels;
  const std::string& path = TheFiles().webp;  // made before the clock runs
  for (auto _ : state) {
    ReadInto(path, file);
    int w = 0, h = 0;
    if (!WebPGetInfo(file.data(), file.size(), &w, &h)) std::abort();
    pixels.resize(static_cast<std::size_t>(w) * h * 4);
    if (!WebPDecodeBGRAInto(file.data(), file.size(), pixels.data(), pixels.size(), w * 4))
      std::abort();
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_BareJpeg6000x4000(benchmark::State& state) {
  std::vector<unsigned char> file, pixels;
  const std::string& path = TheFiles().jpeg;  // made before the clock runs
  for (auto _ : state) {
    ReadInto(path, file);
    bench::BareJpegDecode(file, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}

struct PngSource {
  const unsigned char* data;
  std::size_t pos;
};

void BM_BarePng4000x3000(benchmark::State& state) {
  std::vector<unsigned char> file, pixels;
  std::vector<png_bytep> rows;
  const std::string& path = TheFiles().png;  // made before the clock runs
  for (auto _ : state) {
    ReadInto(path, file);
    PngSource source{file.data(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &source, [](png_structp p, png_bytep out, size_t n) {
      auto* s = static_cast<PngSource*>(png_get_io_ptr(p));
      std::memcpy(out, s->data + s->pos, n);
      s->pos += n;
    });
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    pixels.resize(static_cast<std::size_t>(w) * h * 4);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
      rows[y] = pixels.data() + static_cast<std::size_t>(y) * w * 4;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_BareGifSlurp20x800x600(benchmark::State& state) {
  std::vector<unsigned char> file;
  const std::string& path = TheFiles().gif;  // made before the clock runs
  for (auto _ : state) {
    ReadInto(path, file);
    PngSource source{file.data(), 0};
    int err = 0;
    GifFileType* gif = DGifOpen(
        &source,
        [](GifFileType* g, GifByteType* out, int n) {
          auto* s = static_cast<PngSource*>(g->UserData);
          std::memcpy(out, s->data + s->pos, static_cast<std::size_t>(n));
          s->pos += static_cast<std::size_t>(n);
          return n;
        },
        &err);
    DGifSlurp(gif);
    benchmark::DoNotOptimize(gif->SavedImages);
    DGifCloseFile(gif, &err);
  }
}

void BM_ReadBmpFile4000x3000(benchmark::State& state) {
  const std::string& path = TheFiles().bmp;  // made before the clock runs
  for (auto _ : state) {
    platform::ReadResult r = platform::ReadWholeFile(path, std::size_t{1} << 30);
    benchmark::DoNotOptimize(r.bytes.data());
  }
}

Picture BigPicture() {
  Picture p;
  p.width = p.fullWidth = 6000;
  p.height = p.fullHeight = 4000;
  p.frames.resize(1);
  p.frames[0].pixels.assign(std::size_t{6000} * 4000 * 4, 0x5A);
  return p;
}

void BM_RotateClockwise6000x4000(benchmark::State& state) {
  Picture p = BigPicture();
  for (auto _ : state) {
    RotateClockwise(p);
    benchmark::DoNotOptimize(p.frames[0].pixels.data());
  }
}

void BM_RotateCounterClockwise6000x4000(benchmark::State& state) {
  Picture p = BigPicture();
  for (auto _ : state) {
    RotateCounterClockwise(p);
    benchmark::DoNotOptimize(p.frames[0].pixels.data());
  }
}

// The same fresh allocation and one pass over the pixels that a turn needs.
void BM_CopyPixels6000x4000(benchmark::State& state) {
  Picture p = BigPicture();
  for (auto _ : state) {
    platform::ByteBuffer copy(p.frames[0].pixels.size());
    std::memcpy(copy.data(), p.frames[0].pixels.data(), copy.size());
    p.frames[0].pixels.swap(copy);
    benchmark::DoNotOptimize(p.frames[0].pixels.data());
  }
}

}  // namespace

BENCHMARK(BM_BareJpeg6000x4000)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_LoadJpeg6000x4000)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_BarePng4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPng4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWebp4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadWebp4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareGifSlurp20x800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadGif20x800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBmpFile4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBmp4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyPixels6000x4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateClockwise6000x4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateCounterClockwise6000x4000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
