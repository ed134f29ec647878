# kvxctl-<version>-win64.zip: kvxctl.exe, which runs alone, the README's command-line part as
# text, and the licence when the tree has one.
install(TARGETS kvxctl RUNTIME DESTINATION .)

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
string(REGEX MATCH "## Using it with a real probe.*## Without a probe" usage "${readme}")
string(REGEX REPLACE "## Without a probe$" "" usage "${usage}")
file(WRITE ${CMAKE_BINARY_DIR}/kvxctl.txt "${usage}")
install(FILES ${CMAKE_BINARY_DIR}/kvxctl.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt OPTIONAL)

set(CPACK_GENERATOR ZIP)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME kvxctl-${PROJECT_VERSION}-win64)
include(CPack)
