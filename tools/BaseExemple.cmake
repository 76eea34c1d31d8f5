# The sample installation's settings database: created once by the tool, then given a print
# configuration for the title "Devis" at the global level when it has none.
# Variables: OUTIL (the tool), BASE (the database file), DOSSIER (the program's folder).
if(NOT EXISTS "${BASE}")
    execute_process(COMMAND "${OUTIL}" base-creer "${BASE}" COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND "${OUTIL}" base-lire "${BASE}" Devis Orientation
    RESULT_VARIABLE absente OUTPUT_QUIET ERROR_QUIET)
if(absente EQUAL 0)
    return()
endif()

function(ecrire cle valeur)
    execute_process(COMMAND "${OUTIL}" base-ecrire "${BASE}" Devis "${cle}" "${valeur}"
        COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
endfunction()

ecrire(Orientation "Portrait")
ecrire(Logo "${DOSSIER}/Exemples/logo.png")
ecrire(CGV "Devis valable trois mois à compter de sa date d'émission.%Acompte de trente pour cent à la commande, solde à la livraison.%Délai de pose indicatif : six à huit semaines après validation des cotes.")
ecrire(QCM "Menuiseries conformes aux normes NF et au marquage CE.%Performances thermiques selon les valeurs Uw indiquées sur chaque ligne.")
ecrire(PiedDePage1 "Menuiseries Vantaro - 12 rue des Artisans - 69003 Lyon - SIRET 123 456 789 00012")
ecrire(PiedDePage2 "Assurance décennale n° 2026-0042%TVA intracommunautaire FR12 123456789")
ecrire(DebutLigne "Fourniture et pose selon le descriptif ci-dessous")
ecrire(FinLigne "Enlèvement et recyclage des anciennes menuiseries inclus")
