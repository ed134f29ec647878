# What COMn stands for in the Linux window, written once as the @comports paragraph of
# src/app/help/linux.rules, whose help page shows it; the usage text and the manual page take
# it from there. `out` gets its lines, without the help's markup.
function(kvx_com_port_rule out)
  file(STRINGS ${PROJECT_SOURCE_DIR}/src/app/help/linux.rules lines)
  set(rule "")
  set(inside FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^@")
      string(COMPARE EQUAL "${line}" "@comports" inside)
    elseif(inside)
      string(REPLACE "`" "" line "${line}")
      list(APPEND rule "${line}")
    endif()
  endforeach()
  if(rule STREQUAL "")
    message(FATAL_ERROR "src/app/help/linux.rules has no @comports paragraph")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/src/app/help/linux.rules)
  set(${out} "${rule}" PARENT_SCOPE)
endfunction()
