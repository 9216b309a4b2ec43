# Cross-building the Windows programs on Debian with MinGW-w64 (apt-get install -y
# g++-mingw-w64-x86-64-posix): 64-bit executables for a bare Windows, with the C++ runtime and
# the POSIX threads library linked in, so that nothing but the data files needs to lie beside
# them. The posix flavour of the compiler is the one whose std::thread and std::mutex work,
# which the UCI engine's input thread needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTREK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VANTREK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTREK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTREK_MINGW_PREFIX}-windres)
# The compiler's own archiver and indexer read the link-time optimisation objects.
set(CMAKE_AR ${VANTREK_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${VANTREK_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the MinGW-w64 tree only, programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VANTREK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything static: libgcc, libstdc++ and winpthread would otherwise be DLLs that a bare
# Windows does not have.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
