# Every plugin of the bundle in Debian's Ardour, headless (ardour7-lua):
# found, on a track, controls listed, presets in any order, the session saved
# and loaded again. Skips where Ardour is not installed. Label: lv2.
if(SE_SANITIZE)
  set(se_ardour_skip "the bundle is built with sanitizers")
else()
  set(se_ardour_skip "")
endif()
add_test(NAME lv2_bundle_in_ardour
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/ardour_test.sh ${SE_LV2_BUNDLE_DIR} "${se_ardour_skip}")
set_tests_properties(lv2_bundle_in_ardour PROPERTIES LABELS lv2 SKIP_RETURN_CODE 77 TIMEOUT 330
  RESOURCE_LOCK ardour)
