# cmake -DOBJCOPY=... -DOBJECTS=a;b;... -P drop-export-requests.cmake:
# removes from each object the linker directives with which the compiler
# asks for the export of what the sources mark for export (.drectve), so
# that the program exports what its definition file lists and nothing else.
foreach(object ${OBJECTS})
  if(object MATCHES "\\.obj$")
    execute_process(COMMAND ${OBJCOPY} -R .drectve ${object} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "objcopy failed on ${object}")
    endif()
  endif()
endforeach()
