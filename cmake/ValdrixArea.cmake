# valdrix_area(NAME [DEPS ...] [GUI_DEPS ...] [PROGRAM exe])
# Makes the library `NAME` from the .cpp files of the folder NAME and its sub-folders
# (all but the folder's main.cpp), and, with PROGRAM, an executable from the folder's
# main.cpp linked to it. The code of every gui/ sub-folder is left out of it: with
# VALDRIX_GUI it forms the library `NAME_gui` (valdrix_area_gui). A folder with no
# sources yet gives an interface library, so the tree always configures.
function(valdrix_area name)
  cmake_parse_arguments(A "" "PROGRAM" "DEPS;GUI_DEPS" ${ARGN})
  valdrix_area_sources(${name} sources gui_sources)
  valdrix_library(${name} ${name} "${sources}" ${A_DEPS})
  if(VALDRIX_GUI)
    valdrix_area_gui(${name} DEPS ${A_GUI_DEPS})
  endif()
  if(A_PROGRAM AND EXISTS ${PROJECT_SOURCE_DIR}/${name}/main.cpp)
    add_executable(${A_PROGRAM} ${PROJECT_SOURCE_DIR}/${name}/main.cpp)
    target_link_libraries(${A_PROGRAM} PRIVATE ${name})
  endif()
endfunction()

# valdrix_area_gui(NAME [DEPS ...])
# Makes the library `NAME_gui` from the gui/ sub-folders of the folder NAME, linked to
# the library NAME and DEPS; nothing when the folder has no GUI code.
function(valdrix_area_gui name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  valdrix_area_sources(${name} sources gui_sources)
  if(gui_sources)
    valdrix_library(${name}_gui ${name} "${gui_sources}" ${name} ${A_DEPS})
  endif()
endfunction()

# The sources of the folder and its sub-folders but main.cpp, split into those outside
# and those inside a gui/ sub-folder.
function(valdrix_area_sources name out gui_out)
  set(dir ${PROJECT_SOURCE_DIR}/${name})
  file(GLOB_RECURSE all CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(REMOVE_ITEM all ${dir}/main.cpp)
  set(sources)
  set(gui_sources)
  foreach(src ${all})
    file(RELATIVE_PATH rel ${dir} ${src})
    if(rel MATCHES "(^|/)gui/")
      list(APPEND gui_sources ${src})
    else()
      list(APPEND sources ${src})
    endif()
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
  set(${gui_out} ${gui_sources} PARENT_SCOPE)
endfunction()

# A static library of the sources (an interface library when there are none); the
# folder's own headers are found by bare name, every other header from the project root.
function(valdrix_library target folder sources)
  if(sources)
    add_library(${target} STATIC ${sources})
    list(LENGTH sources count)
    if("${ARGN}" MATCHES "Qt6::Widgets|_gui")
      valdrix_pch(${target} ${count} QT)
    endif()
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/${folder} ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARGN})
    target_compile_definitions(${target} PUBLIC
      VALDRIX_VERSION="${PROJECT_VERSION}")
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/${folder} ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARGN})
  endif()
endfunction()
