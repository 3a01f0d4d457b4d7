# The dialogs' artwork: our own SVG drawings, compiled in and rendered with Qt SVG.
target_sources(${LAYER_TARGET} PRIVATE ${PROJECT_SOURCE_DIR}/resources/dialogs.qrc)
target_link_libraries(${LAYER_TARGET} PUBLIC Qt6::Svg)
