# Cross toolchain: 32-bit Windows through MinGW-w64 (Debian's g++-mingw-w64-i686).
# The posix-thread variant is used because the Wine test program links GoogleTest,
# which needs std::mutex; the DLLs link no runtime at all, so the variant does not
# reach them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(_triple i686-w64-mingw32)
find_program(_mingw_cc  ${_triple}-gcc-posix)
find_program(_mingw_cxx ${_triple}-g++-posix)
find_program(_mingw_rc  ${_triple}-windres)
foreach(_tool _mingw_cc _mingw_cxx _mingw_rc)
  if(NOT ${_tool})
    message(FATAL_ERROR "MinGW-w64 i686 tool missing (${_tool}); install g++-mingw-w64-i686 "
                        "and binutils-mingw-w64-i686 (tools/install-packages.sh does)")
  endif()
endforeach()

set(CMAKE_C_COMPILER   ${_mingw_cc})
set(CMAKE_CXX_COMPILER ${_mingw_cxx})
set(CMAKE_RC_COMPILER  ${_mingw_rc})

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
