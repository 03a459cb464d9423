include(GoogleTest)

# One call per test program: it links GoogleTest and the given libraries, and every
# discovered case runs headless with the build's tool and program beside it.
function(veltrana_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    # A Windows build lists its cases when the tests run, through the emulator (Wine), which the
    # build itself need not have.
    set(discovery)
    if(CMAKE_CROSSCOMPILING)
        set(discovery DISCOVERY_MODE PRE_TEST)
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES ${discovery})
    # gtest_discover_tests splits a list given as a property value into separate arguments, so
    # the environment is set by a script that ctest reads after the discovered cases.
    set(environment "${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake")
    file(GENERATE OUTPUT "${environment}" CONTENT
"if(${name}_TESTS)
  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT \"QT_QPA_PLATFORM=offscreen;VELTRANA_MKDB=$<TARGET_FILE:veltrana-mkdb>;VELTRANA_PROGRAM=$<TARGET_FILE:veltrana>\")
endif()
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${environment}")
endfunction()
