# Installation layout and Debian packaging.
#
# Two install components keep the program separate from the developer
# tools: "program" is what a user needs (binary, desktop entry, icons,
# AppStream data, manual page, copyright and changelog), "tools" holds the sample weather server and the
# page checker. `cmake --install <build> --component program` installs the
# program alone; cpack turns each component into its own .deb.

include(GNUInstallDirs)

set(VENTARO_APP_ID io.github.ventaro.Ventaro)

# A stripped install (cpack strips) also drops the compilers' version notes
# in .comment, as Debian's own packaging does; they only take up room.
function(ventaro_install_binaries component)
  install(TARGETS ${ARGN}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT ${component})
  foreach(_target IN LISTS ARGN)
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(
          COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${_target}>\"
          COMMAND_ERROR_IS_FATAL ANY)
      endif()"
      COMPONENT ${component})
  endforeach()
endfunction()

ventaro_install_binaries(program ventaro)

install(FILES ${PROJECT_SOURCE_DIR}/desktop/${VENTARO_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  COMPONENT program)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/${VENTARO_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
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
  set(_ventaro_tools_built ON)
  ventaro_install_binaries(tools ventaro-sample-server ventaro-pagecheck)
else()
  set(_ventaro_tools_built OFF)
endif()

# Documents compressed the way Debian wants them: at the highest level and
# without the name and time stamp that would make each build's bytes differ.
find_program(VENTARO_GZIP gzip REQUIRED)
set(_ventaro_gzipped)
# Ninja makes an output's folder by itself, Make does not; the rule makes it
# so that either generator builds.
function(ventaro_gzip source output)
  get_filename_component(_folder ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_folder}
    COMMAND ${VENTARO_GZIP} -n -9 -c ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${output}")
  set(_ventaro_gzipped ${_ventaro_gzipped} ${output} PARENT_SCOPE)
endfunction()

# The newest release in the AppStream data gives the manual pages their
# date, so a release is dated in one place.
set(_metainfo_file ${PROJECT_SOURCE_DIR}/desktop/${VENTARO_APP_ID}.metainfo.xml)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_metainfo_file})
file(READ ${_metainfo_file} _metainfo)
if(NOT _metainfo MATCHES "<release version=\"([^\"]+)\" date=\"([^\"]+)\"")
  message(FATAL_ERROR "the AppStream data names no release")
endif()
set(VENTARO_RELEASE_DATE ${CMAKE_MATCH_2})
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(WARNING "the newest release in the AppStream data is ${CMAKE_MATCH_1}, "
    "not the project's version ${PROJECT_VERSION}")
endif()

# The manual tells what the build chose for each server host: none (the
# live layer answers) or the host.
foreach(_server IN ITEMS CONDITIONS FORECAST SATELLITE)
  if("${VENTARO_${_server}_HOST}" STREQUAL "")
    set(VENTARO_${_server}_HOST_MAN "none, the live layer")
  else()
    set(VENTARO_${_server}_HOST_MAN "${VENTARO_${_server}_HOST}")
  endif()
endforeach()

set(_ventaro_man_pages ventaro:program)
if(_ventaro_tools_built)
  list(APPEND _ventaro_man_pages ventaro-sample-server:tools ventaro-pagecheck:tools)
endif()
foreach(_entry IN LISTS _ventaro_man_pages)
  string(REPLACE ":" ";" _entry ${_entry})
  list(GET _entry 0 _name)
  list(GET _entry 1 _component)
  configure_file(${PROJECT_SOURCE_DIR}/man/${_name}.1.in ${PROJECT_BINARY_DIR}/man/${_name}.1 @ONLY)
  ventaro_gzip(${PROJECT_BINARY_DIR}/man/${_name}.1 ${PROJECT_BINARY_DIR}/man/${_name}.1.gz)
  install(FILES ${PROJECT_BINARY_DIR}/man/${_name}.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT ${_component})
endforeach()

# Each package carries its own copyright file and changelog, in the
# machine-readable copyright format and the Debian changelog format that
# Debian's tools read.
ventaro_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
set(_ventaro_doc_packages ventaro:program)
if(_ventaro_tools_built)
  list(APPEND _ventaro_doc_packages ventaro-tools:tools)
endif()
foreach(_entry IN LISTS _ventaro_doc_packages)
  string(REPLACE ":" ";" _entry ${_entry})
  list(GET _entry 0 _package)
  list(GET _entry 1 _component)
  install(FILES
      ${PROJECT_SOURCE_DIR}/packaging/copyright
      ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${_package}
    COMPONENT ${_component})
endforeach()
add_custom_target(ventaro_docs ALL DEPENDS ${_ventaro_gzipped})

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
if(_ventaro_tools_built)
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
