cmake_minimum_required(VERSION 3.25)
# Fails when the libraries hold more writable variables than allowed.
#   cmake -DNM=<nm> -DLIMIT=<n> -DLIBRARIES="<a.a;b.a>" -P check_writable_globals.cmake
# Counts the symbols nm --defined-only shows of kind B, b, D or d (static
# locals included), leaving out guard variables, typeinfo, vtables and the
# compiler's own "__" names. The allowed ones are listed, with their reasons,
# in docs/architecture.md.
set(found "")
foreach(library IN LISTS LIBRARIES)
  execute_process(COMMAND ${NM} -C --defined-only ${library}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed on ${library}")
  endif()
  string(REPLACE "\n" ";" lines "${symbols}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]+ [BbDd] (.*)$")
      set(name "${CMAKE_MATCH_1}")
      if(name MATCHES "guard variable|typeinfo|vtable" OR name MATCHES "^__" OR name MATCHES " __")
        continue()
      endif()
      list(APPEND found "${name}")
    endif()
  endforeach()
endforeach()
list(LENGTH found count)
string(REPLACE ";" "\n  " shown "${found}")
if(count GREATER LIMIT)
  message(FATAL_ERROR "${count} writable variables, more than ${LIMIT}:\n  ${shown}")
endif()
message(STATUS "${count} writable variables (at most ${LIMIT}):\n  ${shown}")
