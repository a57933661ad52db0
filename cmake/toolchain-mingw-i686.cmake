set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
# The posix thread model: GoogleTest (the Wine tests) needs std::mutex, which the
# win32 thread model of Debian's default mingw-w64 compilers lacks. With -static the
# thread library is linked in, so the binaries still need no extra DLL. Its one call that
# Windows XP lacks, GetTickCount64, is bound at run time (endpoint/coreaudio/tick_count64.cpp);
# tests/wine/binaries checks the import tables.
if(EXISTS /usr/bin/${TOOLCHAIN_PREFIX}-g++-posix)
  set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
  set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
else()
  set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc)
  set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++)
endif()
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test executables run under Wine (the harness sets WINEPREFIX and friends); 32-bit
# programs need Debian's wine32 and a kernel that runs 32-bit programs.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
