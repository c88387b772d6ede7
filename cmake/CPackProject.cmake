# Read by cpack for each generator: which components go into its output.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL monitor service)
  set(CPACK_PACKAGING_INSTALL_PREFIX "/")
else()
  set(CPACK_COMPONENTS_ALL portable)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
endif()
