function(druvo_warnings target)
  # -Wconversion: a 64-bit size or offset cut to 32 bits without a cast is an error in the
  # 32-bit Windows build, where size_t has 32 bits, and an int64 into a 32-bit long in every
  # Windows build.
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion)
  if(DRUVO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
