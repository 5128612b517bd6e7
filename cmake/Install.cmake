# Installs Pelvane like any Linux desktop program: the executables, a desktop entry, the icon in
# the hicolor theme and AppStream metadata, all named by the application id.
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
