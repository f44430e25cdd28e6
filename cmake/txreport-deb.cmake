# txreport's Debian package, for the machine that reads the logs,
# such as an Ansible controller. scripts/release makes it from a native
# build with cpack:
#   /usr/bin/txreport                      stripped
#   /usr/share/man/man1/txreport.1.gz      made from `txreport --help`
#   /usr/share/doc/txreport/copyright
#   /usr/share/doc/txreport/changelog.gz
#   /usr/share/doc/txreport/NOTICES        the notices of the toolchain's code
#                                          linked in, from TXREPORT_NOTICES,
#                                          a file that scripts/release writes
#                                          after the build, before cpack
#   /usr/share/lintian/overrides/txreport  lintian's warnings accepted, and why
# Its version is the project version. With SOURCE_DATE_EPOCH set when the
# build is configured and made, as scripts/release does, the package is
# reproducible: CPack dates every file in it then, help2man and the
# changelog take their date from it, gzip -n records neither name nor time,
# and the program holds no build path.

find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP_PROGRAM gzip REQUIRED)

set(txreport_summary "reports on what txreset, txcheck and txrestore wrote, per host")
set(txreport_maintainer "Tarnel <txreset@tarnel.example>")
set(txreport_doc share/doc/txreport)

install(TARGETS txreport RUNTIME DESTINATION bin)

# The man page, from the program's own --help: in the C locale, since
# help2man words its headings in the locale's language, and with paths
# relative to this folder, since help2man takes a path as Latin-1, which a
# path of other letters does not survive.
set(man_page ${CMAKE_CURRENT_BINARY_DIR}/txreport.1)
file(RELATIVE_PATH program_folder ${CMAKE_CURRENT_BINARY_DIR}
     ${PROJECT_BINARY_DIR})
add_custom_command(OUTPUT ${man_page}.gz
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C LANGUAGE=
          ${HELP2MAN} --no-info --no-discard-stderr
          --version-string=${PROJECT_VERSION} --name=${txreport_summary}
          --output=txreport.1 ${program_folder}/$<TARGET_FILE_NAME:txreport>
  COMMAND ${GZIP_PROGRAM} -9nf txreport.1
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
  DEPENDS txreport
  VERBATIM)

# A native package's changelog: this release, dated SOURCE_DATE_EPOCH.
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog)
file(CONFIGURE OUTPUT ${changelog} @ONLY CONTENT
"txreport (@PROJECT_VERSION@) stable; urgency=medium

  * Released with txreset @PROJECT_VERSION@ for Windows.

 -- @txreport_maintainer@  @changelog_date@
")
add_custom_command(OUTPUT ${changelog}.gz
  COMMAND ${GZIP_PROGRAM} -9nkf ${changelog}
  DEPENDS ${changelog}
  VERBATIM)
add_custom_target(txreport_docs ALL DEPENDS ${man_page}.gz ${changelog}.gz)

install(FILES ${man_page}.gz DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/txreport.copyright
        DESTINATION ${txreport_doc} RENAME copyright)
install(FILES ${changelog}.gz DESTINATION ${txreport_doc})
set(TXREPORT_NOTICES "" CACHE FILEPATH "The notices file for the package")
if(TXREPORT_NOTICES)
  install(FILES "${TXREPORT_NOTICES}" DESTINATION ${txreport_doc} RENAME NOTICES)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/cmake/txreport.lintian-overrides
        DESTINATION share/lintian/overrides RENAME txreport)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME txreport)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${txreport_maintainer})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${txreport_summary})
set(CPACK_PACKAGE_DESCRIPTION
"txreset resets a registry value of the Quorv services on Windows and tells
what it did only on standard error; txcheck checks the value and txrestore
puts back a backup. txreport reads what they wrote, saved one file per
host, and gives a verdict per host and per instance as a table, CSV, JSON
lines or an HTML page; its exit status says whether every host is ok.
The Ansible playbook shipped with txreset runs it on the controller.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
