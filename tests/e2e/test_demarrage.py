"""The real program under Xvfb: each kind of mode opens its window, found by its title, and the
program ends with exit code 0 once the window is closed."""
import os
import subprocess
import tempfile

from bureau import CasSurBureau, executer_tests

VERSION = "Version 1.64 du 18/01/2023 10:23"
EXECUTABLE = None


class Demarrage(CasSurBureau):
    def lancer(self, *arguments):
        return subprocess.Popen([EXECUTABLE, *arguments], env=self.bureau.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def travail(self, contenu):
        dossier = tempfile.mkdtemp()
        chemin = os.path.join(dossier, "travail.ini")
        with open(chemin, "w", encoding="utf-8") as fichier:
            fichier.write(contenu)
        return chemin

    def test_sans_argument_message_d_usage(self):
        processus = self.lancer()
        boite = self.bureau.attendre_fenetre("Vantaro")
        self.assertNotIn("Vantaro - " + VERSION, self.bureau.titres_visibles())
        self.bureau.touche(boite, "Return")
        self.terminer(processus)

    def test_configuration_ouvre_le_hub(self):
        processus = self.lancer(self.travail("[Configuration]\nAgence=LYON\n"), "Configuration")
        titre = "Configuration - " + VERSION
        self.bureau.attendre_fenetre(titre)
        self.assertNotIn("Vantaro - " + VERSION, self.bureau.titres_visibles())
        self.bureau.fermer_fenetre(titre)
        self.terminer(processus)

    def test_rapport_ouvre_le_gestionnaire_d_impression(self):
        processus = self.lancer(self.travail("[Configuration]\nAgence=LYON\n"), "RAPPORT")
        titre = "Gestionnaire d'impression - " + VERSION
        self.bureau.attendre_fenetre(titre)
        self.bureau.fermer_fenetre(titre)
        self.terminer(processus)

    def test_exporter_ouvre_l_exportateur_qui_finit_seul(self):
        processus = self.lancer(self.travail("[Export]\nNombre=0\n"), "exporter")
        self.bureau.attendre_fenetre("Gestionnaire d'impression PDF - " + VERSION)
        self.terminer(processus)

    def test_type_d_impression_inconnu_garde_la_fenetre_principale(self):
        processus = self.lancer(self.travail("[Documents]\nTypeImpression=5\n"), "DOCUMENT")
        boite = self.bureau.attendre_fenetre("Vantaro")
        self.bureau.touche(boite, "Return")
        principale = self.bureau.attendre_fenetre("Vantaro - " + VERSION)
        self.assertIsNone(processus.poll())
        self.bureau.touche(principale, "space")  # "Fermer" has the focus
        self.terminer(processus)


if __name__ == "__main__":
    executer_tests(globals())
