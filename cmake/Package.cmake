# The Debian package (scripts/package): cpack -G DEB on a Release build.
# Library dependencies come from dpkg-shlibdeps on the installed programs.

# Debian wants the copyright and a compressed changelog with every package.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/sablewick)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND sh -c "gzip -9n < '${PROJECT_SOURCE_DIR}/packaging/changelog' > '${CMAKE_BINARY_DIR}/packaging/changelog.gz'"
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sablewick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tellurvane Software")
set(CPACK_PACKAGE_CONTACT "Tellurvane Software <support@tellurvane.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tellurvane.example/sablewick/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its display plugins at run time, and captions are drawn with fonts that
# fontconfig finds at run time: no linked library names them. DejaVu covers Latin, Greek,
# Cyrillic, Hebrew and Arabic; WenQuanYi Micro Hei Chinese, Japanese and Korean.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core, fonts-wqy-microhei")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert videos into animated GIF pictures")
# CPack puts the summary on the Description line and indents the rest.
set(CPACK_PACKAGE_DESCRIPTION "Sablewick turns video clips into animated GIF pictures: a window with a
list of videos and a console program, sablewick-cli, that use the same
settings. Start, end, frame size, frame rate, quality and loop count are
adjustable; each video becomes one animated GIF or one picture per frame.")
include(CPack)
