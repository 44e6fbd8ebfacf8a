# Cross-building for 32-bit Windows with Debian's mingw-w64 (posix threads, for std::thread).
# Everything links statically: the programs need no DLL of the compiler's runtime.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)  # Windows 7
set(CMAKE_SYSTEM_PROCESSOR x86)

set(MENDORA_MINGW_HOST i686-w64-mingw32)
set(CMAKE_C_COMPILER ${MENDORA_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MENDORA_MINGW_HOST}-g++-posix)
set(CMAKE_ASM_COMPILER ${MENDORA_MINGW_HOST}-gcc-posix)
set(CMAKE_RC_COMPILER ${MENDORA_MINGW_HOST}-windres)

# FreeType and libpng come from scripts/windows-libs, built into this prefix.
if(NOT MENDORA_WINLIBS)
  if(DEFINED ENV{MENDORA_WINLIBS})
    set(MENDORA_WINLIBS $ENV{MENDORA_WINLIBS})
  else()
    set(MENDORA_WINLIBS $ENV{HOME}/.cache/mendora/mingw-i686)
  endif()
endif()
set(MENDORA_WINLIBS ${MENDORA_WINLIBS} CACHE PATH "Prefix of the libraries built by scripts/windows-libs")

set(CMAKE_FIND_ROOT_PATH /usr/${MENDORA_MINGW_HOST} ${MENDORA_WINLIBS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

# zlib's static archive, never the import library of its DLL.
set(ZLIB_LIBRARY /usr/${MENDORA_MINGW_HOST}/lib/libz.a CACHE FILEPATH "")
set(ZLIB_INCLUDE_DIR /usr/${MENDORA_MINGW_HOST}/include CACHE PATH "")

# Doubles computed in double precision (SSE2), not in the x87's 80 bits: percentages,
# angles and radii then round exactly as on every other build (0.37 * 100 is 37, not
# 36.999...). Every x86 processor since 2003 has SSE2.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs built here run under wine: tests, and the generators the build itself runs.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
