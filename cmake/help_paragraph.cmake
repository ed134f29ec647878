# Texts written once in a rules file (a paragraph starts at a line "@name" and runs to the
# next such line), for the build to take into usage texts and manual pages: the window's rule
# for COMn is the @comports paragraph of src/app/help/linux.rules, kvxctl's that of
# src/cli/kvxctl.rules.

# `out` gets the lines of paragraph `name` of `rules`, without the help's markup.
function(kvx_help_paragraph rules name out)
  file(STRINGS ${rules} lines)
  set(paragraph "")
  set(inside FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^@")
      string(COMPARE EQUAL "${line}" "@${name}" inside)
    elseif(inside)
      string(REPLACE "`" "" line "${line}")
      list(APPEND paragraph "${line}")
    endif()
  endforeach()
  if(paragraph STREQUAL "")
    message(FATAL_ERROR "${rules} has no @${name} paragraph")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${rules})
  set(${out} "${paragraph}" PARENT_SCOPE)
endfunction()

# Writes `header` with `constant`, a C string of paragraph `name` of `rules`: its lines each
# ending in a newline, or with `joined` given one line of them joined by spaces, for a text
# that is wrapped to the terminal where it is shown.
function(kvx_help_paragraph_header rules name constant header)
  cmake_parse_arguments(PARSE_ARGV 4 arg "JOINED" "" "")
  kvx_help_paragraph(${rules} ${name} lines)
  set(literal "")
  set(separator "")
  foreach(line IN LISTS lines)
    # A quote or backslash in the text stays itself in the C string.
    string(REPLACE "\\" "\\\\" line "${line}")
    string(REPLACE "\"" "\\\"" line "${line}")
    if(arg_JOINED)
      string(APPEND literal "${separator}${line}")
      set(separator " ")
    else()
      string(APPEND literal "\n    \"${line}\\n\"")
    endif()
  endforeach()
  if(arg_JOINED)
    set(literal " \"${literal}\"")
  endif()
  file(RELATIVE_PATH source ${PROJECT_SOURCE_DIR} ${rules})
  file(CONFIGURE OUTPUT ${header}
       CONTENT "#pragma once\n\n// Made by the build from @${name} in ${source}.\ninline constexpr char ${constant}[] =@literal@;\n"
       @ONLY)
endfunction()
