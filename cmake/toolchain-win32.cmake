# 32-bit Windows build with MinGW-w64 (Debian g++-mingw-w64-i686).
#
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake
#
# Produces the deliverable DLLs (plugins/<name>.dll) and a Windows build of the
# host library and test suite. Programs are linked statically, so neither the
# DLLs nor the tests need the compiler's runtime DLLs. Test programs run through
# scripts/wine-run.sh (wine) when CTest or GoogleTest's discovery starts them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(se_mingw i686-w64-mingw32)
# Thread model of the compiler and its runtime (Debian ships both):
#   win32  the deliverable DLLs. A DLL linked with the "posix" model's static
#          runtime (libwinpthread) leaks one TLS index each time a host loads
#          and frees it, so a host that does so ~1000 times can load no more.
#   posix  the test suite: with GCC 12 only this model has std::mutex and
#          std::thread, which GoogleTest and some tests use.
set(SE_MINGW_THREADS win32 CACHE STRING "MinGW-w64 thread model: win32 (the DLLs) or posix (tests)")
find_program(CMAKE_C_COMPILER NAMES ${se_mingw}-gcc-${SE_MINGW_THREADS} REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${se_mingw}-g++-${SE_MINGW_THREADS} REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${se_mingw}-windres)
# Libraries built for this target elsewhere (scripts/win32-deps.sh) are found
# in SE_WIN32_DEPS as well as in the compiler's own folder.
set(SE_WIN32_DEPS "" CACHE PATH "Folder of libraries built for 32-bit Windows")
set(CMAKE_FIND_ROOT_PATH /usr/${se_mingw} ${SE_WIN32_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained programs: libgcc, libstdc++ and the C runtime glue linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

get_filename_component(se_source_root ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${se_source_root}/scripts/wine-run.sh)

set(SE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build the tests with")
