# Helpers shared by the folders' CMakeLists.

# kproduct(target [SCRIPT file]): product code flags (no exceptions, no RTTI,
# warnings as errors). Product binaries (executables and DLLs) on Windows
# link no C++ library and no static C runtime: the C runtime DLL and the
# system DLLs only, with the heap operators of foundation/newdelete.cpp.
# They link with the linker's own script and cmake/discard-unwind.ld added
# to it, or with the whole script SCRIPT (see kmerged_sections). Each writes
# its link map to maps/<file>.map in the build folder (the size benchmark
# and the target check read them).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/maps)
function(kproduct target)
  cmake_parse_arguments(KP "" "SCRIPT" "" ${ARGN})
  target_compile_options(${target} PRIVATE ${KPRODUCT_FLAGS})
  get_target_property(type ${target} TYPE)
  if(KWIN AND NOT type STREQUAL "STATIC_LIBRARY")
    if(NOT KP_SCRIPT)
      set(KP_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/discard-unwind.ld)
    endif()
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/foundation/newdelete.cpp)
    target_link_options(${target} PRIVATE ${KPRODUCT_LINK} -Wl,-T,${KP_SCRIPT}
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
# kmerged_sections(output): writes to output the linker's own script for
# programs with fewer sections: the read-only data joins the code (one
# read-only section, which every Windows maps as it maps code) and the
# initialised data joins the import tables (written by the loader, so
# writable there anyway), which saves the file two sections' padding to 512
# bytes. A whole script replaces the default one and cannot be added to, so
# it also carries cmake/discard-unwind.ld's rule and cmake/bare-start.ld's
# checks: the program links with KMERGED_START_LINK instead of
# KBARE_START_LINK. The export table goes into the code section too, which
# saves a third section's padding; the linker fills the export directory only
# for a section named .edata, so cmake/finish-program.pl sets it after the
# link, from the link map.
set(KMERGED_START_LINK -nostartfiles -Wl,--defsym,kpointer_size=${CMAKE_SIZEOF_VOID_P})
function(kmerged_sections output)
  execute_process(COMMAND ${CMAKE_LINKER} --verbose OUTPUT_VARIABLE script RESULT_VARIABLE failed)
  string(REGEX REPLACE ".*\n=+\n(.*)\n=+\n.*" "\\1" script "${script}")
  set(data "    *(.data)\n    *(.data2)\n    *(SORT(.data$*))\n")
  # (The export table at the very start of its section: the linker writes
  # its addresses as if it began there.)
  set(code_start "  {\n    KEEP (*(SORT_NONE(.init)))\n")
  set(code_end "    *(.glue_7)\n")
  set(imports_end "    KEEP (SORT(*)(.idata$7))\n")
  set(exports "  .edata BLOCK(__section_alignment__) :\n  {\n    *(.edata)\n  }\n")
  foreach(part data code_start code_end imports_end exports)
    string(FIND "${script}" "${${part}}" at)
    if(failed OR at EQUAL -1)
      message(FATAL_ERROR "kmerged_sections: the linker's script has changed (${part} not found)")
    endif()
  endforeach()
  string(REPLACE "${data}" "" script "${script}")
  string(REPLACE "${exports}" "" script "${script}")
  string(REPLACE "${code_end}" "${code_end}    *(.rdata)\n    *(SORT(.rdata$*))\n" script "${script}")
  string(REPLACE "${code_start}" "${code_start}    *(.edata)\n" script "${script}")
  string(REPLACE "${imports_end}" "${imports_end}${data}" script "${script}")
  file(READ ${PROJECT_SOURCE_DIR}/cmake/discard-unwind.ld discard)
  string(REGEX MATCH "/DISCARD/[^\n]*" discard "${discard}")
  string(REPLACE "SECTIONS\n{\n" "SECTIONS\n{\n  ${discard}\n" script "${script}")
  file(READ ${PROJECT_SOURCE_DIR}/cmake/bare-start.ld checks)
  string(REGEX REPLACE ".*INSERT BEFORE \\.text;\n" "" checks "${checks}")
  file(WRITE ${output} "${script}\n${checks}\n")
endfunction()

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

# ktest(name sources... LIBS libs... PROPERTIES props... GROUPS group filter...):
# a GoogleTest program run by CTest (under Wine for the Windows builds).
# Windows test programs link -static so they import only system DLLs and
# msvcrt.dll. GROUPS splits a long program into several CTest entries that
# run side by side: name_group runs the cases of its GoogleTest filter, and
# the entry named name runs every case no group names (a case added later
# lands there), so each case runs exactly once.
function(ktest name)
  cmake_parse_arguments(KT "" "" "LIBS;PROPERTIES;GROUPS" ${ARGN})
  add_executable(${name} ${KT_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${KT_LIBS} gtest gtest_main)
  if(KWIN)
    target_link_options(${name} PRIVATE -static)
  endif()
  set(entries ${name})
  set(grouped "")
  while(KT_GROUPS)
    list(POP_FRONT KT_GROUPS group filter)
    add_test(NAME ${name}_${group} COMMAND ${name} --gtest_filter=${filter})
    list(APPEND entries ${name}_${group})
    string(APPEND grouped ":${filter}")
  endwhile()
  if(grouped)
    string(SUBSTRING "${grouped}" 1 -1 grouped)
    add_test(NAME ${name} COMMAND ${name} --gtest_filter=-${grouped})
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  kwine_lane(${entries})
  if(KT_PROPERTIES)
    set_tests_properties(${entries} PROPERTIES ${KT_PROPERTIES})
  endif()
endfunction()

# kwine_lane(tests...): each of these Windows tests runs in a Wine lane of its
# own (a prefix, display and wineserver no other running test uses: see
# tools/wine/wineenv.sh), so they need not run serially for the machine-wide
# state inside Wine that they change and put back. The long entries carry a
# COST of about their seconds: CTest starts the costliest first, and on a
# fresh clone it has no times of its own yet.
function(kwine_lane)
  if(KWIN)
    set_tests_properties(${ARGN} PROPERTIES RESOURCE_GROUPS wine:1)
  endif()
endfunction()

# Loopback port 80 belongs to the machine, not to a lane: the counter's tests
# serve it, and the product's main program, which other tests start, posts
# to it. The resource "port80" has four shares (tools/wine/wineenv.sh): a
# test that may start the product takes one, the counter's server all four,
# so the server never runs beside the product while the product tests run
# side by side. Given as a test's RESOURCE_GROUPS.
set(KPORT80_CLIENT "wine:1,port80:1")
set(KPORT80_SERVER "wine:1,port80:4")

# kicon(output background drawing [LARGE_ONLY]): an icon file (32x32 and
# 16x16, palette colours) made at build time with ImageMagick, so that no
# picture is kept as a binary file. drawing is an ImageMagick -draw
# primitive in the 32x32 frame, filled white, for example "circle 16,16
# 16,5", with unsmoothed edges: a picture of its two colours is stored with
# one bit a pixel. The 16x16 picture is sampled from the 32x32 one so that
# it keeps its few colours (a smoothed one has more than a palette holds
# and is stored with 32-bit pixels). LARGE_ONLY leaves it out: Windows then shrinks
# the 32x32 picture where it shows a small icon.
find_program(KCONVERT convert)
function(kicon output background drawing)
  set(small "(" +clone -sample 16x16 ")")
  if("LARGE_ONLY" IN_LIST ARGN)
    set(small)
  endif()
  add_custom_command(OUTPUT ${output}
    COMMAND ${KCONVERT} -size 32x32 xc:${background} -fill white +antialias -draw "${drawing}"
            ${small} -type Palette ${output}
    VERBATIM)
endfunction()
