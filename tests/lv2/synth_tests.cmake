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
            ${CMAKE_CURRENT_LIST_DIR}/synth_run_alloc_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/lv2_rig.cpp ${PROJECT_SOURCE_DIR}/tests/synth/behaviour_test.cpp
    PLUGINS lv2_bundle
    LIBS PkgConfig::LILV synth_engine
    LABELS lv2)
  target_include_directories(lv2_synth_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/synth)
  target_compile_definitions(lv2_synth_tests PRIVATE SE_LV2_BUNDLE_DIR="${SE_LV2_BUNDLE_DIR}")
endif()

# `se-host synth` against the plugin, bit for bit (where the tool is built).
if(TARGET PkgConfig::LILV AND TARGET se-host)
  se_add_test(lv2_synth_cli_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/synth_cli_lv2_test.cpp ${CMAKE_CURRENT_LIST_DIR}/lv2_rig.cpp
    PLUGINS lv2_bundle se-host
    LIBS PkgConfig::LILV host_render synth_song synth_engine
    LABELS lv2)
  target_include_directories(lv2_synth_cli_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/synth
                                                         ${PROJECT_SOURCE_DIR}/tests/cli)
  target_compile_definitions(lv2_synth_cli_tests PRIVATE SE_LV2_BUNDLE_DIR="${SE_LV2_BUNDLE_DIR}"
                                                         SE_HOST_PROGRAM="$<TARGET_FILE:se-host>")
endif()

# lv2ls and lv2info find the synth with its presets.
add_test(NAME lv2_synth_tools
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/synth_tools_test.sh ${CMAKE_BINARY_DIR}/lv2)
set_tests_properties(lv2_synth_tools PROPERTIES LABELS lv2 SKIP_RETURN_CODE 77)

# jalv plays the synth on a dummy JACK server: MIDI in, sound out, a control
# from jalv's command line heard. Ardour plays it on its dummy backend: MIDI
# into a track, the track's meter hears notes, Volume, the chord, the pedal
# and all notes off (one Ardour test at a time). Not with sanitizers (neither
# host can load them).
if(SE_SANITIZE)
  set(se_synth_host_skip "the bundle is built with sanitizers")
else()
  set(se_synth_host_skip "")
endif()
get_filename_component(se_synth_lv2_path ${SE_LV2_BUNDLE_DIR} DIRECTORY)
add_test(NAME lv2_synth_jalv
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/synth_jalv_test.sh ${se_synth_lv2_path}
                 "${se_synth_host_skip}")
set_tests_properties(lv2_synth_jalv PROPERTIES LABELS lv2 SKIP_RETURN_CODE 77 TIMEOUT 60)
add_test(NAME lv2_synth_in_ardour
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/ardour_test.sh ${SE_LV2_BUNDLE_DIR}
                 "${se_synth_host_skip}" ardour_synth.lua)
set_tests_properties(lv2_synth_in_ardour PROPERTIES LABELS lv2 SKIP_RETURN_CODE 77 TIMEOUT 330
                                                    RESOURCE_LOCK ardour)
