# 64-bit Windows: the same sources, compiled and tested so that nothing assumes
# 32-bit pointers.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SSD_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
