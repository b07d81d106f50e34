# Helpers shared by the folders' CMakeLists.

# kproduct(target): product code flags (no exceptions, no RTTI, warnings as
# errors). Product binaries (executables and DLLs) on Windows link no C++
# library and no static C runtime: the C runtime DLL and the system DLLs
# only, with the heap operators of foundation/newdelete.cpp. Each writes its
# link map to maps/<file>.map in the build folder (the size benchmark and
# the target check read them).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/maps)
function(kproduct target)
  target_compile_options(${target} PRIVATE ${KPRODUCT_FLAGS})
  get_target_property(type ${target} TYPE)
  if(KWIN AND NOT type STREQUAL "STATIC_LIBRARY")
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/foundation/newdelete.cpp)
    target_link_options(${target} PRIVATE ${KPRODUCT_LINK}
                        -Wl,-Map,${CMAKE_BINARY_DIR}/maps/$<TARGET_FILE_NAME:${target}>.map)
    set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
  endif()
endfunction()

# kpushargs(target): on the 32-bit build, arguments are pushed rather than
# stored into space reserved in each frame, which makes the code about a
# seventh smaller. GCC does that only without stack probes, so none are
# made, and every frame is held (as an error) under the 4,000 bytes that GCC
# itself allocates without probing: no function can step over the stack's
# guard page. The 64-bit build passes arguments in registers and keeps its
# defaults.
function(kpushargs target)
  if(KWIN32)
    target_compile_options(${target} PRIVATE -mno-accumulate-outgoing-args -mno-stack-arg-probe
                                             -Wframe-larger-than=3999)
  endif()
endfunction()

# How a binary that starts without mingw's start-up code links: with the
# checks that it needs none (cmake/bare-start.ld). setup.exe has its own
# entry; kbarestart(target) gives a product library the bare entry of
# foundation/dll_entry_win.cpp, or the entry named as a second argument
# (a function of the library's own, with the same signature).
set(KBARE_START_LINK -nostartfiles -Wl,--defsym,kpointer_size=${CMAKE_SIZEOF_VOID_P}
                     -Wl,-T,${PROJECT_SOURCE_DIR}/cmake/bare-start.ld)
function(kbarestart target)
  kcrtdll(${target})
  if(ARGC GREATER 1)
    set(entry ${ARGV1})
  else()
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/foundation/dll_entry_win.cpp)
    set(entry kbare_library_entry)
  endif()
  if(KWIN32)
    set(entry _${entry}@12)
  endif()
  target_link_options(${target} PRIVATE ${KBARE_START_LINK} -Wl,-e,${entry})
endfunction()

# kcrtdll(target): a shipped module's C runtime is crtdll.dll, which every
# Windows 95 and NT carries (msvcrt.dll came later), on both Windows builds
# alike: the toolchain's default libraries (msvcrt.dll, mingw's extras) stay
# out; libgcc's arithmetic helpers, kernel32 and the runtime's import
# library with its few shims (foundation/crtdll.def, crtdll_win.cpp) come in.
# The modules that share heap blocks and streams (setup.exe and
# vscript.dll) thereby share one runtime.
function(kcrtdll target)
  target_link_options(${target} PRIVATE -nodefaultlibs)
  target_link_libraries(${target} PRIVATE kcrtdll gcc kernel32)
endfunction()

# ktest(name sources... LIBS libs...): a GoogleTest program run by CTest
# (under Wine for the Windows builds). Windows test programs link -static so
# they import only system DLLs and msvcrt.dll.
function(ktest name)
  cmake_parse_arguments(KT "" "" "LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${KT_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${KT_LIBS} gtest gtest_main)
  if(KWIN)
    target_link_options(${name} PRIVATE -static)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  if(KT_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${KT_PROPERTIES})
  endif()
endfunction()

# kicon(output background drawing): an icon file (32x32 and 16x16, palette
# colours) made at build time with ImageMagick, so that no picture is kept
# as a binary file. drawing is an ImageMagick -draw primitive in the 32x32
# frame, filled white, for example "circle 16,16 16,5". The 16x16 picture
# is sampled from the 32x32 one so that it keeps its few colours (a smoothed
# one has more than a palette holds and is stored with 32-bit pixels).
find_program(KCONVERT convert)
function(kicon output background drawing)
  add_custom_command(OUTPUT ${output}
    COMMAND ${KCONVERT} -size 32x32 xc:${background} -fill white -draw "${drawing}"
            ( +clone -sample 16x16 ) -type Palette ${output}
    VERBATIM)
endfunction()
