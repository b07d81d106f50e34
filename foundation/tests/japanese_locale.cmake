# kjapanese_environment(var): the test environment of a Japanese system.
# Wine takes its ANSI code page from the name of the Unix locale (932 for
# ja_JP) and the character set of Unix file names from the locale's data; a
# locale that setlocale cannot load leaves file names ASCII, and creating a
# file with a double-byte name fails. A machine without the Japanese locale
# gets one in the build folder under that name, with the data of C.UTF-8.
function(kjapanese_environment var)
  set(environment "LC_ALL=ja_JP.UTF-8")
  set(data /usr/lib/locale/C.utf8)
  set(locales ${CMAKE_BINARY_DIR}/locale)
  if(EXISTS ${data})
    file(COPY ${data}/ DESTINATION ${locales}/ja_JP.UTF-8)
    list(APPEND environment "LOCPATH=${locales}")
  endif()
  set(${var} "${environment}" PARENT_SCOPE)
endfunction()
