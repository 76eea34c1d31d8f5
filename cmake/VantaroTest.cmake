# vantaro_add_test(NAME SOURCES files... LIBS targets... [REGIONAL fr_FR en_US ...]
#                  [LABEL unit|window|server] [PAR_FILTRE label filtre [label filtre]...])
# One GoogleTest executable whose cases CTest lists one by one. With REGIONAL, every case runs
# once under each of these regional settings, its name ending with them.
# Every case carries exactly one CTest label, so that a quick subset can run (ctest -L unit): the
# cases a GoogleTest filter of PAR_FILTRE picks carry the label before it (the first filter that
# picks a case wins), the others LABEL (unit when not given).
include(GoogleTest)
find_package(GTest REQUIRED)

# Lists the cases of each (label, filter) pair with that label.
function(vantaro_decouvrir nom suffixe environnement)
    set(paires ${ARGN})
    while(paires)
        list(POP_FRONT paires label filtre)
        gtest_discover_tests(${nom}
            WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
            TEST_FILTER "${filtre}"
            TEST_SUFFIX "${suffixe}"
            PROPERTIES ENVIRONMENT "${environnement}" LABELS ${label}
            DISCOVERY_TIMEOUT 60
            NO_PRETTY_VALUES)
    endwhile()
endfunction()

function(vantaro_add_test nom)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS;REGIONAL;PAR_FILTRE" ${ARGN})
    add_executable(${nom} ${ARG_SOURCES})
    target_link_libraries(${nom} PRIVATE vantaro_test_support ${ARG_LIBS} GTest::gtest)
    set_target_properties(${nom} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(NOT ARG_LABEL)
        set(ARG_LABEL unit)
    endif()
    # Each filter leaves out the cases of the filters before it; LABEL goes to what none picks.
    set(paires ${ARG_PAR_FILTRE})
    set(precedents "")
    set(exclusifs "")
    while(paires)
        list(POP_FRONT paires label filtre)
        list(APPEND exclusifs ${label} "${filtre}-${precedents}")
        string(APPEND precedents ":${filtre}")
    endwhile()
    list(APPEND exclusifs ${ARG_LABEL} "*-${precedents}")
    if(NOT ARG_REGIONAL)
        vantaro_decouvrir(${nom} "" "QT_QPA_PLATFORM=offscreen" ${exclusifs})
        return()
    endif()
    # The tests' own main chooses the offscreen platform when none is set.
    foreach(regional IN LISTS ARG_REGIONAL)
        vantaro_decouvrir(${nom} ".${regional}" "LC_ALL=${regional}.UTF-8" ${exclusifs})
    endforeach()
endfunction()

# The database server of the tests, started in a temporary folder by the fixture "postgresql"
# (tests/settings); the tests read its URI. Cached, so that the tests added from outside tests/
# (the designer's) see it too.
set(VANTARO_DOSSIER_SERVEUR ${CMAKE_BINARY_DIR}/postgresql CACHE INTERNAL "")

# vantaro_aussi_sur_serveur(NOM [FILTRE filtre])
# The same GoogleTest cases once more on the server: every case on both settings engines.
function(vantaro_aussi_sur_serveur nom)
    cmake_parse_arguments(ARG "" "FILTRE" "" ${ARGN})
    if(NOT ARG_FILTRE)
        set(ARG_FILTRE "*")
    endif()
    gtest_discover_tests(${nom}
        TEST_FILTER ${ARG_FILTRE}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
        TEST_SUFFIX ".serveur"
        PROPERTIES ENVIRONMENT VANTARO_TEST_SERVEUR=${VANTARO_DOSSIER_SERVEUR}/uri
                   FIXTURES_REQUIRED postgresql LABELS server
        DISCOVERY_TIMEOUT 60
        NO_PRETTY_VALUES)
endfunction()

# vantaro_test_outil(NOM ATTENDU regex ARGUMENTS arguments... [ENVIRONNEMENT variables...])
# One run of the command-line tool, passed when its output matches ATTENDU.
function(vantaro_test_outil nom)
    cmake_parse_arguments(ARG "" "ATTENDU" "ARGUMENTS;ENVIRONNEMENT" ${ARGN})
    add_test(NAME ${nom} COMMAND vantaro-outil ${ARG_ARGUMENTS})
    set(environnement QT_QPA_PLATFORM=offscreen ${ARG_ENVIRONNEMENT})
    set_tests_properties(${nom} PROPERTIES
        LABELS unit
        ENVIRONMENT "${environnement}"
        PASS_REGULAR_EXPRESSION "${ARG_ATTENDU}")
endfunction()
