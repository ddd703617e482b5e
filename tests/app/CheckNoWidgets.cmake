# cmake -DLINKS=file -DCONTROL=target -DPROGRAMS=... -DCONTROL_PROGRAM=... -P CheckNoWidgets.cmake
# LINKS holds one line per target, "target: the targets it links". Fails
# when a target but CONTROL links Qt Widgets, or when a program of PROGRAMS
# loads a Widgets library. CONTROL and CONTROL_PROGRAM do use Widgets: the
# check must find it there.
cmake_minimum_required(VERSION 3.25)

set(widgets_target "^Qt[0-9]*::Widgets")
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

file(STRINGS "${LINKS}" lines)
set(checked 0)
set(control_seen FALSE)
foreach(line IN LISTS lines)
  string(REGEX MATCH "^([^:]+): (.*)$" _ "${line}")
  set(target "${CMAKE_MATCH_1}")
  set(linked "${CMAKE_MATCH_2}")
  set(widgets ${linked})
  list(FILTER widgets INCLUDE REGEX "${widgets_target}")
  if(target STREQUAL CONTROL)
    set(control_seen TRUE)
    if(NOT widgets)
      message(FATAL_ERROR "the check is broken: ${CONTROL} links no Widgets: ${linked}")
    endif()
  elseif(widgets)
    message(FATAL_ERROR "${target} links ${widgets} (it links ${linked})")
  else()
    math(EXPR checked "${checked} + 1")
    message(STATUS "${target}: no Widgets among ${linked}")
  endif()
endforeach()
if(NOT control_seen OR checked EQUAL 0)
  message(FATAL_ERROR "the check is broken: ${LINKS} lists no target to check or no ${CONTROL}")
endif()

loaded_libraries("${CONTROL_PROGRAM}" control_loaded)
list(FILTER control_loaded INCLUDE REGEX "${widgets_file}")
if(NOT control_loaded)
  message(FATAL_ERROR "the check is broken: ${CONTROL_PROGRAM} loads no Widgets library")
endif()
foreach(program IN LISTS PROGRAMS)
  loaded_libraries("${program}" loaded)
  list(FILTER loaded INCLUDE REGEX "${widgets_file}")
  if(loaded)
    message(FATAL_ERROR "${program} loads ${loaded}")
  endif()
  message(STATUS "${program}: loads no Widgets library")
endforeach()
