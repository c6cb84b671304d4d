# Installation and the Debian package.
#
# The installed tree keeps the layout of the build folder's bin/, so that the program finds
# its libraries ($ORIGIN) and packages (packages/) the same way in both:
#   <prefix>/lib/velnor07/           velnor07, the tools, libvelkit07.so, libvelplatform.so
#   <prefix>/lib/velnor07/packages/  the sample packages (and those installed by outside authors)
#   <prefix>/bin/                    links to the program and the tools
#   <prefix>/include/velnor07/       the public headers of the platform layer and the framework
#   <prefix>/lib/cmake/Velkit07/     the CMake package for find_package(Velkit07)
#   <prefix>/share/applications/, <prefix>/share/icons/  the desktop entry and its icon
include(CMakePackageConfigHelpers)

set(VELNOR_INSTALL_PROGRAM_DIR lib/velnor07)
set(VELNOR_INSTALL_CMAKE_DIR lib/cmake/Velkit07)

# Installs every target of the given folders (and their sub-folders) that is of Type:
# EXECUTABLE into the program folder with a link in bin/, MODULE_LIBRARY into its package folder.
function(velnor_install_targets_of type)
  foreach(dir ${ARGN})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(target ${targets})
      get_target_property(target_type ${target} TYPE)
      if(NOT target_type STREQUAL type)
        continue()
      endif()
      if(type STREQUAL "EXECUTABLE")
        install(TARGETS ${target} RUNTIME DESTINATION ${VELNOR_INSTALL_PROGRAM_DIR})
        install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
          file(CREATE_LINK \"../${VELNOR_INSTALL_PROGRAM_DIR}/${target}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${target}\" SYMBOLIC)")
      else()
        install(TARGETS ${target} LIBRARY DESTINATION ${VELNOR_INSTALL_PROGRAM_DIR}/packages)
      endif()
    endforeach()
    if(subdirs)
      velnor_install_targets_of(${type} ${subdirs})
    endif()
  endforeach()
endfunction()

velnor_install_targets_of(EXECUTABLE ${PROJECT_SOURCE_DIR}/shell ${PROJECT_SOURCE_DIR}/tools)
velnor_install_targets_of(MODULE_LIBRARY ${PROJECT_SOURCE_DIR}/plugins)

# The two libraries and every public header of their folders, and the test kit: the SDK.
install(TARGETS velplatform velkit07 testkit EXPORT Velkit07Targets
  LIBRARY DESTINATION ${VELNOR_INSTALL_PROGRAM_DIR}
  INCLUDES DESTINATION include/velnor07)
file(GLOB_RECURSE VELNOR_PUBLIC_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/*.h ${PROJECT_SOURCE_DIR}/framework/*.h)
# A unit's private header (UnitPrivate.h) is shared by the files of that unit only.
list(APPEND VELNOR_PUBLIC_HEADERS ${PROJECT_SOURCE_DIR}/tools/testkit/TestKit.h)
list(FILTER VELNOR_PUBLIC_HEADERS EXCLUDE REGEX "Private\\.h$")
install(FILES ${VELNOR_PUBLIC_HEADERS} DESTINATION include/velnor07)
install(EXPORT Velkit07Targets NAMESPACE Velkit07:: DESTINATION ${VELNOR_INSTALL_CMAKE_DIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/Velkit07Config.cmake.in ${PROJECT_BINARY_DIR}/Velkit07Config.cmake @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/Velkit07ConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/Velkit07Config.cmake ${PROJECT_BINARY_DIR}/Velkit07ConfigVersion.cmake
  ${CMAKE_CURRENT_LIST_DIR}/VelnorPackage.cmake DESTINATION ${VELNOR_INSTALL_CMAKE_DIR})

install(FILES ${PROJECT_SOURCE_DIR}/shell/velnor07.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/shell/velnor07.svg DESTINATION share/icons/hicolor/scalable/apps)

# cpack -G DEB (in the build folder): velnor07_<version>_<arch>.deb, installed under /usr.
set(CPACK_PACKAGE_NAME velnor07)
set(CPACK_PACKAGE_VENDOR "velnor07")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Modular shell for database workstation applications, with its plug-in SDK")
set(CPACK_PACKAGE_CONTACT "velnor07 developers <velnor07@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6core6, libqt6gui6, libqt6widgets6, libqt6sql6, libqt6sql6-sqlite, libqt6sql6-psql, libjpeg62-turbo, qt6-translations-l10n")
include(CPack)
