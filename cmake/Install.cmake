# Installs Pelvane like any Linux desktop program: the executables, a desktop entry, the icon in
# the hicolor theme, AppStream metadata and the file types it opens, all named by the application
# id.
include(GNUInstallDirs)

set(PELVANE_APP_ID org.example.Pelvane)

install(TARGETS pelvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET pelvane-export)
    install(TARGETS pelvane-export RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${PROJECT_SOURCE_DIR}/data/${PELVANE_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/src/ui/Resources/icon.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
    RENAME ${PELVANE_APP_ID}.png)
install(FILES ${PROJECT_SOURCE_DIR}/data/${PELVANE_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The types the desktop entry opens, under the name update-mime-database expects.
install(FILES ${PROJECT_SOURCE_DIR}/data/${PELVANE_APP_ID}.mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
    RENAME ${PELVANE_APP_ID}.xml)
# Installed in place, the file manager learns the types and the entry at once; a staged install
# (DESTDIR) leaves that to the package manager's triggers.
install(CODE "
    if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
        find_program(PELVANE_UPDATE_MIME update-mime-database)
        find_program(PELVANE_UPDATE_DESKTOP update-desktop-database)
        set(share \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}\")
        if(PELVANE_UPDATE_MIME)
            execute_process(COMMAND \${PELVANE_UPDATE_MIME} \${share}/mime)
        endif()
        if(PELVANE_UPDATE_DESKTOP)
            execute_process(COMMAND \${PELVANE_UPDATE_DESKTOP} \${share}/applications)
        endif()
    endif()")
