# GoogleTest for the test suite: the installed package, or, when
# SE_GTEST_SOURCE_DIR names a GoogleTest source tree (Debian's googletest
# package installs one in /usr/src/googletest), built here with this build's
# compiler. The 32-bit and Windows builds need the latter, since the packaged
# library is built for the machine's own 64-bit ABI only.
set(SE_GTEST_SOURCE_DIR "" CACHE PATH "GoogleTest sources to build the tests with (empty: installed package)")

if(SE_GTEST_SOURCE_DIR)
  if(NOT EXISTS ${SE_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "SE_GTEST_SOURCE_DIR=${SE_GTEST_SOURCE_DIR} holds no GoogleTest sources "
                        "(Debian: apt-get install googletest)")
  endif()
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  # GoogleTest is not ours: its own warnings never fail our build.
  add_subdirectory(${SE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(lib gtest gtest_main gmock gmock_main)
    if(TARGET ${lib})
      target_compile_options(${lib} PRIVATE -w)
      if(NOT TARGET GTest::${lib})
        add_library(GTest::${lib} ALIAS ${lib})
      endif()
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
