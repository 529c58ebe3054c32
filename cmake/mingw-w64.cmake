# Cross build of the Windows program (x86_64) with the MinGW-w64 compilers.
# The POSIX-threads variant of the run-time is the one whose C++ library has
# std::thread and std::mutex. Test programs run under wine, which becomes the
# emulator that ctest and test discovery put in front of every .exe.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DIFUSAO_ALVO_MINGW x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${DIFUSAO_ALVO_MINGW}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${DIFUSAO_ALVO_MINGW}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${DIFUSAO_ALVO_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DIFUSAO_ALVO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every .exe carries its own C and C++ run-time and thread library, so that it
# runs on a bare Windows with nothing installed next to it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine: the 64-bit loader itself where the distribution keeps it apart from
# the "wine" launcher script.
find_program(DIFUSAO_WINE NAMES wine64 wine PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
find_program(DIFUSAO_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine /usr/lib64/wine
             NO_CMAKE_FIND_ROOT_PATH)
if(DIFUSAO_WINE)
  # A wine prefix of the build's own, unless the caller chose one; wine's
  # first-start prompts for optional components are switched off, and host
  # file names are UTF-8 whatever the caller's locale (under the C locale
  # wine cannot name a file with an accented letter).
  if(DEFINED ENV{WINEPREFIX} AND NOT "$ENV{WINEPREFIX}" STREQUAL "")
    set(DIFUSAO_PREFIXO_WINE_PADRAO "$ENV{WINEPREFIX}")
  else()
    set(DIFUSAO_PREFIXO_WINE_PADRAO "${CMAKE_BINARY_DIR}/wine")
  endif()
  set(DIFUSAO_PREFIXO_WINE "${DIFUSAO_PREFIXO_WINE_PADRAO}" CACHE PATH "Wine prefix in which the tests run")
  # wine_tentativas.sh starts a program again when wine itself failed to
  # start it (wineserver dropped the new client), and changes nothing else;
  # each such new start is noted in wine_tentativas.txt in the build folder.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      sh "${CMAKE_CURRENT_LIST_DIR}/wine_tentativas.sh" --avisos "${CMAKE_BINARY_DIR}/wine_tentativas.txt"
      env "WINEPREFIX=${DIFUSAO_PREFIXO_WINE}" WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" LC_ALL=C.UTF-8
      ${DIFUSAO_WINE})
endif()
