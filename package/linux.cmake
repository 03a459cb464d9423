# The Linux archive carries the libraries, Qt plugins, Qt's Chinese texts and a Chinese font that a
# desktop does not have by itself, so the unpacked folder starts without installing anything.

# The programs look for their libraries in lib/ beside them. An RPATH, unlike a RUNPATH, also
# serves the libraries' own dependencies and the plugins Qt loads, none of which carry a path.
set_target_properties(veltrana veltrana-mkdb PROPERTIES INSTALL_RPATH "$ORIGIN/lib")
target_link_options(veltrana PRIVATE -Wl,--disable-new-dtags)
target_link_options(veltrana-mkdb PRIVATE -Wl,--disable-new-dtags)

# What every Linux desktop has and what must match the machine stays with the system: the C and
# C++ runtimes and the loader (the program's own ABI), the X11 client libraries (matching the
# display server), the GL and EGL drivers, and fontconfig and FreeType with the libraries they
# load (matching the system's font configuration and fonts). A sanitized build's runtimes belong
# to the machine that tests it.
set(system_libraries
    "^ld-linux" "^lib(c|m|dl|pthread|rt|resolv)\\.so" "^lib(stdc\\+\\+|gcc_s|asan|ubsan)\\.so"
    "^lib(X11|X11-xcb|Xau|Xdmcp|xcb|xcb-.*|xkbcommon|xkbcommon-x11|ICE|SM)\\.so"
    "^lib(GL|GLX|GLdispatch|EGL|OpenGL)\\.so"
    "^lib(fontconfig|freetype|z|png16|expat|bz2|brotli.*)\\.so")

# The X11 platform, JPEG (PNG is built into Qt), and the input methods' bridge, without which a
# Chinese name cannot be typed into the look-up.
set(qt_plugins
    platforms:QXcbIntegrationPlugin
    imageformats:QJpegPlugin
    platforminputcontexts:QIbusPlatformInputContextPlugin
    platforminputcontexts:QComposePlatformInputContextPlugin)
foreach(plugin IN LISTS qt_plugins)
    string(REPLACE ":" ";" plugin ${plugin})
    list(GET plugin 0 kind)
    list(GET plugin 1 name)
    # Debian's Qt leaves its plugins' targets out of Qt6Gui's own package.
    find_package(Qt6${name} REQUIRED CONFIG PATHS ${Qt6Gui_DIR} NO_DEFAULT_PATH)
    install(IMPORTED_RUNTIME_ARTIFACTS Qt6::${name} RUNTIME_DEPENDENCY_SET veltrana_libraries
        LIBRARY DESTINATION veltrana/plugins/${kind})
endforeach()
install(RUNTIME_DEPENDENCY_SET veltrana_libraries
    PRE_EXCLUDE_REGEXES ${system_libraries}
    DESTINATION veltrana/lib)
install(FILES qt.conf DESTINATION veltrana)
install(FILES ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS}/qtbase_zh_CN.qm
    DESTINATION veltrana/translations)

# WenQuanYi Micro Hei: the smallest complete Simplified Chinese font that Debian ships, under
# Apache 2.0 or GPLv3 with the font exception.
find_file(chinese_font wqy-microhei.ttc PATHS /usr/share/fonts/truetype/wqy
    REQUIRED NO_DEFAULT_PATH)
install(FILES ${chinese_font} DESTINATION veltrana/fonts)
install(FILES /usr/share/doc/fonts-wqy-microhei/copyright DESTINATION veltrana/fonts
    RENAME wqy-microhei-copyright.txt)

# The licences that the bundled libraries ask to travel with them (Qt's LGPL among them), as the
# Debian packages they came from state them.
install(CODE [[
    set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/veltrana")
    file(GLOB_RECURSE bundled "${folder}/lib/*" "${folder}/plugins/*")
    set(patterns)
    foreach(file IN LISTS bundled)
        get_filename_component(name "${file}" NAME)
        list(APPEND patterns "*/${name}")
    endforeach()
    execute_process(COMMAND dpkg-query --search ${patterns} OUTPUT_VARIABLE owners
        COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "[^\n]+" owners "${owners}")
    set(packages)
    foreach(owner IN LISTS owners)
        string(REGEX REPLACE ":.*" "" package "${owner}")
        list(APPEND packages ${package})
    endforeach()
    list(REMOVE_DUPLICATES packages)
    # One licence per source project: Qt's libraries share theirs.
    execute_process(
        COMMAND dpkg-query --show "--showformat=\${source:Package} \${Package}\n" ${packages}
        OUTPUT_VARIABLE sources COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "[^\n]+" sources "${sources}")
    file(MAKE_DIRECTORY "${folder}/licenses")
    foreach(source IN LISTS sources)
        string(REPLACE " " ";" source "${source}")
        list(GET source 0 project)
        list(GET source 1 package)
        file(COPY_FILE /usr/share/doc/${package}/copyright "${folder}/licenses/${project}.txt")
    endforeach()
]])

# FreeXL is linked into the programs (the patched build of scripts/linux/freexl.sh), so no
# library file brings its licence along.
install(FILES ${VELTRANA_FREEXL_PREFIX}/share/doc/freexl/copyright DESTINATION veltrana/licenses
    RENAME freexl.txt)
