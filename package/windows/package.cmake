# The Windows release, veltrana-<version>-windows-x86_64.zip: the program folder veltrana\ with the
# Qt and MinGW libraries the programs load, so that nothing else needs installing on Windows 10
# and 11. Included from package/CMakeLists.txt, beside the demo class it makes.

install(TARGETS veltrana veltrana-mkdb DESTINATION veltrana)
install(DIRECTORY DESTINATION veltrana/Data)
install(FILES ${demo_db} DESTINATION veltrana/示例班级)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/使用说明.txt ${CMAKE_CURRENT_LIST_DIR}/qt.conf
        DESTINATION veltrana)

# Qt's libraries (Network for the phone upload's addresses) and the plugins the window loads:
# the Windows platform, its native style and the JPEG reader (PNG is part of Qt Gui). Qt's
# dialogs speak Chinese through Debian's translation file, the same on every system.
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        $<TARGET_FILE:Qt6::Network> DESTINATION veltrana)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION veltrana/plugins/platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION veltrana/plugins/styles)
install(FILES $<TARGET_FILE:Qt6::QJpegPlugin> DESTINATION veltrana/plugins/imageformats)
install(FILES /usr/share/qt6/translations/qtbase_zh_CN.qm DESTINATION veltrana/translations)

# MinGW's C++ runtime, which Qt's libraries and the programs share.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    install(FILES ${runtime_path} DESTINATION veltrana)
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME veltrana-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
