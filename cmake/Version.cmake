# One version for the program, its window caption and its package, taken from project().
# Bump the release in project(); set the stage to "" for a final release.
set(SORTIVO_STAGE alpha)

# The program shows the stage as a Greek letter ("5.0.5α"); the package spells it after a "~",
# which sorts a pre-release before the final one ("5.0.5~alpha" < "5.0.5").
set(SORTIVO_STAGE_SIGN_alpha "α")
set(SORTIVO_STAGE_SIGN_beta "β")
if(SORTIVO_STAGE STREQUAL "")
  set(SORTIVO_VERSION_TEXT "${PROJECT_VERSION}")
  set(SORTIVO_PACKAGE_VERSION "${PROJECT_VERSION}")
elseif(DEFINED SORTIVO_STAGE_SIGN_${SORTIVO_STAGE})
  set(SORTIVO_VERSION_TEXT "${PROJECT_VERSION}${SORTIVO_STAGE_SIGN_${SORTIVO_STAGE}}")
  set(SORTIVO_PACKAGE_VERSION "${PROJECT_VERSION}~${SORTIVO_STAGE}")
else()
  message(FATAL_ERROR "unknown release stage '${SORTIVO_STAGE}': use alpha, beta or nothing")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/SortivoVersion.h.in
               ${PROJECT_BINARY_DIR}/generated/SortivoVersion.h @ONLY)

# Only the units that show the version see the header: --version and the window caption.
function(sortivo_use_version target)
  target_include_directories(${target} PRIVATE ${PROJECT_BINARY_DIR}/generated)
endfunction()
