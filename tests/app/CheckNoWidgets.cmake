# cmake -DLINKS=... -DPROGRAMS=... -DCONTROL_LINKS=... -DCONTROL_PROGRAM=... -P CheckNoWidgets.cmake
# Fails when a name of LINKS (a library's link closure) or a shared library
# that a program of PROGRAMS loads is Qt Widgets. CONTROL_LINKS and
# CONTROL_PROGRAM are a library and a program that do use Widgets: the
# check must find it there.
cmake_minimum_required(VERSION 3.25)

set(widgets_name "Widgets")
set(widgets_file "libQt[0-9]*Widgets")

# The shared libraries a program loads, all the way down.
function(loaded_libraries program out)
  if(NOT EXISTS "${program}")
    message(FATAL_ERROR "no program ${program}")
  endif()
  file(GET_RUNTIME_DEPENDENCIES EXECUTABLES "${program}"
    RESOLVED_DEPENDENCIES_VAR found UNRESOLVED_DEPENDENCIES_VAR missing)
  set(${out} ${found} ${missing} PARENT_SCOPE)
endfunction()

# The check sees what it looks for where it is.
set(control ${CONTROL_LINKS})
list(FILTER control INCLUDE REGEX "${widgets_name}")
if(NOT control)
  message(FATAL_ERROR "the check is broken: no Widgets among the windows' links: ${CONTROL_LINKS}")
endif()
loaded_libraries("${CONTROL_PROGRAM}" control_loaded)
list(FILTER control_loaded INCLUDE REGEX "${widgets_file}")
if(NOT control_loaded)
  message(FATAL_ERROR "the check is broken: ${CONTROL_PROGRAM} loads no Widgets library")
endif()

set(core ${LINKS})
if(NOT "engine" IN_LIST core)
  message(FATAL_ERROR "the check is broken: the shrink core's links miss engine: ${LINKS}")
endif()
list(FILTER core INCLUDE REGEX "${widgets_name}")
if(core)
  message(FATAL_ERROR "the shrink core links ${core} (its links: ${LINKS})")
endif()
foreach(program IN LISTS PROGRAMS)
  loaded_libraries("${program}" loaded)
  list(FILTER loaded INCLUDE REGEX "${widgets_file}")
  if(loaded)
    message(FATAL_ERROR "${program} loads ${loaded}")
  endif()
  message(STATUS "${program}: no Widgets")
endforeach()
message(STATUS "shrink core links, none of them Widgets: ${LINKS}")
