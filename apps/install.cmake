# Installing the programs like any desktop program: binaries in bin/, desktop
# entries in share/applications/, icons in the hicolor theme, and a Debian
# package of the same install through CPack (`cpack -G DEB` in the build folder).
include(GNUInstallDirs)

set(_orvane_desktop ${CMAKE_CURRENT_LIST_DIR}/desktop)

# Manual pages and the Debian changelog are installed compressed, as Debian
# wants them; gzip -n keeps the archives free of time stamps.
set(_orvane_compressed)
function(orvane_compressed source output)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${output}
    COMMAND gzip -9nc ${source} > ${CMAKE_BINARY_DIR}/${output}
    DEPENDS ${source} VERBATIM)
  set(_orvane_compressed ${_orvane_compressed} ${CMAKE_BINARY_DIR}/${output} PARENT_SCOPE)
endfunction()

foreach(_program orvane tobrin pellam orvane-add-set)
  if(TARGET ${_program})
    install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(EXISTS ${_orvane_desktop}/icons/${_program}.svg)  # the programs of the menu
      install(FILES ${_orvane_desktop}/icons/${_program}.svg
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    endif()
    orvane_compressed(${_orvane_desktop}/man/${_program}.1 ${_program}.1.gz)
    install(FILES ${CMAKE_BINARY_DIR}/${_program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

# The idle watcher: a program without a window, icon or menu entry.
install(TARGETS orvane-idle RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
orvane_compressed(${_orvane_desktop}/man/orvane-idle.1 orvane-idle.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/orvane-idle.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${_orvane_desktop}/orvane-settings.desktop ${_orvane_desktop}/orvane-slideshow.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
if(TARGET tobrin)
  install(FILES ${_orvane_desktop}/tobrin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

# The starter image sets, drawn at build time (tools/), read-only for the users:
# each user's first start links them into a program folder of their own.
if(ORVANE_STARTER_SETS_BUILD_DIR)
  install(DIRECTORY ${ORVANE_STARTER_SETS_BUILD_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/orvane/sets)
endif()

# Debian wants its copyright file and the changelog in the package's doc folder.
install(FILES ${_orvane_desktop}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvane)
orvane_compressed(${_orvane_desktop}/changelog.Debian changelog.Debian.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvane)
add_custom_target(orvane_compressed_docs ALL DEPENDS ${_orvane_compressed})

set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Orvane developers <orvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photographic screen saver, wallpaper changer and set installer")
# The summary is the package's synopsis; the text below becomes its long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Orvane shows image sets as a full-screen slide show with transitions,
panning, titles, an information panel, a month calendar and set sounds.
Its settings dialog chooses the sets and images and builds a desktop
wallpaper from them. Tobrin sits in the tray and changes the wallpaper on
a schedule; Pellam installs image-set libraries (.ilb files), and
orvane-add-set makes a folder of one's own photographs an image set.
Starter image sets come with it.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Shared libraries are found by dpkg-shlibdeps; what the programs start or load
# by name is listed here: Qt's X11 platform plugin, Qt's image format plugins
# (the WebP reader, loaded when a WebP picture is shown), libheif (opened at the
# first HEIC picture), the fonts the windows draw
# with, and the idle watchers of the saver (xss-lock and xset on X, swayidle on
# Wayland; GNOME's is orvane-idle, whose Qt D-Bus library shlibdeps finds). Qt's
# Wayland platform and swaylock (the lock of bare Wayland compositors) are
# recommended. SDL2_mixer is opened at the first sound played, so shlibdeps
# does not see it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libsdl2-mixer-2.0-0, qt6-qpa-plugins, qt6-image-formats-plugins, libheif1, fonts-liberation, fonts-wqy-microhei, xss-lock, x11-xserver-utils, swayidle")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, swaylock")
set(CPACK_GENERATOR DEB)
include(CPack)
