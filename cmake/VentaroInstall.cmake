# Installation layout and Debian packaging.
#
# Two install components keep the program separate from the developer
# tools: "program" is what a user needs (binary, desktop entry, icons,
# AppStream data, licence), "tools" holds the sample weather server and the
# page checker. `cmake --install <build> --component program` installs the
# program alone; cpack turns each component into its own .deb.

include(GNUInstallDirs)

set(VENTARO_APP_ID io.github.ventaro.Ventaro)

install(TARGETS ventaro
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  COMPONENT program)

install(FILES ${PROJECT_SOURCE_DIR}/desktop/${VENTARO_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  COMPONENT program)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/${VENTARO_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
  COMPONENT program)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ventaro
  COMPONENT program)

# Icons. The scalable drawing covers every modern desktop; fixed-size PNGs
# are rendered from the SVG artwork at build time so that no binary copies
# of the artwork sit in the repository and drift from it. The 16 px drawing
# has simplified detail meant for very small sizes, so it is the source up
# to 24 px and the 32 px drawing is the source above that.
set(_ventaro_icon_small ${PROJECT_SOURCE_DIR}/resources/icons/window-cloud-rain-16.svg)
set(_ventaro_icon_large ${PROJECT_SOURCE_DIR}/resources/icons/window-cloud-rain-32.svg)

install(FILES ${_ventaro_icon_large}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${VENTARO_APP_ID}.svg
  COMPONENT program)

set(_ventaro_icon_pngs)
foreach(_size IN ITEMS 16 22 24 32 48 64 128 256)
  if(_size LESS 32)
    set(_source ${_ventaro_icon_small})
  else()
    set(_source ${_ventaro_icon_large})
  endif()
  set(_dir ${PROJECT_BINARY_DIR}/icons/hicolor/${_size}x${_size}/apps)
  set(_png ${_dir}/${VENTARO_APP_ID}.png)
  add_custom_command(
    OUTPUT ${_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_dir}
    COMMAND ventaro-render-icon ${_source} ${_size} ${_png}
    DEPENDS ventaro-render-icon ${_source}
    COMMENT "Rendering the ${_size}x${_size} program icon"
    VERBATIM)
  list(APPEND _ventaro_icon_pngs ${_png})
  install(FILES ${_png}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
    COMPONENT program)
endforeach()
add_custom_target(ventaro_icons ALL DEPENDS ${_ventaro_icon_pngs})

if(TARGET ventaro-sample-server AND TARGET ventaro-pagecheck)
  install(TARGETS ventaro-sample-server ventaro-pagecheck
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT tools)
endif()

# Debian packages: `cpack -G DEB` in the build directory.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ventaro)
set(CPACK_PACKAGE_VENDOR "The Ventaro developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Ventaro developers <dev@ventaro.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://ventaro.example/")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# CPACK_PACKAGE_DESCRIPTION_SUMMARY is deliberately left unset: CPack's DEB
# generator would put it in front of every component's description, giving
# the tools package the program's synopsis. Each package's description
# below starts with its own synopsis line instead.
set(CPACK_PACKAGE_DESCRIPTION
  "Latest observed weather and state forecast for a US station
Ventaro shows the latest observed weather of one US observing station -
conditions, wind, visibility, temperature, dew point, humidity and pressure -
together with the forecast for the station's state. It refreshes on demand
and on a timer, keeps an icon of the current sky in the system tray, and can
show the latest satellite picture.")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Ventaro developers <dev@ventaro.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://ventaro.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program)
if(TARGET ventaro-sample-server AND TARGET ventaro-pagecheck)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()

set(CPACK_COMPONENT_PROGRAM_DISPLAY_NAME "Ventaro")
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
  "Latest observed weather and state forecast for a US station")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME ventaro)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")

set(CPACK_COMPONENT_TOOLS_DISPLAY_NAME "Ventaro tools")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
  "Sample weather server and page checker for Ventaro")
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME ventaro-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
  "Sample weather server and page checker for Ventaro
ventaro-sample-server serves station, state forecast and satellite picture
pages on 127.0.0.1 so that Ventaro can be run and tried without the real
weather servers. ventaro-pagecheck shows what Ventaro makes of a saved
weather page.")

include(CPack)
