# Second compiler for the DLLs: clang targeting i686-w64-mingw32, with the
# MinGW-w64 headers, import libraries, binutils and windres of Debian's
# MinGW-w64 packages. Only the DLLs are built with it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(_triple i686-w64-mingw32)
find_program(_clang_cc clang)
find_program(_clang_cxx clang++)
find_program(_mingw_rc ${_triple}-windres)
foreach(_tool _clang_cc _clang_cxx _mingw_rc)
  if(NOT ${_tool})
    message(FATAL_ERROR "tool missing (${_tool}); install clang and binutils-mingw-w64-i686")
  endif()
endforeach()

set(CMAKE_C_COMPILER ${_clang_cc})
set(CMAKE_CXX_COMPILER ${_clang_cxx})
set(CMAKE_C_COMPILER_TARGET ${_triple})
set(CMAKE_CXX_COMPILER_TARGET ${_triple})
set(CMAKE_RC_COMPILER ${_mingw_rc})
set(CMAKE_SYSROOT /usr/${_triple})
# Debian has no libgcc for clang's MinGW target; the DLLs link none, and the
# compiler checks need not link a program.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# The C++ headers (header-only parts: <span>, <cstddef>) are those of the
# MinGW-w64 g++ package; clang does not look for them there by itself.
file(GLOB _libstdcxx_dirs /usr/lib/gcc/${_triple}/*-posix/include/c++)
list(GET _libstdcxx_dirs 0 _libstdcxx)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${_libstdcxx} -isystem ${_libstdcxx}/${_triple}")

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
