# Shared by the mingw-w64 toolchain files: the posix-threads compilers (std::thread
# and std::mutex need them), static run-time libraries so that nothing but the
# system's DLLs has to stand beside the program, and wine to run what the build
# itself runs (the demo package generator, the tests).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${SSD_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SSD_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SSD_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SSD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
