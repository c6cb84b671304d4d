# velnor_add_package(<name> [OUTPUT_DIRECTORY <dir>] [SOURCES] <sources>...)
#
# Builds the run-time package <name>.bpl: a loadable module without the "lib" prefix, linked
# against velkit07, with the flags every package needs. Used inside this source tree and, after
# find_package(Velkit07), by packages outside it.
#
# Inside the tree the package goes into ${CMAKE_BINARY_DIR}/bin/packages (or <dir>), beside the
# program. Outside it goes into the build folder (or <dir>), and `cmake --install` puts it into
# the package folder of the installed program, VELKIT07_PACKAGE_DIR.
function(velnor_add_package name)
  cmake_parse_arguments(PACKAGE "" "OUTPUT_DIRECTORY" "SOURCES" ${ARGN})
  if(NOT PACKAGE_OUTPUT_DIRECTORY)
    if(VELKIT07_PACKAGE_DIR)
      set(PACKAGE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    else()
      set(PACKAGE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/packages)
    endif()
  endif()
  add_library(${name} MODULE ${PACKAGE_SOURCES} ${PACKAGE_UNPARSED_ARGUMENTS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".bpl"
    LIBRARY_OUTPUT_DIRECTORY ${PACKAGE_OUTPUT_DIRECTORY}
    # The framework libraries sit in the program's folder, the parent of the package folder.
    BUILD_RPATH "$ORIGIN/.."
    INSTALL_RPATH "$ORIGIN/..")
  # Packages are unloaded with dlclose: a GNU unique symbol (any inline function or template
  # with a static local, every Q_OBJECT class) would pin the package in memory.
  target_compile_options(${name} PRIVATE -fno-gnu-unique)
  target_link_libraries(${name} PRIVATE Velkit07::velkit07)
  if(VELKIT07_PACKAGE_DIR)
    install(TARGETS ${name} LIBRARY DESTINATION ${VELKIT07_PACKAGE_DIR})
  endif()
endfunction()

# velnor_add_package_test(<name> SOURCES <sources>... [PACKAGES <package targets>...])
#
# Builds the test program <name> linked against the test kit (Velkit07::testkit, TestKit.h)
# and adds it to CTest, run offscreen in the current build folder. The packages are built
# first, and their folders are where the kit finds them by file name (VELNOR_PACKAGE_PATH).
function(velnor_add_package_test name)
  cmake_parse_arguments(TEST "" "" "SOURCES;PACKAGES" ${ARGN})
  add_executable(${name} ${TEST_SOURCES} ${TEST_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE Velkit07::testkit)
  set(package_path "")
  foreach(package ${TEST_PACKAGES})
    add_dependencies(${name} ${package})
    list(APPEND package_path "$<TARGET_FILE_DIR:${package}>")
  endforeach()
  list(JOIN package_path ":" package_path)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VELNOR_PACKAGE_PATH=${package_path}"
    TIMEOUT 300)
endfunction()
