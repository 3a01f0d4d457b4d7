# `cmake --install`: the programs keep their data beside them as they find it at run time
# ("Languages/" next to the executable), so they go to <libdir>/faceloom with the languages,
# and <bindir> holds links to them. The desktop entry and the program icon go where the
# freedesktop menus and icon themes look.
include(GNUInstallDirs)

set(FACELOOM_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/faceloom)

foreach(program faceloom faceloom-pack)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${FACELOOM_INSTALL_DIR})
  # A relative link, so that the installed tree can be moved (DESTDIR, packaging).
  file(RELATIVE_PATH link_target /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${FACELOOM_INSTALL_DIR}/${program})
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(CREATE_LINK \"${link_target}\" \"\${bin}/${program}\" SYMBOLIC)
    message(STATUS \"Installing: \${bin}/${program} -> ${link_target}\")")
endforeach()

if(TARGET faceloom_languages)
  install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Languages/ DESTINATION ${FACELOOM_INSTALL_DIR}/Languages
          FILES_MATCHING PATTERN "*.lng")
endif()

if(FACELOOM_WINDOWS AND TARGET faceloom_icons)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/faceloom.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size IN LISTS FACELOOM_ICON_SIZES)
    install(FILES ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps/faceloom.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/main/faceloom.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
