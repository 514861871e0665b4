# Turns the number<TAB>text table IN into the string table OUT, included by
# mirtel.rc (UTF-8, which the .rc declares). Lines starting with # are
# comments.
file(STRINGS "${IN}" lines ENCODING UTF-8)
set(body "")
foreach(line IN LISTS lines)
  if(line MATCHES "^#" OR line STREQUAL "")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)\t(.*)$")
    message(FATAL_ERROR "${IN}: not number<TAB>text: ${line}")
  endif()
  set(id "${CMAKE_MATCH_1}")
  set(text "${CMAKE_MATCH_2}")
  # In a resource script a quote is doubled and a backslash escapes.
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\"\"" text "${text}")
  string(APPEND body "  ${id}, \"${text}\"\n")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from hint_strings.tsv; edit that table instead.\nSTRINGTABLE\nBEGIN\n${body}END\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
