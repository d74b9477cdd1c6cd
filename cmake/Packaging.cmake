# What `cmake --install` puts on the system and how CPack wraps it into a Debian package.
install(TARGETS trackfold RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
add_subdirectory(${PROJECT_SOURCE_DIR}/data ${PROJECT_BINARY_DIR}/data)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trackfold)
set(CPACK_PACKAGE_VENDOR "Trackfold")
set(CPACK_PACKAGE_CONTACT "The Trackfold developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Copy MP3 files into folders sorted by artist and album")
set(CPACK_PACKAGE_DESCRIPTION "Trackfold walks a folder tree, reads the artist and album tag \
of every MP3 file and copies it into an output folder sorted by those tags; asked to, it moves \
them instead, removing each source only once its copy is whole. trackfold-cli does the same \
from a terminal or a script.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# dpkg-shlibdeps turns the linked Qt 6 and TagLib libraries into Debian package dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own buttons and dialogs (Yes, No, the folder dialog) in the desktop's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
