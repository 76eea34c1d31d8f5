# Installation and the Debian package (scripts/paquet.sh runs cpack in build/).
# The program reads its installation files from its own folder, so the program, the tool, the
# templates and the sample installation lie together in lib/vantaro; bin holds links to the two
# executables. What an administrator edits or the users write lies outside /usr: Vantaro.ini is a
# configuration file in /etc/vantaro, linked from the program's folder and naming the settings
# database in /var/lib/vantaro, where the folder Devis of the mail PDFs is linked to as well.
# The style is inside the program. The package is made with the prefix /usr.
include(GNUInstallDirs)

set(VANTARO_DOSSIER lib/vantaro)
set(VANTARO_DOSSIER_INSTALLE ${CMAKE_INSTALL_PREFIX}/${VANTARO_DOSSIER})
set(VANTARO_CONFIGURATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/vantaro)
set(VANTARO_DONNEES ${CMAKE_INSTALL_FULL_LOCALSTATEDIR}/lib/vantaro)
set(paquet ${CMAKE_BINARY_DIR}/paquet)

install(TARGETS Vantaro vantaro-outil vantaro-concepteur RUNTIME DESTINATION ${VANTARO_DOSSIER})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/installation/ DESTINATION ${VANTARO_DOSSIER}
    PATTERN Vantaro.ini EXCLUDE
    PATTERN devis.xml EXCLUDE)

# The sample data file's picture paths name the installed folder.
set(DOSSIER_PROGRAMME ${VANTARO_DOSSIER_INSTALLE})
configure_file(${PROJECT_SOURCE_DIR}/resources/installation/Exemples/devis.xml
    ${paquet}/devis.xml @ONLY)
install(FILES ${paquet}/devis.xml DESTINATION ${VANTARO_DOSSIER}/Exemples)

file(READ ${PROJECT_SOURCE_DIR}/resources/installation/Vantaro.ini installation)
string(REGEX REPLACE "Fichier=[^\r\n]*" "Fichier=${VANTARO_DONNEES}/Vantaro.abs" installation
    "${installation}")
file(CONFIGURE OUTPUT ${paquet}/Vantaro.ini CONTENT "${installation}" @ONLY)
install(FILES ${paquet}/Vantaro.ini DESTINATION ${VANTARO_CONFIGURATION})

file(MAKE_DIRECTORY ${paquet}/liens ${paquet}/bin)
file(CREATE_LINK ${VANTARO_CONFIGURATION}/Vantaro.ini ${paquet}/liens/Vantaro.ini SYMBOLIC)
file(CREATE_LINK ${VANTARO_DONNEES}/Devis ${paquet}/liens/Devis SYMBOLIC)
file(CREATE_LINK ../${VANTARO_DOSSIER}/Vantaro ${paquet}/bin/vantaro SYMBOLIC)
file(CREATE_LINK ../${VANTARO_DOSSIER}/vantaro-outil ${paquet}/bin/vantaro-outil SYMBOLIC)
file(CREATE_LINK ../${VANTARO_DOSSIER}/vantaro-concepteur ${paquet}/bin/vantaro-concepteur SYMBOLIC)
install(FILES ${paquet}/liens/Vantaro.ini ${paquet}/liens/Devis DESTINATION ${VANTARO_DOSSIER})
install(FILES ${paquet}/bin/vantaro ${paquet}/bin/vantaro-outil ${paquet}/bin/vantaro-concepteur
    DESTINATION ${CMAKE_INSTALL_BINDIR})

# The sample settings database as the package ships it; the package's setup copies it to
# /var/lib/vantaro once, and never over the administrator's.
# Its logo's path names the installed folder: made again when that changes.
file(CONFIGURE OUTPUT ${paquet}/dossier-installe CONTENT "${VANTARO_DOSSIER_INSTALLE}\n")
add_custom_command(OUTPUT ${paquet}/Vantaro.abs
    COMMAND ${CMAKE_COMMAND} -E rm -f ${paquet}/Vantaro.abs
    COMMAND ${CMAKE_COMMAND} -DOUTIL=$<TARGET_FILE:vantaro-outil> -DBASE=${paquet}/Vantaro.abs
            -DDOSSIER=${VANTARO_DOSSIER_INSTALLE} -P ${PROJECT_SOURCE_DIR}/tools/BaseExemple.cmake
    DEPENDS vantaro-outil ${paquet}/dossier-installe ${PROJECT_SOURCE_DIR}/tools/BaseExemple.cmake
    VERBATIM)
add_custom_target(vantaro_base_paquet ALL DEPENDS ${paquet}/Vantaro.abs)
install(FILES ${paquet}/Vantaro.abs DESTINATION ${CMAKE_INSTALL_DATADIR}/vantaro)
install(FILES README.md docs/modeles.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantaro)

configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/postinst.in ${paquet}/debian/postinst @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/postrm.in ${paquet}/debian/postrm @ONLY)
file(WRITE ${paquet}/debian/conffiles "${VANTARO_CONFIGURATION}/Vantaro.ini\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantaro)
set(CPACK_PACKAGE_VENDOR Vantaro)
set(CPACK_PACKAGE_CONTACT "Équipe Vantaro <vantaro@exemple.fr>")

# What Debian asks of every package: its terms, a changelog of the project's version (the
# package is native: its version is the project's) and a manual page for each command, the last
# two compressed as Debian's tools do, without a name or a time in the gzip header.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantaro)
string(TIMESTAMP VANTARO_DATE_PAQUET "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${paquet}/changelog @ONLY)
find_program(VANTARO_GZIP gzip REQUIRED)
set(compresses "")
foreach(source IN ITEMS ${paquet}/changelog ${CMAKE_CURRENT_LIST_DIR}/debian/man/vantaro.1
        ${CMAKE_CURRENT_LIST_DIR}/debian/man/vantaro-outil.1
        ${CMAKE_CURRENT_LIST_DIR}/debian/man/vantaro-concepteur.1)
    get_filename_component(nom ${source} NAME)
    add_custom_command(OUTPUT ${paquet}/gz/${nom}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${paquet}/gz
        COMMAND ${VANTARO_GZIP} -9 -n -c ${source} > ${paquet}/gz/${nom}.gz
        DEPENDS ${source})
    list(APPEND compresses ${paquet}/gz/${nom}.gz)
endforeach()
add_custom_target(vantaro_documentation_paquet ALL DEPENDS ${compresses})
list(POP_FRONT compresses changelog)
install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantaro)
install(FILES ${compresses} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "module d'impression, d'export et de mail")
# Debian wants the lines of the long description under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "Aperçu, impression, export PDF et CSV et envoi par mail des
documents commerciaux, avec l'outil vantaro-outil pour les administrateurs
et les auteurs de modèles, et le concepteur de modèles vantaro-concepteur.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, not linked: Qt's French texts and the templates' font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-dejavu-core, fonts-symbola")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${paquet}/debian/postinst ${paquet}/debian/postrm ${paquet}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
