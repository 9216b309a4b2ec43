# Installs the build in BUILD_DIR into the staging directory STAGE (as DESTDIR) under the
# prefix /usr, the way the Debian package lays it out; a fresh directory every time, so that
# a file the installation no longer makes cannot linger.
file(REMOVE_RECURSE ${STAGE})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD_DIR}
          --prefix /usr
  COMMAND_ERROR_IS_FATAL ANY)
