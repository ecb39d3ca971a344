# Brings the program icon from the host build into the Windows build's icon
# folder, for the resource script of velnorix.exe:
#   cmake -DSOURCE=<host>/icon/velnorix.ico -DDIR=<build>/icon -P windows-icon.cmake
# DIR gets velnorix.ico and icon_available.h, which defines VX_ICON_AVAILABLE
# when the host build has drawn the icon. Files are rewritten only when they
# change, so the resources are compiled again only then.
file(MAKE_DIRECTORY ${DIR})
if(EXISTS ${SOURCE})
  file(COPY_FILE ${SOURCE} ${DIR}/velnorix.ico ONLY_IF_DIFFERENT)
  set(header "#define VX_ICON_AVAILABLE 1\n")
else()
  if(NOT EXISTS ${DIR}/velnorix.ico)
    file(TOUCH ${DIR}/velnorix.ico)
  endif()
  set(header "// No icon drawn yet in the host build.\n")
endif()
file(CONFIGURE OUTPUT ${DIR}/icon_available.h CONTENT "${header}")
