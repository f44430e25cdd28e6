# How every Windows program of the project is built: for the oldest Windows
# each architecture has, as one file that imports only system DLLs, with a
# version resource and a manifest.

# The oldest Windows each build runs on: Windows 2000 for 32-bit, and
# Windows XP x64 / Server 2003 x64, the first 64-bit Windows, for x86-64.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TX_WINDOWS_VERSION 5 2)
  set(TX_MANIFEST_ARCH amd64)
  set(TX_LINK_ARCH_OPTIONS -Wl,--high-entropy-va)
else()
  set(TX_WINDOWS_VERSION 5 0)
  set(TX_MANIFEST_ARCH x86)
  set(TX_LINK_ARCH_OPTIONS)
endif()
list(GET TX_WINDOWS_VERSION 0 TX_WINDOWS_MAJOR)
list(GET TX_WINDOWS_VERSION 1 TX_WINDOWS_MINOR)

# A shipped Windows program is one file that runs on a bare system of that
# age: the C++ and GCC runtimes are linked in, so only system DLLs are
# imported. No time stamp and no build paths go into it, so any build of a
# commit gives the same bytes. Applies to the program's libraries as well.
function(tx_windows_code target)
  tx_no_build_paths(${target})
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
endfunction()

# The program itself: the code options above, the link options, and the
# version resource and manifest that name it and the processor it is for.
function(tx_windows_program target description)
  tx_windows_code(${target})
  target_link_options(${target} PRIVATE -static -s
    -Wl,--no-insert-timestamp -Wl,--dynamicbase -Wl,--nxcompat
    ${TX_LINK_ARCH_OPTIONS}
    -Wl,--major-subsystem-version,${TX_WINDOWS_MAJOR}
    -Wl,--minor-subsystem-version,${TX_WINDOWS_MINOR}
    -Wl,--major-os-version,${TX_WINDOWS_MAJOR}
    -Wl,--minor-os-version,${TX_WINDOWS_MINOR})

  set(PROGRAM_FILE ${target})
  set(PROGRAM_DESCRIPTION ${description})
  set(manifest ${PROJECT_BINARY_DIR}/${target}.manifest)
  set(script ${PROJECT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows_program.manifest.in
                 ${manifest} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows_program.rc.in ${script}
                 @ONLY)
  target_sources(${target} PRIVATE ${script})
  set_property(SOURCE ${script} APPEND PROPERTY OBJECT_DEPENDS ${manifest})
endfunction()
