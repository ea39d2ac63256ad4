# q5_add_test(NAME name SOURCES ... LIBRARIES ... [DEPENDS targets...] [WRAPPER command...])
# One Qt Test executable, registered with CTest and run on the offscreen platform.
function(q5_add_test)
    if(NOT Q5_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;LIBRARIES;ENVIRONMENT;DEPENDS;WRAPPER" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Test ${ARG_LIBRARIES})
    # Tests reach the helpers of other modules' tests by their module paths.
    target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src
        ${PROJECT_SOURCE_DIR}/applications)
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
    # And a home of its own: what a test starts (session bus services such as the
    # accessibility bus, window managers) never writes into the home of whoever runs the tests,
    # and tests running in parallel never share a socket there.
    set(home ${test_tmp}/home)
    file(MAKE_DIRECTORY ${test_tmp} ${home} ${test_tmp}/runtime)
    file(CHMOD ${test_tmp}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set(private_home "HOME=${home};XDG_RUNTIME_DIR=${test_tmp}/runtime;XDG_CONFIG_HOME=${home}/.config;XDG_CACHE_HOME=${home}/.cache;XDG_DATA_HOME=${home}/.local/share;XDG_STATE_HOME=${home}/.local/state")
    set_tests_properties(${ARG_NAME} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;Q5_BIN_DIR=${CMAKE_BINARY_DIR}/bin;Q5_TEST_DIR=${CMAKE_BINARY_DIR}/tests;TMPDIR=${test_tmp};${private_home};${ARG_ENVIRONMENT}")
endfunction()
