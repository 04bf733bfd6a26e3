# Cross-compiling for 64-bit Windows with the distribution's mingw-w64 (the
# compilers with POSIX threads, which std::thread and std::mutex need).
# Programs are linked statically, so they run without the compiler's DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VARN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VARN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Tests run under wine when cross-compiled.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
