# Source layout rules.
#   src/<part>/*.cpp        plain C++ (the core); never Qt
#   src/<part>/ui/*.cpp     Qt widgets (sortivo_gui)
#   src/app/ui/main.cpp     the program's main()
# Sources are globbed so that adding a unit needs no CMake edit.

function(sortivo_core_sources part out)
  file(GLOB srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${part}/*.cpp)
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

function(sortivo_ui_sources part out)
  file(GLOB srcs CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/src/${part}/ui/*.cpp ${PROJECT_SOURCE_DIR}/src/${part}/ui/*.h)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# The core must stay free of Qt: it is checked here, at configure time, on every target
# that makes it up, and again by the core_has_no_qt test on the sources themselves.
function(sortivo_assert_no_qt target)
  get_target_property(libs ${target} LINK_LIBRARIES)
  if(libs)
    foreach(lib IN LISTS libs)
      if(lib MATCHES "Qt")
        message(FATAL_ERROR "${target} is part of the core and must not link ${lib}")
      endif()
    endforeach()
  endif()
endfunction()
