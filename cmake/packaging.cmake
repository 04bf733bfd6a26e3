# Packaging. From the build folder, after a build:
#   cpack           a tar archive of the application folder (one top folder
#                   named after the package)
#   cpack -G DEB    a Debian package: the application folder in /opt/varn,
#                   varn on the PATH, its manual page and bash completion,
#                   the menu entries and icons in the system folders
# Both hold stripped programs (debug information is left out). Files the
# programs write as they run (logs, the update marker, settings) stay out.
# `cmake --install` puts the application folder alone into /opt/varn unless
# a prefix is given.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /opt/varn CACHE PATH "Where cmake --install puts the application folder" FORCE)
endif()
set(VARN_SYSTEM_PREFIX /opt/varn)

# The programs go through install(TARGETS), so that packages strip them;
# the rest of the application folder as built.
set(VARN_PROGRAMS varn)
if(TARGET varn-sim)
  list(APPEND VARN_PROGRAMS varn-sim)
endif()
if(VARN_GUI)
  list(APPEND VARN_PROGRAMS VARN-Config VARN-Scope VARN-Flash VARN-Datalogger VARN-Terminal VARN-Toolbox
       VARN-Install)
endif()
install(TARGETS ${VARN_PROGRAMS} RUNTIME DESTINATION . COMPONENT app)

# `suite`: what a user runs (the application folder, the manual page, the
# tour), without the tests and benchmarks: what scripts/demo.sh builds.
set(VARN_SUITE_PARTS ${VARN_PROGRAMS} examples)
foreach(part varnmanpage userguide menuicons varn-tour)
  if(TARGET ${part})
    list(APPEND VARN_SUITE_PARTS ${part})
  endif()
endforeach()
add_custom_target(suite DEPENDS ${VARN_SUITE_PARTS})
install(DIRECTORY ${VARN_APP_DIR}/ DESTINATION . COMPONENT app USE_SOURCE_PERMISSIONS
  PATTERN "*.log" EXCLUDE
  PATTERN "VARN-Update.check" EXCLUDE
  PATTERN "VARN-Scope.ini" EXCLUDE
  REGEX "/(VARN-[A-Za-z]+|varn|varn-sim)$" EXCLUDE)

# The system folders' part of the Debian package, relative to the
# application folder /opt/varn (so "../../usr" is /usr). Not part of a
# plain `cmake --install` or of the tar archive.
set(VARN_USR ../../usr)
# Menu entries: program, name, comment (the same as scripts/install.sh).
set(VARN_MENU_ENTRIES
  "VARN-Toolbox|VARN Toolbox|Start the tools of the VARN sensor suite"
  "VARN-Config|VARN Configuration|Read, edit and send the parameters of a VARN sensor"
  "VARN-Scope|VARN Scope|Watch and record the live signal of a VARN sensor"
  "VARN-Flash|VARN Flash|Upload firmware into a VARN sensor"
  "VARN-Datalogger|VARN Datalogger|Download the records of a VARN sensor's logger"
  "VARN-Terminal|VARN Terminal|Type commands on the console of a VARN sensor")
if(VARN_GUI)
  foreach(entry ${VARN_MENU_ENTRIES})
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 program)
    list(GET fields 1 name)
    list(GET fields 2 comment)
    string(TOLOWER ${program} id)
    # The programs take their application folder from the working folder.
    file(WRITE ${VARN_SHARE_DIR}/applications/${id}.desktop
      "[Desktop Entry]\nType=Application\nVersion=1.4\nName=${name}\nComment=${comment}\n"
      "Exec=${VARN_SYSTEM_PREFIX}/${program}\nTryExec=${VARN_SYSTEM_PREFIX}/${program}\n"
      "Path=${VARN_SYSTEM_PREFIX}\nIcon=${id}\nTerminal=false\nCategories=Utility;\n"
      "Keywords=sensor;serial;VARN;\nStartupNotify=true\n")
  endforeach()
  install(DIRECTORY ${VARN_SHARE_DIR}/applications DESTINATION ${VARN_USR}/share COMPONENT system EXCLUDE_FROM_ALL)
  install(DIRECTORY ${VARN_APP_DIR}/Icons/hicolor DESTINATION ${VARN_USR}/share/icons COMPONENT system
          EXCLUDE_FROM_ALL)
endif()
if(UNIX)
  file(MAKE_DIRECTORY ${VARN_SHARE_DIR}/bin)
  file(CREATE_LINK ${VARN_SYSTEM_PREFIX}/varn ${VARN_SHARE_DIR}/bin/varn SYMBOLIC)
  install(FILES ${VARN_SHARE_DIR}/bin/varn DESTINATION ${VARN_USR}/bin COMPONENT system EXCLUDE_FROM_ALL)
  install(FILES ${VARN_SHARE_DIR}/man/man1/varn.1.gz DESTINATION ${VARN_USR}/share/man/man1 COMPONENT system
          EXCLUDE_FROM_ALL)
  install(FILES ${VARN_SHARE_DIR}/bash-completion/completions/varn
          DESTINATION ${VARN_USR}/share/bash-completion/completions COMPONENT system EXCLUDE_FROM_ALL)
endif()

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME varn)
set(CPACK_PACKAGE_VENDOR "VARN")
set(CPACK_PACKAGE_CONTACT "VARN suite maintainers <varn@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop and command line tools for the VARN environmental sensor")
set(CPACK_PACKAGE_DESCRIPTION
    "Seven desktop programs with which a field technician sets up, inspects and maintains a VARN sensor on a serial port (configuration, live scope, firmware flash, datalogger download, terminal, launcher, update installer), the varn command line tool and the varn-sim simulated sensor.")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME varn-${PROJECT_VERSION}-win64)
else()
  set(CPACK_PACKAGE_FILE_NAME varn-${PROJECT_VERSION}-linux64)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_generators.cmake)
# Debian: dependencies computed by dpkg-shlibdeps from the programs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
include(CPack)
