# Warnings are applied per target so that third-party headers stay out of it.
function(sortivo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()
