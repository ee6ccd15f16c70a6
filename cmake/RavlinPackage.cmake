# The Debian package (cpack -G DEB, see scripts/package): everything `cmake --install` puts below
# /usr: the LV2 bundle in /usr/lib/lv2, the VST3 bundle in /usr/lib/vst3, the VST2 module in
# /usr/lib/lxvst, the Standalone and ravlin-render in /usr/bin, the model data once in
# /usr/share/ravlin-preamp/models with a link "<module>.dat" beside every module. The version is the
# project's; the dependencies are worked out by dpkg-shlibdeps from the shared libraries the
# modules and programs link.
include_guard(GLOBAL)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "ravlin-preamp")
set(CPACK_PACKAGE_VENDOR "Ravlin Audio")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Four-valve guitar preamp plug-in (LV2, VST3, VST2, Standalone)")
set(CPACK_PACKAGE_DESCRIPTION "RAVLIN Preamp simulates a four-valve guitar preamp with a passive tone
stack. It plays in LV2, VST3 and VST 2.4 hosts and on its own (Standalone), and ravlin-render
re-amps recorded takes offline.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Ravlin Audio <preamp@ravlin.example.org>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://ravlin.example.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX "${CMAKE_BINARY_DIR}/package")
include(CPack)
