#pragma once
// Photograph-like JPEG files for the benchmarks, the quantiles they report, and runs in a child
// process of their own. The pictures are made once into a folder under /tmp and kept there for
// later runs.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include <jpeglib.h>  // needs size_t and FILE declared first
#include <libheif/heif.h>

namespace bench {

// How much detail the benchmark photos carry.
enum class PhotoKind {
  // A scene: smooth gradients under faint sensor noise, with a band of fine texture (foliage,
  // gravel) across the lower fifth. About 5 MB at 6000 x 4000, and about as costly to decode
  // as a typical camera photo: a bare quarter-scale decode takes half as long as a full one.
  Scene,
  // Strong grain over the whole frame: about 11 MB at 6000 x 4000, where entropy decoding
  // dominates and scaling the decode saves little. The worst case rather than the usual one.
  Grain,
};

// One row of a photo-like picture as R, G, B bytes; state carries the noise from row to row.
inline void PhotoRow(unsigned y, unsigned w, unsigned h, unsigned seed, PhotoKind kind,
                     std::uint32_t& state, unsigned char* row) {
  const unsigned textureTop = kind == PhotoKind::Scene ? h - h / 5 : h;
  for (unsigned x = 0; x < w; ++x) {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    unsigned noise = 0, texture = 0;
    if (kind == PhotoKind::Grain) {
      noise = state & 31;
    } else {
      noise = state & 3;
      if (y >= textureTop) texture = (state >> 8) & 63;
    }
    row[x * 3] = static_cast<unsigned char>((x * 255 / w + seed * 40 + noise + texture) & 255);
    row[x * 3 + 1] = static_cast<unsigned char>((y * 255 / h + noise + texture / 2) & 255);
    row[x * 3 + 2] = static_cast<unsigned char>((seed * 13 + (x ^ y) / 64 + noise) & 255);
  }
}

inline std::uint32_t PhotoNoiseSeed(unsigned seed) {
  return seed * 2654435761u + 1;
}

// The whole photo as packed R, G, B rows, for the encoders that take a picture at once.
inline std::vector<unsigned char> PhotoRgb(int width, int height, unsigned seed, PhotoKind kind) {
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  std::vector<unsigned char> rgb(stride * static_cast<std::size_t>(height));
  std::uint32_t state = PhotoNoiseSeed(seed);
  for (int y = 0; y < height; ++y)
    PhotoRow(static_cast<unsigned>(y), static_cast<unsigned>(width), static_cast<unsigned>(height),
             seed, kind, state, rgb.data() + stride * static_cast<std::size_t>(y));
  return rgb;
}

inline bool WritePhotoJpeg(const std::string& path, int width, int height, unsigned seed,
                           PhotoKind kind) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
  std::uint32_t state = PhotoNoiseSeed(seed);
  while (c.next_scanline < c.image_height) {
    PhotoRow(c.next_scanline, static_cast<unsigned>(width), static_cast<unsigned>(height), seed,
             kind, state, row.data());
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

// The 6000 x 4000 photos the decode-ahead benchmarks sort: SORTIVO_BENCH_PICTURES of them
// (100 unless it says otherwise, at least minimum), made once into /tmp. Scenes, unless
// SORTIVO_BENCH_GRAIN=1 asks for the grainy worst case.
inline const std::vector<std::string>& AheadPhotos(int minimum) {
  static const std::vector<std::string> paths = [minimum] {
    const char* grain = std::getenv("SORTIVO_BENCH_GRAIN");
    const PhotoKind kind = grain && std::string(grain) == "1" ? PhotoKind::Grain : PhotoKind::Scene;
    const std::filesystem::path dir =
        kind == PhotoKind::Grain ? "/tmp/sortivo-ahead-pictures" : "/tmp/sortivo-ahead-scenes";
    std::filesystem::create_directories(dir);
    const char* wanted = std::getenv("SORTIVO_BENCH_PICTURES");
    const int count = std::max(wanted ? std::atoi(wanted) : 100, minimum);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
      const std::string path = (dir / (std::to_string(1000 + i) + ".jpg")).string();
      if (!std::filesystem::exists(path)) {
        if (!WritePhotoJpeg(path + ".part", 6000, 4000, static_cast<unsigned>(i), kind))
          std::abort();
        std::filesystem::rename(path + ".part", path);
      }
      out.push_back(path);
    }
    return out;
  }();
  return paths;
}

// A photo as a phone saves it, HEVC in HEIF at quality 80, written to path; with a thumbnail
// box above 0, also the small HEVC thumbnail a phone adds (its long side that many pixels).
inline bool WritePhotoHeic(const std::string& path, int width, int height, unsigned seed,
                           int thumbnailBox = 0) {
  const std::vector<unsigned char> rgb = PhotoRgb(width, height, seed, PhotoKind::Scene);
  heif_context* ctx = heif_context_alloc();
  heif_image* image = nullptr;
  heif_encoder* encoder = nullptr;
  bool ok =
      !heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image)
           .code &&
      !heif_image_add_plane(image, heif_channel_interleaved, width, height, 8).code &&
      !heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code;
  if (ok) {
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
      std::copy_n(rgb.data() + row * static_cast<std::size_t>(y), row,
                  plane + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y));
    heif_encoder_set_lossy_quality(encoder, 80);
    // A faster search than x265's default: the stream decodes at the same cost, with the same
    // tools (deblocking and sample-adaptive offset both on), in a fraction of the encoding time.
    heif_encoder_set_parameter_string(encoder, "preset", "veryfast");
    heif_image_handle* handle = nullptr;
    ok = !heif_context_encode_image(ctx, image, encoder, nullptr, &handle).code;
    if (ok && thumbnailBox > 0)
      ok = !heif_context_encode_thumbnail(ctx, image, handle, encoder, nullptr, thumbnailBox,
                                          nullptr)
                .code;
    if (handle) heif_image_handle_release(handle);
    ok = ok && !heif_context_write_to_file(ctx, path.c_str()).code;
  }
  if (encoder) heif_encoder_release(encoder);
  if (image) heif_image_release(image);
  heif_context_free(ctx);
  return ok;
}

// The 4000 x 3000 HEIC photos the decode-ahead benchmark sorts: SORTIVO_BENCH_HEIC_PICTURES of
// them (32 unless it says otherwise, at least minimum), each with a 320 x 240 thumbnail as phones
// write them, or without one. Encoding one takes x265 well over ten seconds, so only the first
// SORTIVO_BENCH_HEIC_ENCODED (8 unless it says otherwise) are encoded, two at a time, and the
// others are copies of them: a decode costs what its stream costs, whichever file it comes from.
// They are made once into a folder beside the benchmark program and kept there.
inline std::vector<std::string> MakeHeicPhotos(int minimum, bool thumbnails) {
  constexpr int kThumbnailBox = 320;
  const char* distinct = std::getenv("SORTIVO_BENCH_HEIC_ENCODED");
  const std::size_t encoded =
      static_cast<std::size_t>(std::max(distinct ? std::atoi(distinct) : 8, 1));
  const std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe").parent_path() /
                                    (thumbnails ? "heic-photos-thumbnails" : "heic-photos");
  std::filesystem::create_directories(dir);
  const char* wanted = std::getenv("SORTIVO_BENCH_HEIC_PICTURES");
  const int count = std::max(wanted ? std::atoi(wanted) : 32, minimum);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i)
    out.push_back((dir / (std::to_string(1000 + i) + ".heic")).string());
  const auto make = [&out, encoded, thumbnails](std::size_t first) {
    for (std::size_t i = first; i < std::min(out.size(), encoded); i += 2) {
      if (std::filesystem::exists(out[i])) continue;
      if (!WritePhotoHeic(out[i] + ".part", 4000, 3000, static_cast<unsigned>(i),
                          thumbnails ? kThumbnailBox : 0))
        std::abort();
      std::filesystem::rename(out[i] + ".part", out[i]);
    }
  };
  std::thread other(make, 1);
  make(0);
  other.join();
  for (std::size_t i = encoded; i < out.size(); ++i) {
    if (std::filesystem::exists(out[i])) continue;
    std::filesystem::copy_file(out[i % encoded], out[i] + ".part",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::rename(out[i] + ".part", out[i]);
  }
  return out;
}
inline const std::vector<std::string>& AheadHeicPhotos(int minimum, bool thumbnails = true) {
  if (thumbnails) {
    static const std::vector<std::string> with = MakeHeicPhotos(minimum, true);
    return with;
  }
  static const std::vector<std::string> without = MakeHeicPhotos(minimum, false);
  return without;
}

// The baseline the loaders are measured against: the bare library decoding bytes into a reused
// BGRA buffer at scale 1/scaleDenom, nothing else.
inline void BareJpegDecode(const unsigned char* data, std::size_t size,
                           std::vector<unsigned char>& pixels, unsigned scaleDenom = 1) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr err{};
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_EXT_BGRA;
  d.scale_num = 1;
  d.scale_denom = scaleDenom;
  jpeg_start_decompress(&d);
  pixels.resize(static_cast<std::size_t>(d.output_width) * d.output_height * 4);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = pixels.data() + static_cast<std::size_t>(d.output_scanline) * d.output_width * 4;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
}
inline void BareJpegDecode(const std::vector<unsigned char>& bytes,
                           std::vector<unsigned char>& pixels, unsigned scaleDenom = 1) {
  BareJpegDecode(bytes.data(), bytes.size(), pixels, scaleDenom);
}

// The value below which a fraction q of the samples lie (nearest rank).
inline double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1,
                    static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5))];
}

// Runs body in a forked child and hands back what it returned, so that each run has its own
// peak memory and its own threads. Aborts when the child fails.
template <typename Body>
auto InChild(Body body) {
  using Result = decltype(body());
  static_assert(std::is_trivially_copyable_v<Result>);
  int fds[2];
  if (pipe(fds) != 0) std::abort();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const Result r = body();
    if (write(fds[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Result r{};
  const ssize_t got = read(fds[0], &r, sizeof r);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (got != static_cast<ssize_t>(sizeof r) || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::abort();
  return r;
}

}  // namespace bench
