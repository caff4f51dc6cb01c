# ThreadSanitizer cannot share a process with AddressSanitizer: one build has one of them.
if(SORTIVO_SANITIZE AND SORTIVO_TSAN)
  message(FATAL_ERROR "SORTIVO_SANITIZE and SORTIVO_TSAN exclude each other; use two builds")
endif()

if(SORTIVO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(SORTIVO_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# The fuzz build instruments every library for coverage, so the fuzzers see the branches of
# the code they drive; only the fuzz targets link libFuzzer's main.
if(SORTIVO_BUILD_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
