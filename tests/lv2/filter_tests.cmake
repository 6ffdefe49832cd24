# The filter plugins under clients no one here wrote (lv2ls, lv2info,
# lv2apply against se-host render, lv2bench, jalv on a dummy JACK server),
# and under a small liblilv host of the test's own. Label: lv2.
if(NOT TARGET PkgConfig::LILV)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LILV IMPORTED_TARGET lilv-0)
endif()

get_filename_component(se_lv2_path ${SE_LV2_BUNDLE_DIR} DIRECTORY)
if(TARGET se-host)
  se_add_test(lv2_filter_tools_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/filter_tools_test.cpp
    PLUGINS lv2_bundle ladder_filter se-host
    LIBS host_render ladder_filter_public
    LABELS lv2)
  target_compile_definitions(lv2_filter_tools_tests PRIVATE
    SE_HOST_PROGRAM="$<TARGET_FILE:se-host>" SE_LV2_PATH="${se_lv2_path}")
  if(SE_SANITIZE)
    # A sanitized bundle loads only into sanitized programs, which the LV2
    # tools are not; the liblilv host below runs it under the sanitizers.
    target_compile_definitions(lv2_filter_tools_tests PRIVATE SE_SANITIZED_BUNDLE)
  endif()
endif()

if(LILV_FOUND)
  se_add_test(lv2_filter_plugin_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/filter_plugin_test.cpp
    PLUGINS lv2_bundle ladder_filter
    LIBS PkgConfig::LILV
    LABELS lv2)
  target_compile_definitions(lv2_filter_plugin_tests PRIVATE SE_LV2_PATH="${se_lv2_path}")
endif()

if(SE_SANITIZE)
  set(se_jalv_skip "the bundle is built with sanitizers")
else()
  set(se_jalv_skip "")
endif()
add_test(NAME lv2_filter_jalv
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/filter_jalv_test.sh ${se_lv2_path} "${se_jalv_skip}")
set_tests_properties(lv2_filter_jalv PROPERTIES LABELS lv2 SKIP_RETURN_CODE 77 TIMEOUT 40)

add_test(NAME lv2_filter_install
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/filter_install_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(lv2_filter_install PROPERTIES LABELS lv2 SKIP_RETURN_CODE 77 TIMEOUT 60)

# The bundle's Turtle files against the LV2 schemas (lv2_validate, from
# lv2-dev, runs sord_validate from sordi). sord_validate exits 0 whatever it
# finds, so the test reads its count of errors.
add_test(NAME lv2_bundle_validate
  COMMAND sh -c "command -v sord_validate >/dev/null || { echo 'SKIPPED: sord_validate is not installed (Debian package sordi)'; exit 77; }; lv2_validate \"$0\"/*.ttl > \"$1\" 2>&1; status=$?; grep -v '^Skipping' \"$1\"; [ $status -eq 0 ] && grep -q '^Found 0 errors' \"$1\"" ${SE_LV2_BUNDLE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/lv2_validate.log)
set_tests_properties(lv2_bundle_validate PROPERTIES LABELS lv2 SKIP_RETURN_CODE 77 TIMEOUT 60)

# The wrapper's output level and bypass on their own.
se_add_test(lv2_output_stage_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/output_stage_test.cpp ${PROJECT_SOURCE_DIR}/lv2/core/output_stage.cpp
  LABELS lv2)
target_include_directories(lv2_output_stage_tests PRIVATE ${PROJECT_SOURCE_DIR}/lv2/core)

# Control values as the wrappers read them, and ports made from the pins' metadata.
se_add_test(lv2_control_value_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/control_value_test.cpp
  LIBS se_lv2_objects
  LABELS lv2)
