# A Debian package from the same install rules as `cmake --install`: `cpack -G DEB` in the build folder.
# The shared libraries the program links (Qt, TagLib, libgit2, blkid, xxhash) are found by dpkg-shlibdeps;
# what it loads at run time without linking is named by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexolo-playlist-setup)
set(CPACK_PACKAGE_VENDOR "Quillmere Inc.")
set(CPACK_PACKAGE_CONTACT "Quillmere Inc. <support@quillmere.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Prepare playlists and track settings on the SD card of a Vexolo player")
set(CPACK_PACKAGE_DESCRIPTION "Vexolo Playlist Setup prepares the playlists and the per-track settings of the \
Vexolo player,\na stand-alone MP3 playback device that reads plain text files from its SD card.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The preview decodes MP3 through GStreamer; the disk service names cards by their labels and mounts them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-good")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udisks2")
include(CPack)
