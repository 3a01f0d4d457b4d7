include(${CMAKE_CURRENT_LIST_DIR}/shell.cmake)
