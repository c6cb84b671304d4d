# velnor_add_package(<name> [OUTPUT_DIRECTORY <dir>] <sources>...)
#
# Builds the run-time package <name>.bpl: a loadable module without the "lib" prefix, linked
# against velkit07, into ${CMAKE_BINARY_DIR}/bin/packages (or <dir>). Its sources declare the
# entry points with VELNOR_PACKAGE(<name>, ...), so <name> must be an identifier.
function(velnor_add_package name)
  cmake_parse_arguments(PACKAGE "" "OUTPUT_DIRECTORY" "" ${ARGN})
  if(NOT PACKAGE_OUTPUT_DIRECTORY)
    set(PACKAGE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/packages)
  endif()
  add_library(${name} MODULE ${PACKAGE_UNPARSED_ARGUMENTS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".bpl"
    LIBRARY_OUTPUT_DIRECTORY ${PACKAGE_OUTPUT_DIRECTORY}
    # The framework libraries sit in the program's folder, the parent of the package folder.
    BUILD_RPATH "$ORIGIN/.."
    INSTALL_RPATH "$ORIGIN/..")
  target_link_libraries(${name} PRIVATE velkit07)
endfunction()
