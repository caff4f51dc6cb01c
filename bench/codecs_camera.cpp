// Phone and camera formats against the bare libraries doing the same work in the same run: a
// 12 MP HEIC and the full-size JPEG preview of a 24 MP DNG. Read the ratios between each pair,
// not the absolute times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <libheif/heif.h>
#include <libraw/libraw.h>

#include "BenchPictures.h"
#include "codecs/HeifDecoder.h"
#include "codecs/RawDecoder.h"
#include "support/CameraPictureWriter.h"

using testsupport::AsBytes;

namespace {

// A 12 MP photo as a phone saves it: detail and noise, as the decoder meets them.
std::string PhotoHeic() {
  std::string path = (std::filesystem::temp_directory_path() / "sortivo-camera-XXXXXX").string();
  const int fd = mkstemp(path.data());
  if (fd < 0) std::abort();
  close(fd);
  std::string bytes;
  if (bench::WritePhotoHeic(path, 4000, 3000, 1)) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::filesystem::remove(path);
  return bytes;
}

struct Files {
  std::string heic, dng;
  Files() {
    heic = PhotoHeic();
    testsupport::DngParams d;
    d.width = 6000, d.height = 4000, d.previewWidth = 6000, d.previewHeight = 4000;
    dng = testsupport::EncodeDng(d);
    if (heic.empty() || dng.empty()) std::abort();
  }
};

const Files& TheFiles() {
  static const Files files;
  return files;
}

void BM_BareHeic4000x3000(benchmark::State& state) {
  const std::string& file = TheFiles().heic;
  for (auto _ : state) {
    heif_context* ctx = heif_context_alloc();
    heif_context_read_from_memory_without_copy(ctx, file.data(), file.size(), nullptr);
    heif_image_handle* handle = nullptr;
    heif_context_get_primary_image_handle(ctx, &handle);
    heif_image* image = nullptr;
    heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr);
    int stride = 0;
    benchmark::DoNotOptimize(
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride));
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(ctx);
  }
}

// Ours hand the replaced picture's pixels back for the next one, as the window does.
void Ours(benchmark::State& state,
          bool (*decode)(codecs::Bytes, Picture&, const codecs::DecodeOptions&),
          const std::string& file, codecs::DecodeOptions options) {
  Picture p;
  platform::ByteBuffer spare;
  options.reuse = &spare;
  for (auto _ : state) {
    if (p.frames.size() == 1) spare.swap(p.frames[0].pixels);
    benchmark::DoNotOptimize(decode(AsBytes(file), p, options));
    benchmark::DoNotOptimize(p.frames.data());
  }
}

void BM_OursHeic4000x3000(benchmark::State& state) {
  Ours(state, codecs::DecodeHeif, TheFiles().heic, {});
}

// Opening the file and finding its preview, then the JPEG decode: what any viewer must do.
void BareDngPreview(benchmark::State& state, unsigned num) {
  const std::string& file = TheFiles().dng;
  std::vector<unsigned char> pixels;
  for (auto _ : state) {
    auto raw = std::make_unique<LibRaw>();
    raw->open_buffer(const_cast<char*>(file.data()), file.size());
    raw->unpack_thumb();
    const libraw_thumbnail_t& t = raw->imgdata.thumbnail;
    bench::BareJpegDecode(reinterpret_cast<const unsigned char*>(t.thumb), t.tlength, pixels,
                          8 / num);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void OursDngPreview(benchmark::State& state, int fitWidth, int fitHeight) {
  codecs::DecodeOptions options;
  options.fitWidth = fitWidth, options.fitHeight = fitHeight;
  Ours(state, codecs::DecodeRaw, TheFiles().dng, options);
}

void BM_BareDngPreview6000x4000(benchmark::State& state) {
  BareDngPreview(state, 8);
}
void BM_OursDngPreview6000x4000(benchmark::State& state) {
  OursDngPreview(state, 0, 0);
}
// Fitted into 1500 x 1000, both at the 2/8 scale that covers it.
void BM_BareDngPreviewQuarter(benchmark::State& state) {
  BareDngPreview(state, 2);
}
void BM_OursDngPreviewFitted1500x1000(benchmark::State& state) {
  OursDngPreview(state, 1500, 1000);
}

}  // namespace

BENCHMARK(BM_BareHeic4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursHeic4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDngPreview6000x4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursDngPreview6000x4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDngPreviewQuarter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursDngPreviewFitted1500x1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
