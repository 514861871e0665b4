# `cpack` in a build folder: a .deb on Linux, a .zip of the unpacked folder
# for Windows. Both from the install rules; the programs stripped.
set(CPACK_PACKAGE_NAME mirtel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "mirtel developers")
set(CPACK_PACKAGE_CONTACT "mirtel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copies a folder tree into another, for backups (みるてる)")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
  # One folder to unpack anywhere: the programs need nothing installed.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME mirtel-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The libraries from what the programs link; besides them the window needs
  # Qt's display plugins and a font that has Japanese.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-cjk | fonts-japanese-gothic")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
  # Below the summary line; CPack indents it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "mirtel (みるてる) is a small window, in Japanese, that brings a backup
folder up to date: files the backup lacks are copied, files changed since
are copied over their old copies, everything else is left alone. In sync
mode it moves to the Trash what the source no longer has; nothing is ever
deleted for good. mirtel-cli runs the same job from a terminal or a
scheduler.")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
