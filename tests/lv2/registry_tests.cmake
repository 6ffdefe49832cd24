# A registry too small for the bundle's plugins fails the build: the Turtle
# generator, with more plugin definitions than the registry holds, refuses.
get_target_property(se_ttl_sources se_lv2_ttl SOURCES)
get_target_property(se_ttl_dir se_lv2_ttl SOURCE_DIR)
list(TRANSFORM se_ttl_sources PREPEND ${se_ttl_dir}/ REGEX "^[^/]")
add_executable(lv2_ttl_registry_full ${se_ttl_sources}
                                     ${CMAKE_CURRENT_LIST_DIR}/registry_full_plugins.cpp)
target_link_libraries(lv2_ttl_registry_full PRIVATE se_lv2_objects)
target_include_directories(lv2_ttl_registry_full PRIVATE ${se_ttl_dir})
add_test(NAME lv2_registry_full_fails_the_build
  COMMAND lv2_ttl_registry_full ${CMAKE_CURRENT_BINARY_DIR}/registry_full_bundle x.so)
set_tests_properties(lv2_registry_full_fails_the_build PROPERTIES LABELS lv2 WILL_FAIL TRUE)
add_test(NAME lv2_registry_full_says_why
  COMMAND lv2_ttl_registry_full ${CMAKE_CURRENT_BINARY_DIR}/registry_full_bundle x.so)
set_tests_properties(lv2_registry_full_says_why PROPERTIES LABELS lv2
  PASS_REGULAR_EXPRESSION "[0-9]+ plugin definitions and 0 preset lists do not fit")
