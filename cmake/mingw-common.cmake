# MinGW-w64 with the posix thread model: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER   ${KESTRUNE_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRUNE_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${KESTRUNE_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KESTRUNE_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every test program runs under Wine in the build's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
