# faceloom_layer(name [QT] dep...) makes the static library faceloom_<name> from
# src/<name>/**/*.cpp (every main.cpp excepted: a layer's program is its own target). QT
# marks a window layer built on Qt 6 Widgets; the core layers never see Qt.
#
# Each layer sees only its own headers and those of the layers it links (transitively): its
# include directory holds one link, <name> -> src/<name>, so `#include "model/..."` from a
# layer that may not include the model fails to compile instead of merely to link.
#
# A layer folder may add build steps of its own in src/<name>/layer.cmake, which is included
# with LAYER_TARGET set.
set(FACELOOM_LAYERS "")

# faceloom_include_view(target folder scope): target sees src/<folder>/ as "<folder>/...".
function(faceloom_include_view target folder scope)
  set(view ${CMAKE_BINARY_DIR}/include-views/${folder})
  file(MAKE_DIRECTORY ${view})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${view}/${folder} SYMBOLIC)
  target_include_directories(${target} ${scope} ${view})
endfunction()

function(faceloom_layer name)
  set(target faceloom_${name})
  set(deps ${ARGN})
  set(qt OFF)
  if("QT" IN_LIST deps)
    list(REMOVE_ITEM deps QT)
    set(qt ON)
  endif()
  # A layer may keep its files in sub-folders; they are included as "<name>/<sub>/...".
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.h)
  if(NOT sources)
    # A layer without sources yet is header-only.
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  else()
    add_library(${target} STATIC ${sources} ${headers})
    set(scope PUBLIC)
  endif()
  faceloom_include_view(${target} ${name} ${scope})
  foreach(dep IN LISTS deps)
    target_link_libraries(${target} ${scope} faceloom_${dep})
  endforeach()
  if(name STREQUAL "platform" OR name STREQUAL "animation")
    find_package(Threads REQUIRED)
    target_link_libraries(${target} ${scope} Threads::Threads)
  endif()
  if(qt)
    target_link_libraries(${target} ${scope} Qt6::Widgets)
    if(sources)
      set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON)
    endif()
  endif()
  set(LAYER_TARGET ${target})
  if(EXISTS ${PROJECT_SOURCE_DIR}/src/${name}/layer.cmake)
    include(${PROJECT_SOURCE_DIR}/src/${name}/layer.cmake)
  endif()
  set(FACELOOM_LAYERS ${FACELOOM_LAYERS} ${target} PARENT_SCOPE)
endfunction()
