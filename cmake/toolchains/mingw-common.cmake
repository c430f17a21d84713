# What both Windows builds share: the mingw-w64 compilers of the posix thread model (the one in
# which std::thread and std::mutex exist), a static runtime so that the programs need no DLL
# beyond the system's, and GoogleTest built from Debian's sources for the target.
# MINGW_TRIPLET names the target before this file is included.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# find_package(GTest) finds googletest/GTestConfig.cmake, which builds the sources.
set(GTest_DIR ${CMAKE_CURRENT_LIST_DIR}/googletest CACHE PATH "GoogleTest for the target")
