cmake_policy(VERSION 3.25)
# Installs the build tree into a scratch prefix and checks what lands there.
#   cmake -DBUILD_DIR= -DPREFIX= -DAPP_ID= -DVERSION= -DPACKAGE_VERSION= -DSOURCE_DIR= -DLIBDIR=
#         -P ...
set(problems "")
macro(problem text)
  string(APPEND problems "  ${text}\n")
endmacro()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${err}")
endif()

set(sizes 16 24 32 48 64 128 256)
# The modules the program loads its window and its decoders of formats other than JPEG from,
# where it looks for them.
set(modules sortivo-window sortivo-common-formats sortivo-formats)
list(TRANSFORM modules PREPEND ${LIBDIR}/sortivo/)
list(TRANSFORM modules APPEND .so)
set(expected bin/sortivo ${modules}
             share/applications/${APP_ID}.desktop
             share/metainfo/${APP_ID}.metainfo.xml
             share/icons/hicolor/scalable/apps/${APP_ID}.svg)
foreach(s IN LISTS sizes)
  list(APPEND expected share/icons/hicolor/${s}x${s}/apps/${APP_ID}.png)
endforeach()
list(SORT expected)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
if(NOT installed STREQUAL expected)
  set(missing ${expected})
  list(REMOVE_ITEM missing ${installed})
  set(extra ${installed})
  list(REMOVE_ITEM extra ${expected})
  problem("installed files differ; missing: [${missing}] unexpected: [${extra}]")
endif()

# A PNG's width and height are the two big-endian words after the IHDR tag.
foreach(s IN LISTS sizes)
  set(png "${PREFIX}/share/icons/hicolor/${s}x${s}/apps/${APP_ID}.png")
  if(EXISTS "${png}")
    file(READ "${png}" head LIMIT 24 HEX)
    string(SUBSTRING "${head}" 0 16 signature)
    string(SUBSTRING "${head}" 32 8 w)
    string(SUBSTRING "${head}" 40 8 h)
    math(EXPR w "0x${w}")
    math(EXPR h "0x${h}")
    if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT w EQUAL s OR NOT h EQUAL s)
      problem("${s}x${s}/apps/${APP_ID}.png is not a ${s}x${s} PNG (${w}x${h})")
    endif()
  endif()
endforeach()

set(desktop "${PREFIX}/share/applications/${APP_ID}.desktop")
if(EXISTS "${desktop}")
  file(STRINGS "${desktop}" lines)
  foreach(want "Exec=sortivo %f" "Icon=${APP_ID}" "Categories=Graphics;Viewer;"
          "MimeType=image/jpeg;image/png;image/gif;image/bmp;image/webp;image/heic;image/heif;image/avif;image/jxl;image/tiff;image/x-canon-cr2;image/x-canon-cr3;image/x-nikon-nef;image/x-sony-arw;image/x-adobe-dng;image/x-olympus-orf;image/x-panasonic-rw2;image/x-fuji-raf;image/x-pentax-pef;")
    if(NOT want IN_LIST lines)
      problem("${APP_ID}.desktop lacks the line ${want}")
    endif()
  endforeach()
  # A folder type would make Sortivo the folder handler of desktops that have none, and its own
  # "show in file manager" would start Sortivo again.
  file(READ "${desktop}" entry)
  if(entry MATCHES "inode/")
    problem("${APP_ID}.desktop claims a folder type")
  endif()
endif()

set(metainfo "${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml")
if(EXISTS "${metainfo}")
  file(READ "${metainfo}" xml)
  foreach(want "<id>${APP_ID}</id>"
          "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>"
          "<release version=\"${PACKAGE_VERSION}\"")
    string(FIND "${xml}" "${want}" at)
    if(at EQUAL -1)
      problem("${APP_ID}.metainfo.xml lacks ${want}")
    endif()
  endforeach()
  if(xml MATCHES "<mediatype>inode/")
    problem("${APP_ID}.metainfo.xml claims a folder type")
  endif()
endif()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE AND EXISTS "${desktop}")
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${desktop}" RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    problem("desktop-file-validate: ${out}")
  endif()
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI AND EXISTS "${metainfo}")
  execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --no-color "${metainfo}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    problem("appstreamcli validate: ${out}")
  endif()
endif()

# --version answers before any window exists, so it runs here without a display; older
# main()s that do not read their command line yet would start a window instead.
file(READ "${SOURCE_DIR}/src/app/ui/main.cpp" main_source)
string(FIND "${main_source}" "ParseCommandLine" wired)
if(NOT wired EQUAL -1 AND EXISTS "${PREFIX}/bin/sortivo")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
                          "${PREFIX}/bin/sortivo" --version
                  TIMEOUT 20 RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(FIND "${out}" "Sortivo ${VERSION}" at)
  if(NOT rc EQUAL 0 OR NOT at EQUAL 0)
    problem("bin/sortivo --version gave (${rc}) '${out}' ${err}")
  endif()
endif()

# The installed program finds its modules where they were installed: a PNG (its own icon) is
# decoded through the common formats' module and painted, and the program then ends itself.
set(icon "${PREFIX}/share/icons/hicolor/48x48/apps/${APP_ID}.png")
if(wired GREATER -1 AND EXISTS "${PREFIX}/bin/sortivo" AND EXISTS "${icon}")
  set(painted "${PREFIX}/first-paint.txt")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
                          XDG_CONFIG_HOME=${PREFIX}/config SORTIVO_REPORT_FIRST_PAINT=${painted}
                          "${PREFIX}/bin/sortivo" "${icon}"
                  TIMEOUT 60 RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT EXISTS "${painted}")
    problem("bin/sortivo painted no PNG (${rc}): ${err}")
  endif()
endif()

if(problems)
  message(FATAL_ERROR "installation into ${PREFIX}:\n${problems}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
