# Read by cpack for each generator: the tar archive holds the application
# folder alone; the Debian package installs it into /opt/varn with the
# system folders' files beside (../../usr from there).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /opt/varn)
  # Both components in one package (an install without components leaves
  # the system part out).
  set(CPACK_COMPONENTS_ALL app system)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_COMPONENTS_ALL app)
endif()
