# System DLLs that are not KnownDLLs are delay-loaded: the loader would look
# for them first in the program's own folder (a user's Downloads folder), so
# they are loaded only on their first call, after the entry has restricted DLL
# search to System32 (src/app/dll_search_win.cpp).
#
# norvane_delay_load(dll...) defines a target named after each DLL's import
# library, so that `target_link_libraries(x PRIVATE winhttp)` anywhere in the
# project links the delay-loaded form. Every function of such a DLL works
# without a list of names: with MinGW the delay-import library is made from
# all the symbols of the toolchain's import library. A new non-KnownDLL
# dependency goes into the norvane_delay_load call in CMakeLists.txt; the
# import-table test of the release build fails until it does.
# The libraries are made in the build tree, which Ninja names relative to the
# build folder on the link line; GNU ld orders import tables by archive path,
# so the image does not depend on where the clone lies.
function(norvane_delay_load)
  foreach(dll IN LISTS ARGN)
    if(MSVC)
      add_library(${dll} INTERFACE IMPORTED)
      set_target_properties(${dll} PROPERTIES
        INTERFACE_LINK_LIBRARIES "${dll}.lib;delayimp.lib"
        INTERFACE_LINK_OPTIONS "/DELAYLOAD:${dll}.dll")
    elseif(MINGW)
      norvane_mingw_delay_library(${dll} library)
      add_library(${dll} STATIC IMPORTED)
      set_target_properties(${dll} PROPERTIES IMPORTED_LOCATION "${library}")
    endif()
  endforeach()
endfunction()

# GNU ld has no delay-load switch; dlltool writes a delay-import library from a
# .def file, which lists every function of the toolchain's import library.
# GNU ld drops the code of an import-library member when the program reaches
# the function only through its __imp_ pointer (dllimport); in a delay-import
# member that code is the loading thunk the pointer starts out at, so every
# such call would jump to 0. Renaming the member's .text to a data-flagged
# .text$ section keeps ld from taking it for a plain import stub; it still
# lands in the program's .text.
function(norvane_mingw_delay_library dll out_var)
  find_library(NORVANE_IMPORT_LIBRARY_${dll} NAMES ${dll} REQUIRED)
  execute_process(COMMAND "${CMAKE_NM}" "${NORVANE_IMPORT_LIBRARY_${dll}}" OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  # x86 C names carry a leading underscore (__imp__Name@8), x64 ones none (__imp_Name).
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(import_prefix " I __imp_")
  else()
    set(import_prefix " I __imp__")
  endif()
  string(REGEX MATCHALL "${import_prefix}[^\n]+" imports "${symbols}")
  set(def "LIBRARY ${dll}.dll\nEXPORTS\n")
  foreach(import IN LISTS imports)
    string(REPLACE "${import_prefix}" "" name "${import}")
    string(APPEND def "  ${name}\n")
  endforeach()
  set(dir "${CMAKE_BINARY_DIR}/delay-load")
  file(WRITE "${dir}/${dll}.def" "${def}")
  # --kill-at: the DLL exports the plain names; the @N of stdcall stays in the link symbols only.
  execute_process(COMMAND "${CMAKE_DLLTOOL}" --kill-at --dllname ${dll}.dll --input-def "${dir}/${dll}.def"
                          --output-delaylib "${dir}/lib${dll}-delayed.a"
                  WORKING_DIRECTORY "${dir}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND "${CMAKE_OBJCOPY}" --rename-section ".text=.text\$delay,contents,alloc,load,readonly,data"
                          "${dir}/lib${dll}-delayed.a" COMMAND_ERROR_IS_FATAL ANY)
  set(${out_var} "${dir}/lib${dll}-delayed.a" PARENT_SCOPE)
endfunction()
