# cmake -DFICHIER=<devis.xml> -DDOSSIER=<program folder> -P ExempleDevis.cmake
# Writes the program's folder into the sample data file's picture paths, which the host always
# writes absolute.
file(READ "${FICHIER}" contenu)
string(REPLACE "@DOSSIER_PROGRAMME@" "${DOSSIER}" reecrit "${contenu}")
if(NOT reecrit STREQUAL contenu)
    file(WRITE "${FICHIER}" "${reecrit}")
endif()
