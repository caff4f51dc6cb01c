# Every dependency comes from the system (tools/bootstrap installs it); nothing is fetched.
find_package(PkgConfig REQUIRED)
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(GIF REQUIRED)
# The newer picture formats: WebP (still and animated), TIFF, HEIF/AVIF, JPEG XL, camera raws
# (libraw_r, the thread-safe build: pictures are decoded on several threads).
pkg_check_modules(WEBP REQUIRED IMPORTED_TARGET libwebp libwebpdemux)
pkg_check_modules(TIFF REQUIRED IMPORTED_TARGET libtiff-4)
pkg_check_modules(HEIF REQUIRED IMPORTED_TARGET libheif)
pkg_check_modules(JXL REQUIRED IMPORTED_TARGET libjxl libjxl_threads)
pkg_check_modules(RAW REQUIRED IMPORTED_TARGET libraw_r)
if(SORTIVO_BUILD_TESTS)
  # The tests make their animated WebP files with the library's own muxing encoder.
  pkg_check_modules(WEBPMUX REQUIRED IMPORTED_TARGET libwebpmux)
endif()
find_package(ICU REQUIRED COMPONENTS uc i18n)
find_package(Threads REQUIRED)
# LinguistTools compiles the translations (qt6-tools-dev, qt6-l10n-tools).
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test LinguistTools)
if(SORTIVO_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(SORTIVO_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
