# Install rules and the two Debian packages: `vesperon`, the program that schedulers start,
# and `vesperon-gui`, its configuration window. scripts/package builds them into dist/ from a
# build that names /etc/vesperon as its configuration folder (the preset "package").
# The packages' own version: the program stays 1.3.0; 1.3.0.1 lays it out as Debian's own.
set(VESPERON_PACKAGE_VERSION 1.3.0.1)
set(VESPERON_MAINTAINER "Vesperon developers <vesperon@users.noreply.example>" CACHE STRING
    "Maintainer named in the Debian packages")
# The paths below are the system's own, so `cmake --install` lays out what the packages do.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX / CACHE PATH "Install prefix" FORCE)
endif()
set(packaging ${CMAKE_SOURCE_DIR}/packaging/linux)
set(staged ${CMAKE_BINARY_DIR}/packaging)
string(REGEX REPLACE "^/" "" module_destination "${VESPERON_MODULE_FOLDER}")

# Debian wants manual pages and changelogs compressed, and reproducibly so.
configure_file(${packaging}/vesperon.8.in ${staged}/vesperon.8 @ONLY)
configure_file(${packaging}/changelog ${staged}/changelog COPYONLY)
foreach(doc vesperon.8 changelog)
  add_custom_command(OUTPUT ${staged}/${doc}.gz
    COMMAND gzip -9nkf ${staged}/${doc}
    DEPENDS ${staged}/${doc} VERBATIM)
  list(APPEND compressed_docs ${staged}/${doc}.gz)
endforeach()
add_custom_target(vesperon_docs ALL DEPENDS ${compressed_docs})

# The conffiles hold what the program itself writes into a new settings file and check list,
# so that a package's files and a first run's are the same bytes.
set(crlf "\r\n")
set(stars "; ********************************************")
file(WRITE ${staged}/etc/vesperon.ini
     "[EventLog]${crlf}WriteToNTEventLog=1${crlf}[General]${crlf}ForceAppsToClose=0${crlf}")
file(WRITE ${staged}/etc/vesperon.cfg
     "${stars}${crlf};     Vesperon - Configuration File${crlf}${stars}${crlf}${crlf}")

install(TARGETS vesperon RUNTIME DESTINATION usr/sbin COMPONENT vesperon)
install(FILES ${staged}/vesperon.8.gz DESTINATION usr/share/man/man8 COMPONENT vesperon)
set(conffiles "")
if(VESPERON_CONFIG_FOLDER)
  string(REGEX REPLACE "^/+|/+$" "" config_destination "${VESPERON_CONFIG_FOLDER}")
  install(FILES ${staged}/etc/vesperon.ini ${staged}/etc/vesperon.cfg
          DESTINATION ${config_destination} COMPONENT vesperon)
  file(WRITE ${staged}/conffiles
       "/${config_destination}/vesperon.cfg\n/${config_destination}/vesperon.ini\n")
  set(conffiles ${staged}/conffiles)
endif()
# The turn lock and the event-source record of runs as root.
install(DIRECTORY DESTINATION var/lib/vesperon COMPONENT vesperon)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/prometheus/vesperon.rules.yml
        DESTINATION usr/share/vesperon/prometheus COMPONENT vesperon)
install(FILES ${packaging}/vesperon-restart.service ${packaging}/vesperon-restart.timer
              ${packaging}/vesperon-shutdown.service ${packaging}/vesperon-shutdown.timer
        DESTINATION lib/systemd/system COMPONENT vesperon)
install(TARGETS vesperon-fltk LIBRARY DESTINATION ${module_destination} COMPONENT vesperon-gui)
foreach(package vesperon vesperon-gui)
  install(FILES ${packaging}/copyright ${staged}/changelog.gz
          DESTINATION usr/share/doc/${package} COMPONENT ${package})
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION usr/share/doc/vesperon
        COMPONENT vesperon)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vesperon)
set(CPACK_PACKAGE_VERSION ${VESPERON_PACKAGE_VERSION})
set(CPACK_PACKAGE_CONTACT "${VESPERON_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL vesperon vesperon-gui)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_VESPERON_PACKAGE_NAME vesperon)
set(CPACK_DEBIAN_VESPERON_DESCRIPTION
    "restart or shut down unless a listed file is in use
Started by a scheduler with -r or -s, Vesperon asks the system to restart or
power off in one minute, unless a file on its check list is held open or
mapped by a process. A run that is held back leaves a warning in the system
log. Comes with systemd timers for a nightly run, installed disabled.")
set(CPACK_DEBIAN_VESPERON_PACKAGE_CONTROL_EXTRA
    ${packaging}/postinst ${packaging}/prerm ${packaging}/postrm ${conffiles})
set(CPACK_DEBIAN_VESPERON-GUI_PACKAGE_NAME vesperon-gui)
set(CPACK_DEBIAN_VESPERON-GUI_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_VESPERON-GUI_PACKAGE_DEPENDS "vesperon (= ${VESPERON_PACKAGE_VERSION})")
set(CPACK_DEBIAN_VESPERON-GUI_DESCRIPTION
    "configuration window for Vesperon
The window in which Vesperon's two settings are set, its check list is
tested at once, and files are added to and removed from the list. Vesperon
loads it only when started without a switch; scheduled runs never need it.")
include(CPack)
