# The windows' artwork: our own SVG drawings (dialog glyphs, toolbar images, button glyphs, the
# program picture), compiled in and rendered with Qt SVG; and the version that
# `faceloom --version` prints.
target_sources(${LAYER_TARGET} PRIVATE ${PROJECT_SOURCE_DIR}/resources/dialogs.qrc
                                       ${PROJECT_SOURCE_DIR}/resources/icons/main/main_icons.qrc)
target_link_libraries(${LAYER_TARGET} PUBLIC Qt6::Svg)
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/app/startup/command_line.cpp
                            PROPERTIES COMPILE_DEFINITIONS FACELOOM_VERSION="${PROJECT_VERSION}")

# The editor itself.
add_executable(faceloom ${PROJECT_SOURCE_DIR}/src/app/startup/main.cpp)
target_link_libraries(faceloom PRIVATE faceloom_app)
add_dependencies(faceloom faceloom_languages)
