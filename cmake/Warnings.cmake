# Warnings for our own targets (not for third-party code).
function(kr_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-missing-field-initializers)
endfunction()
