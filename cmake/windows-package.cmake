# The Windows installation: the console and the simulator beside the Qt they
# load (scripts/deploy-windows gathers it at install time), and the NSIS
# installer that CPack makes of it.
install(TARGETS skyquill skyquill-station RUNTIME DESTINATION .)
get_filename_component(SKYQUILL_QT_PREFIX "${Qt5_DIR}/../../.." ABSOLUTE)
install(CODE "
    execute_process(COMMAND \"${PROJECT_SOURCE_DIR}/scripts/deploy-windows\"
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\" \"${SKYQUILL_QT_PREFIX}\"
        RESULT_VARIABLE deployed)
    if(NOT deployed EQUAL 0)
        message(FATAL_ERROR \"scripts/deploy-windows failed\")
    endif()")

set(CPACK_PACKAGE_NAME skyquill)
set(CPACK_PACKAGE_VENDOR Quorin)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Console for one automatic weather station")
set(CPACK_PACKAGE_FILE_NAME skyquill-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Skyquill)
set(CPACK_PACKAGE_EXECUTABLES skyquill Skyquill)
set(CPACK_GENERATOR NSIS)
# A 64-bit installer: the programs are 64-bit, and it needs no 32-bit Windows
# layer (Wine's wine64 alone runs it).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Skyquill)
set(CPACK_NSIS_DISPLAY_NAME "Skyquill ${PROJECT_VERSION}")
# The programs sit at the top of the installation, beside their DLLs.
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME skyquill.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MUI_FINISHPAGE_RUN skyquill.exe)
include(CPack)
