# Desktop integration, manual pages and the Debian package.
#
# Included once, at the end of the top-level CMakeLists.txt, after every target exists.
# Installs the desktop entry, the icons, the AppStream metainfo, the manual pages and the
# Debian copyright and changelog; `cpack -G DEB` in the build directory then makes
# pelmix_<version>_<arch>.deb of everything installed.

if(NOT UNIX)
    return()
endif()

include(GNUInstallDirs)

set(PELMIX_APPSTREAM_ID io.github.pelmix.Pelmix)
set(_pelmix_resources ${PROJECT_SOURCE_DIR}/resources)
set(_pelmix_out ${PROJECT_BINARY_DIR}/packaging)
set(_pelmix_docdir ${CMAKE_INSTALL_DATADIR}/doc/pelmix)

# --- Desktop entry, icons, AppStream metainfo -------------------------------------------

install(FILES ${_pelmix_resources}/pelmix.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pelmix_resources}/art/icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME pelmix.svg)
# PNG renderings of the same SVG, 16 to 256 pixels, laid out as in the hicolor theme.
install(DIRECTORY ${_pelmix_resources}/icons/hicolor
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The metainfo names the binaries the package provides; pelmix-cli once it is built.
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${_pelmix_resources}/${PELMIX_APPSTREAM_ID}.metainfo.xml
             ${_pelmix_resources}/debian/changelog)
file(READ ${_pelmix_resources}/${PELMIX_APPSTREAM_ID}.metainfo.xml _pelmix_metainfo)
if(TARGET pelmix-cli)
    string(REPLACE "<binary>pelmix</binary>"
                   "<binary>pelmix</binary>\n    <binary>pelmix-cli</binary>"
                   _pelmix_metainfo "${_pelmix_metainfo}")
endif()
file(CONFIGURE OUTPUT ${_pelmix_out}/${PELMIX_APPSTREAM_ID}.metainfo.xml
     CONTENT "${_pelmix_metainfo}" @ONLY)
install(FILES ${_pelmix_out}/${PELMIX_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Warns when the newest release in the metainfo or the Debian changelog is not this version.
string(REGEX MATCH "<release version=\"([^\"]*)\"" _ "${_pelmix_metainfo}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(WARNING "The newest release in resources/${PELMIX_APPSTREAM_ID}.metainfo.xml is "
                    "'${CMAKE_MATCH_1}', not ${PROJECT_VERSION}: add a <release> for it.")
endif()
file(STRINGS ${_pelmix_resources}/debian/changelog _pelmix_changelog_top LIMIT_COUNT 1)
string(REGEX MATCH "^pelmix \\(([^)]*)\\)" _ "${_pelmix_changelog_top}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(WARNING "The newest entry in resources/debian/changelog is '${CMAKE_MATCH_1}', "
                    "not ${PROJECT_VERSION}: add an entry for it.")
endif()

# --- Manual pages and the changelog, compressed as Debian wants them (gzip -9n) --------

find_program(PELMIX_GZIP gzip REQUIRED)

# Compresses `source` into ${_pelmix_out}/<name>.gz at build time; the result's path in
# `result_var`.
function(pelmix_gzip source name result_var)
    set(plain ${_pelmix_out}/${name})
    add_custom_command(
        OUTPUT ${plain}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
        COMMAND ${PELMIX_GZIP} -9nf ${plain}
        DEPENDS ${source}
        COMMENT "Compressing ${name}"
        VERBATIM)
    set(${result_var} ${plain}.gz PARENT_SCOPE)
endfunction()

set(_pelmix_manpages pelmix)
if(TARGET pelmix-cli)
    list(APPEND _pelmix_manpages pelmix-cli)
endif()
set(_pelmix_compressed)
foreach(page IN LISTS _pelmix_manpages)
    # The pages name this version.
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.1.in ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1 @ONLY)
    pelmix_gzip(${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1 ${page}.1 _gz)
    list(APPEND _pelmix_compressed ${_gz})
    install(FILES ${_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# A package whose version has no Debian revision is native: its changelog is changelog.gz.
pelmix_gzip(${_pelmix_resources}/debian/changelog changelog _gz)
list(APPEND _pelmix_compressed ${_gz})
install(FILES ${_gz} DESTINATION ${_pelmix_docdir})
install(FILES ${_pelmix_resources}/debian/copyright DESTINATION ${_pelmix_docdir})

add_custom_target(pelmix_compressed_docs ALL DEPENDS ${_pelmix_compressed})

# --- The Debian package ------------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelmix)
set(CPACK_PACKAGE_VENDOR "The Pelmix developers")
set(CPACK_PACKAGE_CONTACT "Pelmix developers <pelmix@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "front panel for a serial-port frequency counter")
set(CPACK_PACKAGE_DESCRIPTION
    "Pelmix operates a small counter instrument on a serial port: frequency, period,
time interval, pulse count and calibration runs, with the input conditioned as
chosen (digital or analog, trigger level, edge, low-pass filter, measuring time
or multiplier). It measures once or cyclically, shows the results on a front
panel drawn like a bench instrument, and appends them to a log file with the
time of day.

A simulated counter built into the program lets every mode be tried without an
instrument.")
if(TARGET pelmix-cli)
    string(APPEND CPACK_PACKAGE_DESCRIPTION "

The package also holds pelmix-cli, which measures from the command line,
writes CSV, JSON Lines or text, analyses result files, serves the counter
over TCP with SCPI commands, and serves its readings and health as metrics
for Prometheus.")
endif()
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME pelmix)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The panel's fonts ask for Liberation Sans and Mono when the classic Windows ones are absent.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
