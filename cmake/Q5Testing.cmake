# q5_add_test(NAME name SOURCES ... LIBRARIES ... [DEPENDS targets...] [INCLUDES dirs...]
#             [WRAPPER command...])
# One Qt Test executable, registered with CTest and run on the offscreen platform.
function(q5_add_test)
    if(NOT Q5_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;LIBRARIES;ENVIRONMENT;DEPENDS;INCLUDES;WRAPPER" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Test ${ARG_LIBRARIES})
    target_include_directories(${ARG_NAME} PRIVATE ${ARG_INCLUDES})
    if(ARG_DEPENDS)
        # Programs the test runs as processes.
        add_dependencies(${ARG_NAME} ${ARG_DEPENDS})
    endif()
    set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    # WRAPPER: a command the test runs under, such as dbus-run-session --.
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_WRAPPER} $<TARGET_FILE:${ARG_NAME}>)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    # A temporary folder per test: Qt keeps shared-memory key files there, so tests running in
    # parallel never meet on a key.
    set(test_tmp ${CMAKE_BINARY_DIR}/test-tmp/${ARG_NAME})
    file(MAKE_DIRECTORY ${test_tmp})
    set_tests_properties(${ARG_NAME} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;Q5_BIN_DIR=${CMAKE_BINARY_DIR}/bin;Q5_TEST_DIR=${CMAKE_BINARY_DIR}/tests;TMPDIR=${test_tmp};${ARG_ENVIRONMENT}")
endfunction()
