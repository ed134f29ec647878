# kvxsetup-<version>-x64.msi, built with wixl from Debian's msitools beside the zip. wixl
# takes the files by names relative to where it runs, so they are gathered in one folder,
# stripped as in the zip.
find_program(WIXL wixl REQUIRED)
set(KVX_MSI ${CMAKE_BINARY_DIR}/kvxsetup-${PROJECT_VERSION}-x64.msi)
set(stage ${CMAKE_BINARY_DIR}/msi)
set(wxs_source ${PROJECT_SOURCE_DIR}/packaging/windows/kvxsetup.wxs.in)
set(icon ${PROJECT_SOURCE_DIR}/src/app/win32/kvxsetup.ico)
configure_file(${wxs_source} ${stage}/kvxsetup.wxs @ONLY)
add_custom_command(OUTPUT ${KVX_MSI}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kvxsetup> $<TARGET_FILE:kvxctl>
          ${CMAKE_BINARY_DIR}/README.txt ${icon} ${stage}
  COMMAND ${CMAKE_STRIP} ${stage}/$<TARGET_FILE_NAME:kvxsetup> ${stage}/$<TARGET_FILE_NAME:kvxctl>
  COMMAND ${WIXL} --arch x64 --output ${KVX_MSI} kvxsetup.wxs
  WORKING_DIRECTORY ${stage}
  DEPENDS kvxsetup kvxctl ${stage}/kvxsetup.wxs ${CMAKE_BINARY_DIR}/README.txt ${icon}
  VERBATIM)
add_custom_target(kvxsetup_msi ALL DEPENDS ${KVX_MSI})
