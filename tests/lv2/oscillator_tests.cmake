# The oscillator plugin: its MIDI side on its own, and the plugin under a
# liblilv host of the tests' own (lv2_rig) that loads this build's bundle, or
# the bundles on LV2_PATH when it is set. Label: lv2.
se_add_test(lv2_midi_voice_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/midi_voice_test.cpp
          ${PROJECT_SOURCE_DIR}/lv2/oscillator/midi_voice.cpp
  LABELS lv2)
target_include_directories(lv2_midi_voice_tests PRIVATE ${PROJECT_SOURCE_DIR}/lv2/oscillator)

if(NOT TARGET PkgConfig::LILV)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LILV IMPORTED_TARGET lilv-0)
endif()
if(TARGET PkgConfig::LILV)
  se_add_test(lv2_oscillator_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/oscillator_lv2_test.cpp ${CMAKE_CURRENT_LIST_DIR}/lv2_rig.cpp
    PLUGINS lv2_bundle
    LIBS PkgConfig::LILV
    LABELS lv2)
  target_compile_definitions(lv2_oscillator_tests PRIVATE
    SE_LV2_BUNDLE_DIR="${SE_LV2_BUNDLE_DIR}"
    SE_LV2_OSCILLATOR_URI="urn:ladder-osc-modules:oscillator")
endif()
if(TARGET PkgConfig::LILV)
  # Renders of every plugin, hashed: the wrappers' code must not move a bit.
  se_add_test(lv2_render_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/renders_test.cpp ${CMAKE_CURRENT_LIST_DIR}/lv2_rig.cpp
    PLUGINS lv2_bundle
    LIBS PkgConfig::LILV
    LABELS lv2)
  target_compile_definitions(lv2_render_tests PRIVATE SE_LV2_BUNDLE_DIR="${SE_LV2_BUNDLE_DIR}")
endif()

# The wrappers' own parts (the atom sequence reader, the output limit), and
# every plugin under the hosts its Turtle description allows (features,
# options, shared buffers, bad events, the output ceiling).
se_add_test(lv2_core_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sequence_reader_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/output_limit_test.cpp
  LABELS lv2)
target_include_directories(lv2_core_tests PRIVATE ${PROJECT_SOURCE_DIR}/lv2/core
                                                  ${SE_LV2_INCLUDE_DIR})
if(TARGET PkgConfig::LILV)
  se_add_test(lv2_host_contract_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/host_contract_test.cpp ${CMAKE_CURRENT_LIST_DIR}/lv2_rig.cpp
    PLUGINS lv2_bundle
    LIBS PkgConfig::LILV
    LABELS lv2)
  target_compile_definitions(lv2_host_contract_tests PRIVATE
    SE_LV2_BUNDLE_DIR="${SE_LV2_BUNDLE_DIR}")
endif()
