# The Windows release, veltrana-<version>-windows10-x64.zip: the program folder veltrana\ with the
# Qt and MinGW libraries the programs load, so that nothing else needs installing on Windows 10
# and 11, and beside it 先解压再运行.txt. Included from package/CMakeLists.txt, beside the demo
# class it makes.

# Both programs carry the application manifest.
set(manifest ${CMAKE_CURRENT_BINARY_DIR}/veltrana.manifest)
configure_file(${CMAKE_CURRENT_LIST_DIR}/veltrana.manifest.in ${manifest} @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/manifest.rc.in ${CMAKE_CURRENT_BINARY_DIR}/manifest.rc @ONLY)
target_sources(veltrana PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/manifest.rc)
target_sources(veltrana-mkdb PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/manifest.rc)
set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/manifest.rc
    DIRECTORY ${PROJECT_SOURCE_DIR}/src/app ${PROJECT_SOURCE_DIR}/src/mkdb
    APPEND PROPERTY OBJECT_DEPENDS ${manifest})

install(TARGETS veltrana veltrana-mkdb DESTINATION veltrana)
install(DIRECTORY DESTINATION veltrana/Data)
install(FILES ${demo_db} DESTINATION veltrana/示例班级)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/使用说明.txt ${CMAKE_CURRENT_LIST_DIR}/qt.conf
        DESTINATION veltrana)
# Opened in the zip's own view, the first thing a teacher sees: unpack before starting.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/先解压再运行.txt DESTINATION .)

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
# The name says what it runs on, for the teacher who picks the download.
set(CPACK_PACKAGE_FILE_NAME veltrana-${PROJECT_VERSION}-windows10-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
