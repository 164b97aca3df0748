# The 32-bit Windows programs (PE32), which run on 32- and 64-bit Windows alike.
set(DRUVO_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
