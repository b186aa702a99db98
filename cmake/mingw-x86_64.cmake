# Cross build of the same sources for 64-bit Windows, the build that runs under wine64.
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
