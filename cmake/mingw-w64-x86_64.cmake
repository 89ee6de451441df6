# Cross build for 64-bit Windows with Debian's MinGW-w64 compiler, POSIX thread model (std::thread and
# std::mutex need it; the win32 model lacks them in GCC 12).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TIMECLOCK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TIMECLOCK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIMECLOCK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TIMECLOCK_MINGW_TRIPLET}-windres)

# Libraries, headers and CMake packages come from the target's root (plus any prefix the caller appends,
# such as the cross-built Qt); programs run during the build come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TIMECLOCK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
