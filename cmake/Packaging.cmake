# What `cpack` makes from a build:
#  - TGZ: the portable folder, everything side by side (component "portable");
#  - DEB: two Debian packages laid out as Debian has it: "lindrel", the monitor
#    (component "monitor"), and "lindrel-stats", the service as a system service
#    (component "service").
# Each generator takes its own components (cmake/CPackProject.cmake).
set(LINDREL_RELEASE_DATE "2026-12-08")
set(LINDREL_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 12:00:00 +0000")
set(deb ${CMAKE_BINARY_DIR}/deb)
set(debian ${PROJECT_SOURCE_DIR}/packaging/debian)

# The portable folder.
install(TARGETS lindrel lindrel-stats RUNTIME DESTINATION . COMPONENT portable)
install(FILES stats-service/lindrel-stats.example.toml DESTINATION . COMPONENT portable)
install(FILES assets/icon.png DESTINATION . RENAME lindrel.png COMPONENT portable)
install(FILES packaging/lindrel.desktop DESTINATION . COMPONENT portable)
install(PROGRAMS packaging/install-user.sh DESTINATION . COMPONENT portable)

# Texts that carry the version or the date, and gzipped man pages and changelog
# (gzip -n: no name or time stamp, so a rebuild gives the same bytes).
foreach(text lindrel.1 lindrel-stats.1 changelog example.lindrel.Lindrel.metainfo.xml)
  configure_file(${debian}/${text}.in ${deb}/${text} @ONLY)
endforeach()
foreach(text lindrel.1 lindrel-stats.1 changelog)
  execute_process(COMMAND gzip -9nf ${deb}/${text} RESULT_VARIABLE gzipped)
  if(NOT gzipped EQUAL 0)
    message(FATAL_ERROR "gzip ${deb}/${text} failed")
  endif()
endforeach()
# The system service's configuration: the example, with the state and the history kept
# where the unit's StateDirectory is.
file(READ stats-service/lindrel-stats.example.toml packaged)
foreach(line "state_file = \"lindrel-stats.state\"" "file = \"lindrel-stats.history\"")
  string(REPLACE "\"lindrel-stats." "\"/var/lib/lindrel-stats/lindrel-stats." moved "${line}")
  string(REPLACE "${line}" "${moved}" rewritten "${packaged}")
  if(rewritten STREQUAL packaged)
    message(FATAL_ERROR "lindrel-stats.example.toml no longer has the line the packaged "
                        "configuration rewrites: ${line}")
  endif()
  set(packaged "${rewritten}")
endforeach()
file(WRITE ${deb}/lindrel-stats.toml "${packaged}")
# Control files under the names dpkg wants, one folder per package; the scripts keep
# their executable bits.
foreach(package monitor service)
  configure_file(${debian}/${package}.conffiles ${deb}/control-${package}/conffiles COPYONLY)
endforeach()
foreach(script postinst prerm postrm)
  configure_file(${debian}/service.${script} ${deb}/control-service/${script} COPYONLY)
endforeach()

# The monitor's package.
install(TARGETS lindrel RUNTIME DESTINATION usr/bin COMPONENT monitor)
install(FILES ${debian}/example.lindrel.Lindrel.desktop DESTINATION usr/share/applications
        COMPONENT monitor)
install(FILES ${debian}/example.lindrel.Lindrel.desktop DESTINATION etc/xdg/autostart
        COMPONENT monitor)
install(FILES ${deb}/example.lindrel.Lindrel.metainfo.xml DESTINATION usr/share/metainfo
        COMPONENT monitor)
foreach(size 16 22 24 32 48 64 128)
  install(FILES assets/icons/${size}x${size}.png
          DESTINATION usr/share/icons/hicolor/${size}x${size}/apps RENAME lindrel.png
          COMPONENT monitor)
endforeach()
install(FILES assets/lindrel.svg DESTINATION usr/share/icons/hicolor/scalable/apps
        COMPONENT monitor)
install(FILES ${deb}/lindrel.1.gz DESTINATION usr/share/man/man1 COMPONENT monitor)
install(FILES ${debian}/copyright DESTINATION usr/share/doc/lindrel COMPONENT monitor)
install(FILES ${deb}/changelog.gz DESTINATION usr/share/doc/lindrel COMPONENT monitor)

# The service's package.
install(TARGETS lindrel-stats RUNTIME DESTINATION usr/bin COMPONENT service)
install(FILES ${deb}/lindrel-stats.toml DESTINATION etc COMPONENT service)
install(FILES ${debian}/lindrel-stats.service DESTINATION lib/systemd/system COMPONENT service)
install(FILES ${deb}/lindrel-stats.1.gz DESTINATION usr/share/man/man1 COMPONENT service)
install(FILES ${debian}/copyright DESTINATION usr/share/doc/lindrel-stats COMPONENT service)
install(FILES ${deb}/changelog.gz DESTINATION usr/share/doc/lindrel-stats COMPONENT service)

set(CPACK_PACKAGE_NAME lindrel)
set(CPACK_PACKAGE_VENDOR "Lindrel")
set(CPACK_PACKAGE_CONTACT "The Lindrel developers <dev@lindrel.example>")
set(CPACK_PACKAGE_FILE_NAME "lindrel-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackProject.cmake)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://lindrel.example")
set(CPACK_DEBIAN_MONITOR_PACKAGE_NAME lindrel)
set(CPACK_DEBIAN_MONITOR_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_MONITOR_PACKAGE_CONTROL_EXTRA ${deb}/control-monitor/conffiles)
string(CONCAT CPACK_COMPONENT_MONITOR_DESCRIPTION
    "game server monitor for the desktop tray\n"
    "Lindrel shows the name, map, players and ping of five game servers in a\n"
    "small skinned window and in the tray, pops up a notice when one goes down,\n"
    "comes back or has a wanted player, and starts the game with a double click.\n"
    "Its facts come from a lindrel-stats service.")
set(CPACK_DEBIAN_SERVICE_PACKAGE_NAME lindrel-stats)
set(CPACK_DEBIAN_SERVICE_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_EXTRA
    ${deb}/control-service/conffiles ${deb}/control-service/postinst
    ${deb}/control-service/prerm ${deb}/control-service/postrm)
# HTTPS webhooks check their receivers' certificates against the system's authorities.
set(CPACK_DEBIAN_SERVICE_PACKAGE_RECOMMENDS ca-certificates)
string(CONCAT CPACK_COMPONENT_SERVICE_DESCRIPTION
    "stats service for the Lindrel game server monitor\n"
    "lindrel-stats queries game servers (Quake III Arena and its descendants,\n"
    "Source and GoldSrc, Teeworlds and DDNet, Sauerbraten, OpenTTD) and answers\n"
    "the Lindrel monitors that poll it over HTTP. It keeps a history of them,\n"
    "serves a status page, JSON and Prometheus metrics, and sends webhooks to\n"
    "Discord, Slack and other receivers. It runs as a hardened system service\n"
    "with a dynamic user.")
include(CPack)
