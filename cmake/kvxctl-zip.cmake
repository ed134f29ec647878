# kvxctl-<version>-win64.zip: kvxctl.exe, which runs alone, its readme for Windows users with
# Windows line ends, and the licence when the tree has one.
install(TARGETS kvxctl RUNTIME DESTINATION .)

set(readme_source ${PROJECT_SOURCE_DIR}/packaging/windows/kvxctl-readme.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${readme_source})
configure_file(${readme_source} ${CMAKE_BINARY_DIR}/kvxctl-readme.lf @ONLY)
file(READ ${CMAKE_BINARY_DIR}/kvxctl-readme.lf readme)
string(REPLACE "\n" "\r\n" readme "${readme}")
file(WRITE ${CMAKE_BINARY_DIR}/README.txt "${readme}")
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt OPTIONAL)

set(CPACK_GENERATOR ZIP)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME kvxctl-${PROJECT_VERSION}-win64)
include(CPack)
