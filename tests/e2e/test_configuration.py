"""The real program in the mode "Configuration" under Xvfb, on an installation of its own: the hub
opens the print configuration window and the SMTP window; closing the print configuration window
writes what the user changed, after asking, into the settings database, read back with the
sqlcipher shell, and nothing when nothing changed."""
import os
import shutil
import subprocess
import tempfile
import time

from bureau import CasSurBureau, executer_tests

VERSION = "Version 1.64 du 18/01/2023 10:23"
MOT_DE_PASSE = "#Lantrovaxe37"
HUB = "Configuration - " + VERSION
IMPRESSION = "Configuration du Vantaro"
SMTP = "Configuration du SMTP"
EXECUTABLE = None

VALEURS_GLOBALES = [("Orientation", "Paysage"), ("CGV", "Paiement à 30 jours%Sans escompte"),
                    ("QCM", "Qualité contrôlée"), ("PiedDePage1", "Vantaro SA"),
                    ("PiedDePage2", "Siège%Lyon"), ("DebutLigne", "Début"),
                    ("FinLigne", "Fin")]


class Configuration(CasSurBureau):
    def setUp(self):
        """An installation folder of its own: the program, Vantaro.ini, the title "Devis" and a
        settings database made by the tool."""
        self.dossier = tempfile.mkdtemp()
        self.programme = os.path.join(self.dossier, "Vantaro")
        shutil.copy2(EXECUTABLE, self.programme)
        with open(os.path.join(self.dossier, "Vantaro.ini"), "w", encoding="utf-8") as f:
            f.write("[Templates]\nDocuments=Modeles/\n[Database]\nFichier=\n")
        os.makedirs(os.path.join(self.dossier, "Modeles", "Devis"))
        self.base = os.path.join(self.dossier, "Vantaro.abs")
        self.outil("base-creer", self.base)

    def tearDown(self):
        shutil.rmtree(self.dossier, ignore_errors=True)

    def outil(self, *arguments):
        outil = os.path.join(os.path.dirname(EXECUTABLE), "vantaro-outil")
        subprocess.run([outil, *arguments], check=True, capture_output=True)

    def sql(self, requete):
        """Rows of a query run by the sqlcipher shell with the database's password."""
        resultat = subprocess.run(["sqlcipher", self.base], check=True, capture_output=True,
                                  text=True,
                                  input="PRAGMA key='%s';\n.mode list\n%s;\n"
                                        % (MOT_DE_PASSE, requete))
        return [ligne for ligne in resultat.stdout.splitlines() if ligne and ligne != "ok"]

    def lancer(self, agence):
        travail = os.path.join(self.dossier, "travail.ini")
        with open(travail, "w", encoding="utf-8") as f:
            f.write("[Configuration]\nAgence=%s\nUtilisateur=\n" % agence)
        return subprocess.Popen([self.programme, travail, "Configuration"], env=self.bureau.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def attendre_fermeture(self, titre, delai=20.0):
        fin = time.monotonic() + delai
        while titre in self.bureau.titres_visibles():
            if time.monotonic() > fin:
                self.fail("la fenêtre %r reste ouverte" % titre)
            time.sleep(0.2)

    def lignes_de_lyon(self):
        return self.sql(
            "SELECT Cle, ValeurType, coalesce(ValeurChaine, ValeurEntier) FROM Parametres"
            " WHERE Agence = 'LYON' AND Utilisateur = '' AND Section = 'Devis' ORDER BY Cle")

    def test_fermer_la_configuration_d_impression_enregistre_la_configuration_entiere(self):
        for cle, valeur in VALEURS_GLOBALES:
            self.outil("base-ecrire", self.base, "Devis", cle, valeur)
        processus = self.lancer("LYON")
        hub = self.bureau.attendre_fenetre(HUB)
        # The hub has its own task bar button: no owner window.
        self.assertNotIn("WM_TRANSIENT_FOR", self.bureau.commande("xprop", "-id", hub))

        self.bureau.touche(hub, "space")  # "Impression" has the focus
        impression = self.bureau.attendre_fenetre(IMPRESSION)
        self.bureau.touche(impression, "Escape")  # nothing changed: closes at once
        self.attendre_fermeture(IMPRESSION)
        # The agency showed the global values and goes on taking them.
        self.assertEqual(self.lignes_de_lyon(), [])

        hub = self.bureau.attendre_fenetre(HUB)
        self.bureau.touche(hub, "space")
        impression = self.bureau.attendre_fenetre(IMPRESSION)
        self.bureau.touche(impression, "Tab")  # from the title list to "Portrait"
        self.bureau.touche(impression, "space")  # "Portrait" in place of "Paysage"
        self.bureau.touche(impression, "Escape")
        question = self.bureau.attendre_fenetre("Configuration d'impression")
        self.bureau.touche(question, "Return")  # "Enregistrer", the default
        self.attendre_fermeture(IMPRESSION)
        # One change stores the whole configuration as shown: the rest prints as before.
        attendues = sorted(["BloquerConfig|ENTIER|0", "Logo|STRING|",
                            "Orientation|STRING|Portrait"] +
                           ["%s|STRING|%s" % (cle, valeur) for cle, valeur in VALEURS_GLOBALES
                            if cle != "Orientation"])
        self.assertEqual(self.lignes_de_lyon(), attendues)

        hub = self.bureau.attendre_fenetre(HUB)
        self.bureau.touche(hub, "Tab")
        self.bureau.touche(hub, "space")  # "Mail"
        self.bureau.attendre_fenetre(SMTP)
        self.bureau.fermer_fenetre(SMTP)
        self.attendre_fermeture(SMTP)

        self.bureau.fermer_fenetre(HUB)
        self.terminer(processus)

    def test_base_illisible_la_fenetre_se_ferme_sans_rien_ecrire(self):
        with open(self.base, "w", encoding="utf-8") as f:
            f.write("pas une base")
        processus = self.lancer("LYON")
        hub = self.bureau.attendre_fenetre(HUB)
        self.bureau.touche(hub, "space")
        erreur = self.bureau.attendre_fenetre("Vantaro")  # the reading's error
        self.bureau.touche(erreur, "Return")
        impression = self.bureau.attendre_fenetre(IMPRESSION)
        self.bureau.touche(impression, "Escape")  # nothing typed: nothing to save
        self.attendre_fermeture(IMPRESSION)
        self.bureau.fermer_fenetre(HUB)
        self.terminer(processus)
        with open(self.base, encoding="utf-8") as f:
            self.assertEqual(f.read(), "pas une base")


if __name__ == "__main__":
    executer_tests(globals())
