# The synth plugin under the tests' liblilv host (lv2_rig): the behaviour
# tests of the engine (tests/synth/behaviour_test.cpp) played through the
# plugin, the plugin against the engine bit for bit, and its presets. Label: lv2.
if(NOT TARGET PkgConfig::LILV)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LILV IMPORTED_TARGET lilv-0)
endif()
if(TARGET PkgConfig::LILV)
  se_add_test(lv2_synth_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/synth_lv2_test.cpp ${CMAKE_CURRENT_LIST_DIR}/synth_lv2_player.cpp
            ${CMAKE_CURRENT_LIST_DIR}/lv2_rig.cpp ${PROJECT_SOURCE_DIR}/tests/synth/behaviour_test.cpp
    PLUGINS lv2_bundle
    LIBS PkgConfig::LILV synth_engine
    LABELS lv2)
  target_include_directories(lv2_synth_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/synth)
  target_compile_definitions(lv2_synth_tests PRIVATE SE_LV2_BUNDLE_DIR="${SE_LV2_BUNDLE_DIR}")
endif()
