# Cross build of the Linux program for 64-bit ARM (aarch64) with Debian's
# cross compilers (g++-aarch64-linux-gnu). Test programs run under qemu-user,
# which becomes the emulator that ctest and test discovery put in front of
# every program of the build; it finds the target's loader and libraries in
# the cross compilers' sysroot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(DIFUSAO_ALVO_ARM aarch64-linux-gnu)

find_program(CMAKE_C_COMPILER NAMES ${DIFUSAO_ALVO_ARM}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${DIFUSAO_ALVO_ARM}-g++ REQUIRED)

set(DIFUSAO_RAIZ_ALVO /usr/${DIFUSAO_ALVO_ARM})
set(CMAKE_FIND_ROOT_PATH ${DIFUSAO_RAIZ_ALVO})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(DIFUSAO_QEMU NAMES qemu-aarch64 qemu-aarch64-static NO_CMAKE_FIND_ROOT_PATH)
if(DIFUSAO_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DIFUSAO_QEMU} -L ${DIFUSAO_RAIZ_ALVO})
endif()
