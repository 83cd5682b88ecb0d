# zortokens.cmake
#   Writes a grammar ready for the parser generator: the grammar source with
#   its marker comment "/* @ZORTOKENS@ */" replaced by one declaration
#   "%token NAME NUMBER NAME NUMBER ..." holding every ZTOK line of the token
#   list, numbered from 258 in file order (the numbering of
#   control/zortokens.h), on the marker's line so that messages of the
#   parser generator keep the grammar's line numbers.  Run at build time:
#     cmake -DTOKENS=<tokens.def> -DGRAMMAR=<x.y> -DOUTPUT=<generated x.y> -P zortokens.cmake
#   Fails when the marker is missing or present more than once, or when a
#   name is listed twice.  The output is rewritten only when it changes.
cmake_policy(SET CMP0057 NEW)
foreach(var TOKENS GRAMMAR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "zortokens.cmake: ${var} is not set")
  endif()
endforeach()

file(STRINGS ${TOKENS} lines REGEX "^ZTOK\\([A-Za-z0-9_]+\\)")
set(number 258)
# All on the marker's line, so that the grammar keeps its line numbers.
set(decls "%token")
set(seen)
foreach(line ${lines})
  string(REGEX REPLACE "^ZTOK\\(([A-Za-z0-9_]+)\\).*" "\\1" name "${line}")
  if(name IN_LIST seen)
    message(FATAL_ERROR "zortokens.cmake: token ${name} listed twice in ${TOKENS}")
  endif()
  list(APPEND seen ${name})
  string(APPEND decls " ${name} ${number}")
  math(EXPR number "${number} + 1")
endforeach()

file(READ ${GRAMMAR} text)
set(marker "/* @ZORTOKENS@ */")
string(FIND "${text}" "${marker}" first)
string(FIND "${text}" "${marker}" last REVERSE)
if(first EQUAL -1 OR NOT first EQUAL last)
  message(FATAL_ERROR "zortokens.cmake: ${GRAMMAR} must hold the marker ${marker} exactly once")
endif()
string(REPLACE "${marker}" "${decls}" text "${text}")
file(WRITE ${OUTPUT}.tmp "${text}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
