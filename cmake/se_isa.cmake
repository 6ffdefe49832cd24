# Lanes compiled for a wider x86 instruction set than the build's own (AVX),
# which the code calling them chooses at run time where the processor has it
# (modules/common/cpu_features.h). Built on x86 with GCC or Clang, not for
# Windows (whose 32-bit stack GCC does not always align for AVX registers)
# and not in sanitizer builds (which check the SSE2 lanes, the same source).
#
# se_isa_objects(<target> ISA <set>): an object library of the .cpp files of
# the current folder, compiled with -m<set> and SE_LANES_ISA=<set>, so that
# their lane types and every inline function taking them are named after the
# set. se_isa_check(<target>) adds the test <target>_links_apart, which
# checks the objects: a weak symbol not named after the set (an inline
# function of the plain build, emitted here with the wider instructions)
# could stand in for the plain one at link time and stop a processor without
# the set.
check_cxx_source_compiles("#if !defined(__x86_64__) && !defined(__i386__)\n#error\n#endif\nint main() { return 0; }"
                          SE_TARGET_IS_X86)
if(SE_TARGET_IS_X86 AND NOT WIN32 AND NOT SE_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(SE_ISA_LANES ON)
else()
  set(SE_ISA_LANES OFF)
endif()

function(se_isa_objects target)
  cmake_parse_arguments(ARG "" "ISA" "LIBS" ${ARGN})
  se_folder_sources(sources)
  add_library(${target} OBJECT ${sources})
  target_compile_options(${target} PRIVATE -m${ARG_ISA})
  target_compile_definitions(${target} PRIVATE SE_LANES_ISA=${ARG_ISA})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS})
  set_target_properties(${target} PROPERTIES SE_ISA ${ARG_ISA})
endfunction()

function(se_isa_check target)
  get_target_property(isa ${target} SE_ISA)
  add_test(NAME ${target}_links_apart
           COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DISA=${isa}
                   "-DOBJECTS=$<JOIN:$<TARGET_OBJECTS:${target}>,,>" -P
                   ${PROJECT_SOURCE_DIR}/cmake/se_isa_check.cmake)
endfunction()
