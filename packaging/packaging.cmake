# The release archive: the three programs, the patcher that PPF mods call and the players'
# guide, packed by CPack as one ZIP file with everything at its top level, so it can be
# unpacked straight into a game folder. Nothing the tests build has an install rule, so none
# of it can end up inside.
install(TARGETS Grenwick Tavlin Orrisk ApplyPPF3 RUNTIME DESTINATION .)

# The guide is read with Notepad, which wants CR LF on older Windows.
configure_file("${CMAKE_CURRENT_LIST_DIR}/PLAYERS.txt" "${CMAKE_BINARY_DIR}/packaging/PLAYERS.txt" @ONLY
               NEWLINE_STYLE CRLF)
install(FILES "${CMAKE_BINARY_DIR}/packaging/PLAYERS.txt" DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "${PROJECT_NAME}")
set(CPACK_PACKAGE_VENDOR "Grenwick kit")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Map mod manager and mod writers")
# All four parts of the version: CPack would otherwise build it from the first three.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The archive's own check, and the bare dialog program start-up times are measured against.
if(GRENWICK_TESTS)
  add_subdirectory("${PROJECT_SOURCE_DIR}/tests/release" "${CMAKE_BINARY_DIR}/tests/release")
  add_subdirectory("${PROJECT_SOURCE_DIR}/bench/startup" "${CMAKE_BINARY_DIR}/bench/startup")
endif()
