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
#include <type_traits>
#include <vector>

#include <jpeglib.h>  // needs size_t and FILE declared first

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
  std::uint32_t state = seed * 2654435761u + 1;
  const unsigned w = static_cast<unsigned>(width), h = static_cast<unsigned>(height);
  const unsigned textureTop = kind == PhotoKind::Scene ? h - h / 5 : h;
  while (c.next_scanline < c.image_height) {
    const unsigned y = c.next_scanline;
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
