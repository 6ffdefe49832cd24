# 32-bit x86 Linux build with the host's g++ (-m32, Debian g++-multilib).
#
#   cmake -S . -B build-linux32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-linux32.cmake
#
# The records in sdk/se_abi.h then have exactly their 32-bit layouts, which the
# compiler checks. Only the 64-bit GoogleTest library is packaged, so the test
# suite builds GoogleTest from Debian's source package (googletest) instead.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(SE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build the tests with")
