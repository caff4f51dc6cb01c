# Fails when the program itself (not its modules) needs a shared library besides libjpeg, the C
# and C++ runtimes and a sanitizer's: every other library loads before main(), and so before the
# first picture's decode can start. The window, the other decoders and ICU load in modules.
#   cmake -DPROGRAM=<sortivo> -DREADELF=<readelf> -P CheckProgramLibraries.cmake
cmake_policy(VERSION 3.25)
execute_process(COMMAND "${READELF}" -d "${PROGRAM}" RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${READELF} -d ${PROGRAM} failed (${rc}): ${err}")
endif()
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[([^]\n]+)\\]" lines "${out}")
set(needed "")
set(unexpected "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE ".*\\[([^]]+)\\]$" "\\1" lib "${line}")
  list(APPEND needed ${lib})
  if(NOT lib MATCHES "^(libjpeg|libstdc\\+\\+|libm|libgcc_s|libc|ld-linux-[^.]*|lib(a|ub|t)san)\\.so")
    list(APPEND unexpected ${lib})
  endif()
endforeach()
if(NOT "libjpeg.so.62" IN_LIST needed)
  message(FATAL_ERROR "no libjpeg among the program's libraries (${needed}): is ${PROGRAM} it?")
endif()
if(unexpected)
  message(FATAL_ERROR "the program needs ${unexpected} before main(); only its modules may")
endif()
