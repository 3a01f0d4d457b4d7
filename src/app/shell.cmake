# The main window's artwork (our own SVG drawings, rendered with Qt SVG) and the version that
# `faceloom --version` prints. Included from the app layer's layer.cmake with LAYER_TARGET set.
target_sources(${LAYER_TARGET} PRIVATE ${PROJECT_SOURCE_DIR}/resources/icons/main/main_icons.qrc)
target_link_libraries(${LAYER_TARGET} PUBLIC Qt6::Svg)
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/app/command_line.cpp
                            PROPERTIES COMPILE_DEFINITIONS FACELOOM_VERSION="${PROJECT_VERSION}")
