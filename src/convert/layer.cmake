# The outside libraries conversion and import/export stand on, all from Debian packages
# (tools/install-deps.sh): libarchive (zip, jisp), libimagequant (palettes), giflib (GIF
# writing), libpng, libjpeg and libwebp (reading, PNG writing), expat (theme XML).
find_package(PkgConfig REQUIRED)
pkg_check_modules(FACELOOM_CONVERT_LIBS REQUIRED IMPORTED_TARGET libarchive imagequant libpng libjpeg libwebp
                  libwebpdemux expat)
find_path(GIFLIB_INCLUDE_DIR gif_lib.h REQUIRED)
find_library(GIFLIB_LIBRARY gif REQUIRED)
target_include_directories(${LAYER_TARGET} PRIVATE ${GIFLIB_INCLUDE_DIR})
target_link_libraries(${LAYER_TARGET} PUBLIC PkgConfig::FACELOOM_CONVERT_LIBS ${GIFLIB_LIBRARY})
