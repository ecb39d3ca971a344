# The Windows programs, cross-built with mingw-w64: velnorix.exe on the Win32
# backend, velnorix-headless.exe on the headless bench, install.exe,
# Uninstall.exe and audiow32.dll. The Data folder, the icon and the archive
# packer are made by a Linux build of the project (VX_HOST_BUILD).
set(VX_HOST_BUILD "${PROJECT_SOURCE_DIR}/build" CACHE PATH
    "Linux build folder holding Data, the icon and vx-pack")
if(NOT EXISTS "${VX_HOST_BUILD}/Data")
  message(FATAL_ERROR "No Data folder in VX_HOST_BUILD (${VX_HOST_BUILD}): build the Linux programs first")
endif()
set(VX_DATA_DIR ${CMAKE_BINARY_DIR}/Data)

add_subdirectory(third_party/libxmp)
add_subdirectory(platform)
add_subdirectory(game)
add_subdirectory(install)
add_subdirectory(uninstall)
add_subdirectory(tools/wine_probe)

# The program icon (resource 101 of velnorix.exe), from the host build's
# content tools; a host build that has not drawn it yet gives a program
# without an icon, never a broken build.
set(VX_ICON_DIR ${CMAKE_BINARY_DIR}/icon)
add_custom_target(vx_win32_icon
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${VX_HOST_BUILD}/icon/velnorix.ico -DDIR=${VX_ICON_DIR}
          -P ${PROJECT_SOURCE_DIR}/cmake/windows-icon.cmake
  BYPRODUCTS ${VX_ICON_DIR}/velnorix.ico ${VX_ICON_DIR}/icon_available.h
  COMMENT "Taking the program icon from the host build")
add_dependencies(velnorix vx_win32_icon)
target_include_directories(velnorix PRIVATE ${VX_ICON_DIR})
set_source_files_properties(${PROJECT_SOURCE_DIR}/platform/win32/velnorix.rc
  DIRECTORY ${PROJECT_SOURCE_DIR}/game
  PROPERTIES OBJECT_DEPENDS "${VX_ICON_DIR}/velnorix.ico;${VX_ICON_DIR}/icon_available.h")

# The programs run from the build folder, like the Linux ones: it gets a copy
# of the host build's Data folder.
# Copied again only when a file of the host's Data folder changed.
file(GLOB VX_HOST_DATA_FILES CONFIGURE_DEPENDS ${VX_HOST_BUILD}/Data/*)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/data-copied.stamp
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${VX_HOST_BUILD}/Data ${VX_DATA_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/data-copied.stamp
  DEPENDS ${VX_HOST_DATA_FILES}
  COMMENT "Copying the Data folder from the host build")
add_custom_target(vx_win32_data ALL DEPENDS ${CMAKE_BINARY_DIR}/data-copied.stamp)

# The release folder a Windows user downloads: ship/install.exe and
# ship/data.1 (velnorix.exe, audiow32.dll and Uninstall.exe in the
# installation folder, then the Data folder), made by the host's packer; and
# velnorix-win32.zip holding the two.
set(VX_WIN32_SHIP ${CMAKE_BINARY_DIR}/ship)
set(VX_WIN32_ZIP ${CMAKE_BINARY_DIR}/velnorix-win32.zip)
add_custom_command(OUTPUT ${VX_WIN32_SHIP}/data.1 ${VX_WIN32_SHIP}/install.exe ${VX_WIN32_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VX_WIN32_SHIP}
  COMMAND ${VX_HOST_BUILD}/vx-pack --output ${VX_WIN32_SHIP}/data.1
          --file velnorix.exe=$<TARGET_FILE:velnorix>
          --file audiow32.dll=$<TARGET_FILE:audiow32>
          --file Uninstall.exe=$<TARGET_FILE:vx_uninstall_exe>
          --dir Data=${VX_HOST_BUILD}/Data
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:vx_install_exe> ${VX_WIN32_SHIP}/
  COMMAND ${CMAKE_COMMAND} -E chdir ${VX_WIN32_SHIP}
          ${CMAKE_COMMAND} -E tar cf ${VX_WIN32_ZIP} --format=zip "--mtime=2000-01-01 00:00:00 UTC"
          install.exe data.1
  DEPENDS velnorix audiow32 vx_install_exe vx_uninstall_exe ${VX_HOST_DATA_FILES}
  COMMENT "Packing ship/data.1 and velnorix-win32.zip"
  VERBATIM)
add_custom_target(vx_win32_ship ALL
  DEPENDS ${VX_WIN32_SHIP}/data.1 ${VX_WIN32_SHIP}/install.exe ${VX_WIN32_ZIP})

if(VX_BUILD_TESTS)
  enable_testing()
  add_subdirectory(tests/wine)
endif()

# Each program carries its manifest: execution level (the installer and the
# uninstaller write HKEY_LOCAL_MACHINE, so they ask for an administrator;
# the game does not), per-monitor DPI awareness (no blurred scaling) and the
# Windows versions it was made for.
set(VX_MANIFESTS ${PROJECT_SOURCE_DIR}/platform/win32/manifests)
target_sources(velnorix PRIVATE ${VX_MANIFESTS}/velnorix.rc)
target_sources(vx_install_exe PRIVATE ${VX_MANIFESTS}/install.rc)
target_sources(vx_uninstall_exe PRIVATE ${VX_MANIFESTS}/uninstall.rc)
foreach(program velnorix install uninstall)
  set_source_files_properties(${VX_MANIFESTS}/${program}.rc
    PROPERTIES OBJECT_DEPENDS ${VX_MANIFESTS}/${program}.manifest)
endforeach()
