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

# No build path in any object, so two clones of one commit build the same bytes.
# MSVC: /Brepro also replaces the timestamps; /guard:cf is Control Flow Guard,
# which mingw-w64 gcc cannot give (docs/releasing.md).
if(MSVC)
  add_compile_options(/Brepro /guard:cf)
elseif(MINGW)
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
endif()

# The downloaded program: ASLR with relocations, NX, terminal-server aware, no
# PE timestamp. Current linkers default to the first two; stated so that an
# older one cannot drop them.
function(norvane_harden_program target)
  if(MSVC)
    target_link_options(${target} PRIVATE /DYNAMICBASE /NXCOMPAT /TSAWARE /GUARD:CF /Brepro)
  elseif(MINGW)
    target_link_options(${target} PRIVATE -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware -Wl,--no-insert-timestamp)
  endif()
endfunction()
