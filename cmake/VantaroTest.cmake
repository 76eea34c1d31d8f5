# vantaro_add_test(NAME SOURCES files... LIBS targets...)
# One GoogleTest executable whose cases CTest lists one by one.
include(GoogleTest)
find_package(GTest REQUIRED)

function(vantaro_add_test nom)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${nom} ${ARG_SOURCES})
    target_link_libraries(${nom} PRIVATE vantaro_test_support ${ARG_LIBS} GTest::gtest)
    set_target_properties(${nom} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${nom}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        DISCOVERY_TIMEOUT 60
        NO_PRETTY_VALUES)
endfunction()
