# se_add_plugin(<name> [CHECKS] [TEST] [SOURCES <files...>] [LIBS <targets...>])
#
# Builds one module library: the module's sources (the C++ files of its folder,
# se_folder_sources; plugins of the tests, whose folders hold other programs
# too, name theirs) plus the framework, compiled
# with the framework's precondition checks (CHECKS) or without, and linked with
# the header libraries LIBS. The library is named after the deliverable,
# without a "lib" prefix, and exports only the two entry points. Deliverables
# land in SE_PLUGIN_DIR and are listed in the global property SE_PLUGINS;
# plugins made only for tests (TEST) land in SE_TEST_PLUGIN_DIR.
#
# A module's headers are private, but for those in its include/<name>/ folder:
# its pin list and pin metadata, and kernels that others run. Two targets say so:
#   <name>_public     include/ only: what front ends (host/, lv2/ wrappers,
#                     synth/, fuzz/, bench/) may include
#   <name>_internals  the module's folder as well, and LIBS: what the module's
#                     own sources and its unit tests (tests/<name>/) compile with
# A binary that holds several modules (lv2/) compiles each module's sources
# (global property SE_PLUGIN_SOURCES_<name>) with its <name>_internals.
function(se_add_plugin name)
  cmake_parse_arguments(ARG "CHECKS;TEST" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SOURCES)
    se_folder_sources(ARG_SOURCES)
  endif()
  if(ARG_TEST)
    set(out_dir ${SE_TEST_PLUGIN_DIR})
  else()
    set(out_dir ${SE_PLUGIN_DIR})
  endif()
  if(ARG_CHECKS)
    set(sdk plugin_framework_checked)
  else()
    set(sdk plugin_framework_unchecked)
  endif()
  if(NOT ARG_TEST)
    add_library(${name}_public INTERFACE)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/include)
      target_include_directories(${name}_public INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)
    endif()
    target_link_libraries(${name}_public INTERFACE plugin_framework_headers)
    add_library(${name}_internals INTERFACE)
    target_include_directories(${name}_internals INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name}_internals INTERFACE ${name}_public ${ARG_LIBS})
    set_property(GLOBAL APPEND PROPERTY SE_PLUGINS ${name})
  endif()
  # The module's sources, for binaries that hold several modules (lv2/).
  set(sources "")
  foreach(source IN LISTS ARG_SOURCES)
    get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND sources ${source})
  endforeach()
  set_property(GLOBAL PROPERTY SE_PLUGIN_SOURCES_${name} ${sources})
  # A platform without dynamic libraries (SE_PLUGIN_FILES OFF: WebAssembly)
  # gets the modules through se_static_modules only.
  if(NOT SE_PLUGIN_FILES)
    return()
  endif()
  add_library(${name} MODULE ${ARG_SOURCES} $<TARGET_OBJECTS:${sdk}>)
  target_link_libraries(${name} PRIVATE plugin_framework_headers)
  if(NOT ARG_TEST)
    target_link_libraries(${name} PRIVATE ${name}_internals)
  endif()
  # Only a module's own library exports its entry points under the C names.
  target_compile_definitions(${name} PRIVATE SE_PLUGIN_LIBRARY)
  if(ARG_CHECKS)
    target_compile_definitions(${name} PRIVATE SE_CHECKS)
  endif()
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${out_dir}
    RUNTIME_OUTPUT_DIRECTORY ${out_dir}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    # Self-contained DLL: the compiler's runtime is linked in.
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
