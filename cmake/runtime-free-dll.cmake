# Code that goes into a DLL without a C runtime: no exceptions, no RTTI, no
# unwind tables, no stack protector, and no byte loops turned into memset/memcpy.
function(quillet_runtime_free_code target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Os
    -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
    -fno-stack-protector -fno-stack-check -fno-ident
    -ffunction-sections -fdata-sections
    $<$<CXX_COMPILER_ID:GNU>:-fno-tree-loop-distribute-patterns>
    $<$<CXX_COMPILER_ID:Clang>:-fno-builtin>)
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
endfunction()

# Turns a SHARED library target into a DLL that carries no C runtime: its own
# start-up routine is the entry point, nothing from libgcc, libstdc++, msvcrt or
# winpthread is linked, and only the system DLLs given with
# target_link_libraries end up in the import table.
function(quillet_runtime_free_dll target)
  quillet_runtime_free_code(${target})
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ".dll" IMPORT_PREFIX "")
  target_link_options(${target} PRIVATE
    -nostdlib -nostartfiles -s
    -Wl,--entry,_DllStartup@12
    -Wl,--gc-sections
    -Wl,--dynamicbase -Wl,--nxcompat
    -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc)
endfunction()
