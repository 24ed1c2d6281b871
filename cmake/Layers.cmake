# The layers of the program. Each is a static library that links only the
# layers below it, and whose sources see only the headers of the folders
# it may use: a folder of links to those headers (an include root) stands
# in for src/, so an upward #include names a file that is not there.

# The core layers in the order they were declared, lowest first.
set_property(GLOBAL PROPERTY VELMORA_CORE_LAYERS "")

# Makes <build>/include-roots/<name> hold a link to every header of each
# folder given (relative to src/, one level: "results" shows results/*.h,
# not results/ui/*.h) and sets VELMORA_ROOT to it.
function(velmora_include_root name)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${name})
  file(REMOVE_RECURSE ${root})
  foreach(folder IN LISTS ARGN)
    file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.h)
    file(MAKE_DIRECTORY ${root}/${folder})
    foreach(header IN LISTS headers)
      get_filename_component(file ${header} NAME)
      file(CREATE_LINK ${header} ${root}/${folder}/${file} SYMBOLIC)
    endforeach()
  endforeach()
  set(VELMORA_ROOT ${root} PARENT_SCOPE)
endfunction()

# velmora_layer(<folder> <sources>... [BELOW <folder>]): the core layer of
# src/<folder>, above every layer declared before it.
function(velmora_layer name)
  cmake_parse_arguments(LAYER "" "BELOW" "" ${ARGN})
  get_property(layers GLOBAL PROPERTY VELMORA_CORE_LAYERS)
  list(APPEND layers ${name})
  set_property(GLOBAL PROPERTY VELMORA_CORE_LAYERS ${layers})
  add_library(velmora_${name} STATIC ${LAYER_UNPARSED_ARGUMENTS})
  velmora_include_root(${name} ${layers})
  target_include_directories(velmora_${name} PRIVATE ${VELMORA_ROOT})
  if(LAYER_BELOW)
    target_link_libraries(velmora_${name} PUBLIC velmora_${LAYER_BELOW})
  endif()
  velmora_strict(velmora_${name})
endfunction()

# The core layers up to and including <name>, into <out>.
function(velmora_layers_up_to name out)
  get_property(layers GLOBAL PROPERTY VELMORA_CORE_LAYERS)
  list(FIND layers ${name} at)
  if(at LESS 0)
    message(FATAL_ERROR "No core layer ${name}")
  endif()
  math(EXPR count "${at} + 1")
  list(SUBLIST layers 0 ${count} seen)
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# velmora_ui_layer(<target> CORE <folder> FOLDERS <ui folders>... SOURCES
# <sources>... LINKS <targets>...): a Qt library that sees the core up to
# <folder> and the UI folders given.
function(velmora_ui_layer target)
  cmake_parse_arguments(LAYER "" "CORE" "FOLDERS;SOURCES;LINKS" ${ARGN})
  velmora_layers_up_to(${LAYER_CORE} core)
  add_library(${target} STATIC ${LAYER_SOURCES})
  velmora_include_root(${target} ${core} ${LAYER_FOLDERS})
  target_include_directories(${target} PRIVATE ${VELMORA_ROOT})
  target_link_libraries(${target} PUBLIC velmora_${LAYER_CORE} ${LAYER_LINKS} Qt6::Widgets Qt6::Svg)
  velmora_strict(${target})
endfunction()
