# Installing on Linux, and the Debian package made from the same rules.
#
# `cmake --install build [--prefix P]` puts in P (default /usr/local):
#   bin/se-host                                   the tool (host/cli/CMakeLists.txt)
#   lib/<arch>/se-modules/*.so                    the plugins it loads (SE_INSTALL_PLUGIN_DIR)
#   lib/lv2/ladder-osc-modules.lv2/               the LV2 bundle (~/.lv2 for a prefix in
#                                                 the home folder; lv2/CMakeLists.txt)
#   share/man/man1/se-host.1.gz                   the manual page (host/cli/)
#   share/bash-completion/completions/se-host     bash completion (host/cli/)
#   share/doc/ladder-osc-modules/                 copyright (the licence), changelog, README,
#                                                 docs/ and examples/
#
# `(cd build && cpack -G DEB)` packs whatever those rules install, with the
# prefix /usr, into build/ladder-osc-modules_<version>_<arch>.deb; anything
# added later with an install() rule is in the package too.
# scripts/check-deb.sh checks the package (lintian, unpacked and run).

set(SE_DEB_NAME ladder-osc-modules)
set(SE_AUTHORS "The ladder-osc-modules authors")
set(SE_MAINTAINER "${SE_AUTHORS} <ladder-osc-modules@users.noreply.invalid>")
set(SE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${SE_DEB_NAME})

get_property(se_plugins GLOBAL PROPERTY SE_PLUGINS)
install(TARGETS ${se_plugins} LIBRARY DESTINATION ${SE_INSTALL_PLUGIN_DIR} COMPONENT tool)

# The licence in Debian's machine-readable copyright format, its text taken
# from LICENSE (the lines after the copyright line, each indented by one
# space, an empty one written as " .").
file(READ ${PROJECT_SOURCE_DIR}/LICENSE se_license)
string(FIND "${se_license}" "Permission" se_start)
string(SUBSTRING "${se_license}" ${se_start} -1 se_license)
string(STRIP "${se_license}" se_license)
string(REPLACE "\n\n" "\n.\n" se_license "${se_license}")
string(REPLACE "\n" "\n " se_license "${se_license}")
set(se_doc ${CMAKE_BINARY_DIR}/package-deb)
file(WRITE ${se_doc}/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: ${SE_DEB_NAME}\n"
     "Upstream-Contact: ${SE_MAINTAINER}\n"
     "\n"
     "Files: *\n"
     "Copyright: 2026 ${SE_AUTHORS}\n"
     "License: ISC\n"
     "\n"
     "License: ISC\n"
     " ${se_license}\n")

# A native package's changelog, compressed without a time stamp.
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian_changelog.in ${se_doc}/changelog @ONLY)
execute_process(COMMAND gzip -9nf -c ${se_doc}/changelog OUTPUT_FILE ${se_doc}/changelog.gz
                RESULT_VARIABLE se_status)
if(NOT se_status EQUAL 0)
  message(FATAL_ERROR "gzip of the changelog failed")
endif()
# The README with the pages, pictures and example patches it links to, in
# the same layout, so that its links hold where it is installed.
install(FILES ${se_doc}/copyright ${se_doc}/changelog.gz ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${SE_DOC_DIR} COMPONENT doc)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${SE_DOC_DIR}/docs COMPONENT doc
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png" PATTERN "*.json")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${SE_DOC_DIR}/examples COMPONENT doc
        FILES_MATCHING PATTERN "*.json" PATTERN "*.wav")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${SE_DEB_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${SE_AUTHORS}")
set(CPACK_PACKAGE_CONTACT "${SE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "resonant ladder filter and wavetable oscillator modules")
set(CPACK_PACKAGE_DESCRIPTION
    "A resonant transistor-ladder filter of two to five stages and a wavetable
oscillator with 21 waveforms, noise, pulse forms and hard sync, made as
modules for a modular-synthesizer host.
.
The package holds LV2 plugins for Linux hosts (the filter, mono and stereo,
and the oscillator as a MIDI instrument) and se-host, a command-line tool
that lists the modules' pins, renders patches written as JSON to audio
files, runs audio files through the filter and draws pictures of the results
with gnuplot.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnuplot-nox | gnuplot")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lilv-utils, jalv")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
