# The floating drag image asks the X server whether a compositing manager runs, through the
# connection Qt made (libxcb). Without libxcb's headers that answer is "no".
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(FACELOOM_XCB QUIET IMPORTED_TARGET xcb)
endif()
if(FACELOOM_XCB_FOUND)
  target_link_libraries(${LAYER_TARGET} PRIVATE PkgConfig::FACELOOM_XCB)
  target_compile_definitions(${LAYER_TARGET} PRIVATE FACELOOM_HAVE_XCB=1)
endif()
