# The WebAssembly build, with Debian's Emscripten:
#   emcmake cmake -S . -B build-web && cmake --build build-web
#   ctest --test-dir build-web            (the scenario programs under Node.js, the page's tests)
#
# What differs from the other builds:
#  - No plugin files (the platform has no dynamic libraries): every program
#    runs the modules compiled in, through the runner's static module table
#    (se_static_modules). SE_PLUGIN_FILES is OFF.
#  - No command-line tool, benchmarks or LV2 bundle (their libraries do not
#    exist for the platform); the tests are the programs that check the bits
#    (fixed and synth scenarios) and the page's tests (tests/web/).
#  - The lane types use WebAssembly SIMD128 (modules/common/simd_lanes_wasm.h).
#  - Floats and doubles are IEEE single and double with round-to-nearest, no
#    wider registers and no fused multiply-add (-ffp-contract=off as
#    everywhere), so the modules compute the bits of every other build.
#  - The page's module (web/) is a bare .wasm with its own small glue in the
#    page; programs run under Node.js are single .js files with the .wasm
#    inside (-sSINGLE_FILE), reading the machine's files directly (-sNODERAWFS).
#
# Included from the top CMakeLists.txt before the options, so the defaults
# below are what a plain configure gets.

set(SE_BUILD_TOOLS OFF CACHE BOOL "Build the command-line tool (needs libsndfile, CLI11, nlohmann-json)")
set(SE_BUILD_BENCH OFF CACHE BOOL "Build the benchmarks")
set(SE_BUILD_LV2 OFF CACHE BOOL "Build the LV2 bundle")
if(SE_BUILD_TOOLS OR SE_BUILD_BENCH OR SE_BUILD_LV2 OR SE_BUILD_FUZZ)
  message(FATAL_ERROR "The WebAssembly build makes no tool, benchmark, LV2 bundle or fuzz target: "
                      "configure it with -DSE_BUILD_TOOLS=OFF -DSE_BUILD_BENCH=OFF -DSE_BUILD_LV2=OFF")
endif()
set(SE_PLUGIN_FILES OFF)

# Emscripten 3.1.6's emcmake hands CMake a Node.js flag that Node 18 and
# later refuse; the programs need none.
list(REMOVE_ITEM CMAKE_CROSSCOMPILING_EMULATOR --experimental-wasm-threads)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CROSSCOMPILING_EMULATOR}" CACHE FILEPATH
    "Path to the emulator for the target system." FORCE)
list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 SE_NODE)

# Emscripten's JavaScript optimizer, which every link of a .js runs, finds
# Debian's acorn only through NODE_PATH.
set(SE_NODE_PATH /usr/share/nodejs CACHE PATH "Where Node.js finds the packages Emscripten's tools use")
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${SE_NODE_PATH})
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${SE_NODE_PATH})

# SIMD128 for the lane types; the toolchain's C++ library lacks a few C++20
# additions the sources use, supplied by one forced header.
add_compile_options(-msimd128 "SHELL:-include ${PROJECT_SOURCE_DIR}/web/compat/libcxx_compat.h")
# No vectorizing by the compiler: the vector code is ours (the lane types).
# Clang 14's vectorizers for WebAssembly changed the filter voices' results in
# lanes (the lane tests under Node.js show it), and they buy nothing measurable
# here. After -O3 in the command line, which would turn them on again.
add_compile_options(-fno-slp-vectorize -fno-vectorize)

# The folder a static server serves: the page's files and synth.wasm (web/).
set(SE_WEB_DIR ${CMAKE_BINARY_DIR}/web)

# Conversions of a float to an integer never rely on what an out-of-range
# value gives (x86 answers INT32_MIN; WebAssembly's instructions trap or
# saturate, and the compiler's default guard answers INT32_MIN again). With
# this option every such conversion that meets an out-of-range value traps,
# so the tests show any code that reaches one; CI's web build turns it on.
# The page a user builds keeps it off: an out-of-range conversion there gives
# the x86 answer instead of stopping the sound.
option(SE_WEB_TRAP_CONVERSIONS "Trap at any float-to-integer conversion of an out-of-range value" OFF)
if(SE_WEB_TRAP_CONVERSIONS)
  add_compile_options(-fsanitize=float-cast-overflow -fsanitize-trap=float-cast-overflow)
endif()

# se_node_program(<target>): a program the tests run under Node.js.
function(se_node_program target)
  target_link_options(${target} PRIVATE -sSINGLE_FILE=1 -sNODERAWFS=1 -sENVIRONMENT=node
                      -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1)
endfunction()
