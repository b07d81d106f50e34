# Helpers shared by the folders' CMakeLists.

# kproduct(target): product code flags (no exceptions, no RTTI, warnings as errors).
function(kproduct target)
  target_compile_options(${target} PRIVATE ${KPRODUCT_FLAGS})
  if(KWIN)
    target_link_options(${target} PRIVATE ${KPRODUCT_LINK})
  endif()
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
