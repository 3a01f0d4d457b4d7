# Embeds the built-in pictures resources/smile<id>.gif in faceloom_pictures: at build time a
# generated source defines BuiltinResources() with their bytes.
#
# The same file is the generating script (cmake -P, with OUTPUT and RESOURCES set), so the
# layout of the generated source lives in one place.

if(CMAKE_SCRIPT_MODE_FILE)
  file(GLOB INPUTS ${RESOURCES}/smile*.gif)
  list(SORT INPUTS)
  set(entries "")
  set(arrays "")
  set(index 0)
  foreach(input IN LISTS INPUTS)
    get_filename_component(name ${input} NAME_WE)
    string(REGEX REPLACE "^smile" "" id ${name})
    file(READ ${input} hex HEX)
    file(SIZE ${input} size)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # Sixteen bytes a line.
    string(REPEAT "0x..," 16 line)
    string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "const uint8_t kResource${index}[] = {\n    ${bytes}\n};\n\n")
    string(APPEND entries "    {${id}, kResource${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  file(WRITE ${OUTPUT}.tmp
"// Generated at build time from resources/smile*.gif by src/pictures/layer.cmake.
#include \"pictures/builtin_pictures.h\"

namespace faceloom {

namespace {

${arrays}const TBuiltinResource kResources[] = {
${entries}};

}  // namespace

std::span<const TBuiltinResource> BuiltinResources() { return kResources; }

}  // namespace faceloom
")
  # Rewrite only on a change, so that the library is not rebuilt needlessly.
  file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
  file(REMOVE ${OUTPUT}.tmp)
  return()
endif()

file(GLOB builtin_pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/smile*.gif)
list(SORT builtin_pictures)
set(builtin_source ${CMAKE_BINARY_DIR}/generated/builtin_resources.cpp)
add_custom_command(
  OUTPUT ${builtin_source}
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${builtin_source} -DRESOURCES=${PROJECT_SOURCE_DIR}/resources
          -P ${PROJECT_SOURCE_DIR}/src/pictures/layer.cmake
  DEPENDS ${builtin_pictures} ${PROJECT_SOURCE_DIR}/src/pictures/layer.cmake
  COMMENT "Embedding the built-in pictures"
  VERBATIM)
target_sources(${LAYER_TARGET} PRIVATE ${builtin_source})
