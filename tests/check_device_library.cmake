# The device library stays free of the window: it links Qt Core only, no file
# under src/core includes a widget, GUI or chart header or a header of
# src/window, and the command-line programs load no Qt Gui or Widgets library.
# Run by CTest as: cmake -DSOURCE_DIR=... -DLINKS=... -DGUI_HEADERS=... -DPROGRAMS=... -P
cmake_minimum_required(VERSION 3.16)

foreach(link IN LISTS LINKS)
  if(link MATCHES "Qt5::(Gui|Widgets|PrintSupport)|QCustomPlot|torvel_window")
    message(FATAL_ERROR "torvel_device links ${link}")
  endif()
endforeach()

# Header names the GUI modules provide (QWidget, qpainter.h, ...).
set(forbidden qcustomplot.h)
foreach(dir IN LISTS GUI_HEADERS)
  file(GLOB names RELATIVE ${dir} ${dir}/*)
  list(APPEND forbidden ${names})
endforeach()

file(GLOB_RECURSE sources ${SOURCE_DIR}/src/core/*.h ${SOURCE_DIR}/src/core/*.cpp)
foreach(source IN LISTS sources)
  file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" name "${line}")
    get_filename_component(base ${name} NAME)
    if(name MATCHES "^Qt(Gui|Widgets|PrintSupport)/" OR base IN_LIST forbidden)
      message(FATAL_ERROR "${source} includes ${name}, a GUI header")
    endif()
    if(NOT EXISTS ${SOURCE_DIR}/src/core/${name} AND EXISTS ${SOURCE_DIR}/src/window/${name})
      message(FATAL_ERROR "${source} includes ${name} from src/window")
    endif()
  endforeach()
endforeach()

foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ldd ${program} OUTPUT_VARIABLE loaded RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "ldd ${program} failed")
  endif()
  if(loaded MATCHES "libQt5(Gui|Widgets|PrintSupport)|libqcustomplot")
    message(FATAL_ERROR "${program} loads a GUI library:\n${loaded}")
  endif()
  if(NOT loaded MATCHES "libQt5Core")
    message(FATAL_ERROR "${program}: no Qt Core among\n${loaded}")
  endif()
endforeach()
message(STATUS "torvel_device and the command-line programs are free of Qt Gui and Widgets")
