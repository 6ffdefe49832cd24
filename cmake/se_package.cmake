# The package a Windows user takes: `cpack` in the DLL build (build-win32)
# makes se-modules-<version>-win32.zip, holding in one folder the three DLLs,
# INSTALL.txt (how to install them), LICENSE.txt (the project's licence),
# VERSION.txt and SHA256SUMS.txt (the DLLs' checksums, `sha256sum -c` format),
# and writes the zip's own checksum beside it (.zip.sha256).
get_property(se_plugins GLOBAL PROPERTY SE_PLUGINS)
install(TARGETS ${se_plugins} LIBRARY DESTINATION . RUNTIME DESTINATION .)

configure_file(${CMAKE_CURRENT_LIST_DIR}/package_guide.txt.in ${CMAKE_BINARY_DIR}/package/INSTALL.txt
               @ONLY NEWLINE_STYLE WIN32)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/package/LICENSE.txt
               @ONLY NEWLINE_STYLE WIN32)
file(WRITE ${CMAKE_BINARY_DIR}/package/VERSION.txt "${PROJECT_VERSION}\r\n")
install(FILES ${CMAKE_BINARY_DIR}/package/INSTALL.txt ${CMAKE_BINARY_DIR}/package/LICENSE.txt
              ${CMAKE_BINARY_DIR}/package/VERSION.txt
        DESTINATION .)

# The checksums of the DLLs as installed, written into the package.
set(se_plugin_names "")
foreach(plugin IN LISTS se_plugins)
  list(APPEND se_plugin_names "$<TARGET_FILE_NAME:${plugin}>")
endforeach()
install(CODE "set(se_files \"${se_plugin_names}\")")
install(CODE [[
  set(dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  set(sums "")
  foreach(f IN LISTS se_files)
    file(SHA256 "${dir}/${f}" hash)
    string(APPEND sums "${hash}  ${f}\n")
  endforeach()
  file(WRITE "${dir}/SHA256SUMS.txt" "${sums}")
]])

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME se-modules)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME se-modules-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
