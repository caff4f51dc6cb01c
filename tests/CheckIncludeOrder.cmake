# Fails when a source under src/ includes a header of a part above it.
#   cmake -DSRC=<source>/src -P CheckIncludeOrder.cmake
#
# The parts, lowest first. A part may include itself and the parts it lists here; its ui/
# folder may include its own part, those parts, and their ui/ folders. A core folder never
# includes a ui/ folder, and nothing but app/ui includes app/ui.
cmake_policy(VERSION 3.25)

set(parts platform codecs view files keymap config app)
set(below_platform "")
set(below_codecs platform)
set(below_view codecs platform)
set(below_files platform)
# The key panel browses folders for the destination it registers, so files sits below keymap.
set(below_keymap files platform)
set(below_config platform)
set(below_app platform codecs view files keymap config)

if(NOT IS_DIRECTORY "${SRC}")
  message(FATAL_ERROR "no source folder SRC='${SRC}'")
endif()

# May a file of part `from` (in its ui/ folder when fromUi) include a header of part `to`?
function(include_allowed from fromUi to toUi out)
  set(${out} FALSE PARENT_SCOPE)
  if(toUi AND NOT fromUi)
    return()
  endif()
  if(to STREQUAL from)
    set(${out} TRUE PARENT_SCOPE)
  elseif(to IN_LIST below_${from})
    set(${out} TRUE PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
set(bad "")
set(count 0)
foreach(rel IN LISTS files)
  string(REGEX MATCH "^([^/]+)/(ui/)?" m "${rel}")
  set(from "${CMAKE_MATCH_1}")
  if(NOT from IN_LIST parts)
    set(bad "${bad}\n  ${rel}: in no part; add the folder to the table above")
    continue()
  endif()
  set(fromUi FALSE)
  if(CMAKE_MATCH_2)
    set(fromUi TRUE)
  endif()
  math(EXPR count "${count} + 1")
  file(STRINGS ${SRC}/${rel} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "\"(([^/\"]+)/(ui/)?[^\"]*)\"" m "${line}")
    set(header "${CMAKE_MATCH_1}")
    set(to "${CMAKE_MATCH_2}")
    if(NOT to IN_LIST parts)
      continue()  # a header beside the file, or one made at build time
    endif()
    set(toUi FALSE)
    if(CMAKE_MATCH_3)
      set(toUi TRUE)
    endif()
    include_allowed(${from} ${fromUi} ${to} ${toUi} ok)
    if(ok)
      continue()
    endif()
    set(bad "${bad}\n  ${rel} -> ${header}")
  endforeach()
endforeach()

if(count EQUAL 0)
  message(FATAL_ERROR "no sources found under ${SRC}")
endif()
if(bad)
  message(FATAL_ERROR "includes that run upward (see the table in ${CMAKE_CURRENT_LIST_FILE}):"
                      "${bad}")
endif()
message(STATUS "${count} files checked; no include runs upward")
