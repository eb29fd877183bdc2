# The Windows download: cpack in the Windows build makes tockmeter-<version>-win64.zip, holding
# tockmeter.exe and README.txt, the user's short guide, side by side. The program keeps its
# settings beside itself, so the zip is the whole installation. (The Linux build makes its
# Debian package in platform/linux/CMakeLists.txt; the two builds never meet.)

# Notepad wants CR LF; the guide names the version it came with.
set(WINDOWS_GUIDE ${CMAKE_CURRENT_BINARY_DIR}/README.txt)
configure_file(${CMAKE_SOURCE_DIR}/res/windows_readme.txt.in ${WINDOWS_GUIDE} @ONLY
               NEWLINE_STYLE CRLF)

install(TARGETS tockmeter RUNTIME DESTINATION .)
install(FILES ${WINDOWS_GUIDE} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tockmeter)
set(CPACK_PACKAGE_FILE_NAME ${TOCKMETER_WINDOWS_PACKAGE_NAME})
# The files lie at the zip's top: Windows' "Extract All" makes the folder.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
