# Warnings and sanitizers, each guarded by the compiler that understands it.
function(norvane_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  endif()
endfunction()

option(NORVANE_SANITIZE "Build native code with AddressSanitizer and UBSan" OFF)
if(NORVANE_SANITIZE AND NOT MSVC AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# Release programs carry no symbols: smaller downloads, nothing to strip later.
if(MINGW)
  add_link_options($<$<CONFIG:MinSizeRel,Release>:-s>)
endif()
