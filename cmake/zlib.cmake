# zlib for the Windows builds: the distribution's sources (fetched once by
# tools/zlib-source.sh into build/deps/zlib) compiled here as a static
# library with the product's flags, so that it is sized like the rest and
# the build's processor and header settings reach it too. The programs take
# what they call from it: setup.exe only the stream inflater (inflate.c with
# its tables, fast path and Adler-32), the tests and the benchmark also
# zlib's deflate.
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/tools/zlib-source.sh --dir
                OUTPUT_VARIABLE KZLIB_SOURCE OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT EXISTS ${KZLIB_SOURCE}/infback.c)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/tools/zlib-source.sh RESULT_VARIABLE fetched)
  if(NOT fetched EQUAL 0 OR NOT EXISTS ${KZLIB_SOURCE}/infback.c)
    message(FATAL_ERROR "zlib's sources are missing in ${KZLIB_SOURCE}: run tools/deps.sh as root")
  endif()
endif()

set(kzlib_files adler32.c compress.c crc32.c deflate.c inffast.c inflate.c inftrees.c trees.c
                uncompr.c zutil.c)
list(TRANSFORM kzlib_files PREPEND ${KZLIB_SOURCE}/)
add_library(kzlib STATIC ${kzlib_files})
# The fixed Huffman tables are built at the first fixed block instead of
# being stored (2 KiB less in the program): the engine inflates on one
# thread only, which is what zlib asks of this setting.
target_compile_definitions(kzlib PRIVATE BUILDFIXED)
# The inflater reads zlib streams only: without gzip support it needs no
# CRC-32 and its tables (8 KiB). deflate keeps gzip for the tests' streams.
set_source_files_properties(${KZLIB_SOURCE}/inflate.c PROPERTIES COMPILE_DEFINITIONS NO_GZIP)
target_include_directories(kzlib SYSTEM PUBLIC ${KZLIB_SOURCE})
kproduct(kzlib)
set(KZLIB kzlib)
