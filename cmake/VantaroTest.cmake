# vantaro_add_test(NAME SOURCES files... LIBS targets... [REGIONAL fr_FR en_US ...])
# One GoogleTest executable whose cases CTest lists one by one. With REGIONAL, every case runs
# once under each of these regional settings, its name ending with them.
include(GoogleTest)
find_package(GTest REQUIRED)

function(vantaro_add_test nom)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;REGIONAL" ${ARGN})
    add_executable(${nom} ${ARG_SOURCES})
    target_link_libraries(${nom} PRIVATE vantaro_test_support ${ARG_LIBS} GTest::gtest)
    set_target_properties(${nom} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(NOT ARG_REGIONAL)
        gtest_discover_tests(${nom}
            WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
            PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
            DISCOVERY_TIMEOUT 60
            NO_PRETTY_VALUES)
        return()
    endif()
    # The tests' own main chooses the offscreen platform when none is set.
    foreach(regional IN LISTS ARG_REGIONAL)
        gtest_discover_tests(${nom}
            WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
            TEST_SUFFIX ".${regional}"
            PROPERTIES ENVIRONMENT "LC_ALL=${regional}.UTF-8"
            DISCOVERY_TIMEOUT 60
            NO_PRETTY_VALUES)
    endforeach()
endfunction()
