cmake_minimum_required(VERSION 3.25)
# Builds each probe of CONSOMMATEUR in the build folder DOSSIER: the public headers must compile,
# each internal must be missing.
foreach(entete IN LISTS PUBLIQUES INTERNES)
    string(REPLACE ".h" "" nom ${entete})
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${DOSSIER} --target sonde_${CONSOMMATEUR}_${nom}
                    RESULT_VARIABLE resultat OUTPUT_VARIABLE sortie ERROR_VARIABLE sortie)
    if(entete IN_LIST PUBLIQUES)
        if(NOT resultat EQUAL 0)
            message(FATAL_ERROR "${entete} devrait se compiler pour ${CONSOMMATEUR} :\n${sortie}")
        endif()
    elseif(resultat EQUAL 0 OR NOT sortie MATCHES "${entete}: No such file or directory")
        message(FATAL_ERROR "${entete} ne devrait pas être visible pour ${CONSOMMATEUR} :\n${sortie}")
    endif()
endforeach()
