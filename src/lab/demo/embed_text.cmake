# Writes a C++ source whose function returns the text of a file, so the tool
# carries the demo lab without the source tree:
#   cmake -DINPUT=demo_lab.ini -DOUTPUT=demo_lab_ini.cpp -DFUNCTION=lab::DemoLabIni -P embed_text.cmake
file(READ "${INPUT}" text)
set(delim "lab_text")
string(FIND "${text}" ")${delim}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the raw string delimiter )${delim}\"")
endif()
string(REGEX REPLACE "::[^:]*$" "" ns "${FUNCTION}")
string(REGEX REPLACE "^.*::" "" fn "${FUNCTION}")
set(out "// Generated from ${INPUT} at build time; edit that file instead.\n")
string(APPEND out "namespace ${ns} {\n\nconst char* ${fn}() {\n  return R\"${delim}(${text})${delim}\";\n}\n\n}  // namespace ${ns}\n")
# Rewritten only when it changes, so an unchanged file rebuilds nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL out)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${out}")
