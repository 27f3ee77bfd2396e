# Checks the includes of one layer of src/ against the layers it declares (ostiva_layer in the top CMakeLists.txt):
# an include of another layer's header that is not declared fails, and so does a declared layer that no source
# includes. Run at build time before the layer compiles:
#   cmake -DLAYER=core -DALLOWED=office -DSRC=<src folder> -DSTAMP=<file touched on success> -P CheckLayerIncludes.cmake
# ALLOWED is a comma-separated list (a layer may always include its own headers).
cmake_minimum_required(VERSION 3.20)

string(REPLACE "," ";" allowed "${ALLOWED}")
file(GLOB entries RELATIVE ${SRC} ${SRC}/*)
set(layers "")
foreach(e IN LISTS entries)
  if(IS_DIRECTORY ${SRC}/${e})
    list(APPEND layers ${e})
  endif()
endforeach()

file(GLOB_RECURSE files ${SRC}/${LAYER}/*.cpp ${SRC}/${LAYER}/*.h)
list(SORT files)
set(errors "")
set(used "")
foreach(f IN LISTS files)
  file(READ ${f} text)
  # Only includes at the start of a line count (not one quoted in a comment).
  string(REGEX MATCHALL "\n[ \t]*#[ \t]*include[ \t]*[<\"][^>\"\n]+" includes "\n${text}")
  foreach(inc IN LISTS includes)
    string(REGEX REPLACE "^\n[ \t]*#[ \t]*include[ \t]*[<\"]" "" path "${inc}")
    string(REGEX REPLACE "^(\\.\\.?/)+" "" path "${path}")
    if(NOT path MATCHES "^([^/]+)/")
      continue()
    endif()
    set(dir ${CMAKE_MATCH_1})
    if(NOT dir IN_LIST layers OR dir STREQUAL LAYER)
      continue()
    endif()
    list(APPEND used ${dir})
    if(NOT dir IN_LIST allowed)
      file(RELATIVE_PATH rel ${SRC}/.. ${f})
      string(APPEND errors "  ${rel} includes \"${path}\", but ${LAYER} does not declare ${dir}\n")
    endif()
  endforeach()
endforeach()

foreach(dir IN LISTS allowed)
  if(NOT dir IN_LIST used)
    string(APPEND errors "  ${LAYER} declares ${dir}, but none of its files includes it\n")
  endif()
endforeach()

if(errors)
  string(REPLACE ";" ", " declared "${allowed}")
  message(FATAL_ERROR "The layers are office <- core <- subsystems <- app; a subsystem uses another only through "
                      "the seams it declares. ${LAYER} declares: ${declared}\n${errors}")
endif()
file(WRITE ${STAMP} "")
