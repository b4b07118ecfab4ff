# What is installed, and the Debian package CPack makes of it (scripts/package.sh):
# both programs, the window's menu entry and icon, the man pages, the redirect
# plugin, and the copyright and changelog files Debian asks for.
include(GNUInstallDirs)

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(packagingOut ${PROJECT_BINARY_DIR}/packaging)
set(docDir ${CMAKE_INSTALL_DATADIR}/doc/kestrel)

install(TARGETS kestrel kestrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging}/kestrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/kestrel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${packaging}/copyright DESTINATION ${docDir})

# The plugins are shipped as their folders hold them, when they are there.
foreach(plugin kestrel-redirects kestrel-receiver)
    if(EXISTS ${PROJECT_SOURCE_DIR}/wordpress-plugin/${plugin})
        install(DIRECTORY ${PROJECT_SOURCE_DIR}/wordpress-plugin/${plugin} DESTINATION ${CMAKE_INSTALL_DATADIR}/kestrel)
    endif()
endforeach()

# Man pages and the changelog go compressed as Debian wants them: gzip -9n, so that no time stamp
# makes two builds of the same sources differ.
set(compressed)
foreach(file kestrel.1 kestrel-cli.1 kestrel-cli.zh_CN.1 changelog)
    configure_file(${packaging}/${file} ${packagingOut}/${file} @ONLY)
    add_custom_command(OUTPUT ${packagingOut}/${file}.gz
        COMMAND gzip -9nc ${packagingOut}/${file} > ${packagingOut}/${file}.gz
        DEPENDS ${packagingOut}/${file})
    list(APPEND compressed ${packagingOut}/${file}.gz)
endforeach()
add_custom_target(kestrel_compressed_docs ALL DEPENDS ${compressed})
# All that the package holds, and nothing else: what scripts/package.sh builds.
add_custom_target(kestrel_shipped)
add_dependencies(kestrel_shipped kestrel kestrel-cli kestrel_compressed_docs)
install(FILES ${packagingOut}/kestrel.1.gz ${packagingOut}/kestrel-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The command line's page in Chinese too, where man finds it for a Chinese locale (man -L zh_CN).
install(FILES ${packagingOut}/kestrel-cli.zh_CN.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1
        RENAME kestrel-cli.1.gz)
# A native package: its changelog is changelog.gz.
install(FILES ${packagingOut}/changelog.gz DESTINATION ${docDir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kestrel developers")
set(CPACK_PACKAGE_CONTACT "Kestrel developers <kestrel@kestrel.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy an emlog blog's database into WordPress")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://kestrel.example.org)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own buttons and messages in Chinese, as the rest of the programs speak.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
# The synopsis is the summary above; this is the long description.
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrel reads an emlog blog's articles, pages, comments, attachments,
categories, tags and links from its MySQL or MariaDB database and writes
them into a WordPress database, in a window with a progress bar (kestrel)
or from a terminal or a script (kestrel-cli). Every row that cannot be
copied is reported with its emlog id and the server's reason.
.
kestrel-cli --check reads both blogs without writing and says what a run
would meet. A WordPress plugin under /usr/share/kestrel sends visitors of
the old emlog addresses to the same pages in WordPress.")
include(CPack)
