include(GoogleTest)

# One call per test program: it links GoogleTest and the given libraries, and every
# discovered case runs headless with the build's tool and program beside it.
function(veltrana_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT
            "QT_QPA_PLATFORM=offscreen;VELTRANA_MKDB=$<TARGET_FILE:veltrana-mkdb>;VELTRANA_PROGRAM=$<TARGET_FILE:veltrana>")
endfunction()
