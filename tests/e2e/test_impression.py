"""The real program on the sample installation's document job under Xvfb: the print manager shows
the quote with its configured texts, prints it on the CUPS PDF printer, and stores the chosen
printer when it closes. With VANTARO_E2E_URI_SERVEUR naming the file that holds the test server's
URI, the installation's settings are first copied to a schema of their own on that server, and
Vantaro.ini points at it."""
import glob
import os
import re
import shutil
import subprocess
import tempfile
import time
import urllib.parse

from bureau import CasSurBureau, executer_tests

VERSION = "Version 1.64 du 18/01/2023 10:23"
TITRE = "Gestionnaire d'impression - " + VERSION
IMPRIMANTE = "Vantaro_PDF"
EXECUTABLE = None


def dossier_cups_pdf():
    """Where cups-pdf writes the jobs of this user (Out of its configuration)."""
    dossier = "${HOME}/PDF"
    with open("/etc/cups/cups-pdf.conf", encoding="utf-8") as f:
        for ligne in f:
            trouve = re.match(r"^\s*Out\s+(\S.*?)\s*$", ligne)
            if trouve:
                dossier = trouve.group(1)
    return dossier.replace("${HOME}", os.path.expanduser("~")).replace(
        "${USER}", os.environ.get("USER", "root"))


class Impression(CasSurBureau):
    def setUp(self):
        """A copy of the built installation, so that the test's settings stay its own."""
        self.dossier = os.path.join(tempfile.mkdtemp(), "installation")
        shutil.copytree(os.path.dirname(EXECUTABLE), self.dossier)
        self.base = os.path.join(self.dossier, "Vantaro.abs")
        fichier_uri = os.environ.get("VANTARO_E2E_URI_SERVEUR")
        if fichier_uri:
            self.base = self.base_sur_serveur(fichier_uri)

    def base_sur_serveur(self, fichier_uri):
        """The installation's settings copied to a new schema of the server, named in
        Vantaro.ini."""
        with open(fichier_uri, encoding="utf-8") as f:
            uri = f.read().strip()
        schema = "e2e_%d" % os.getpid()
        creation = subprocess.run(["psql", uri, "-c", "CREATE SCHEMA " + schema],
                                  capture_output=True, text=True)
        self.assertEqual(creation.returncode, 0, creation.stderr)
        base = uri + "&options=" + urllib.parse.quote("-csearch_path=" + schema)
        copie = self.outil("base-copier", os.path.join(self.dossier, "Vantaro.abs"), base)
        self.assertEqual(copie.returncode, 0, copie.stderr)
        os.remove(os.path.join(self.dossier, "Vantaro.abs"))
        ini = os.path.join(self.dossier, "Vantaro.ini")
        with open(ini, encoding="utf-8") as f:
            contenu = re.sub(r"^Fichier=.*$", lambda _: "Fichier=" + base, f.read(), flags=re.M)
        with open(ini, "w", encoding="utf-8") as f:
            f.write(contenu)
        return base

    def tearDown(self):
        shutil.rmtree(os.path.dirname(self.dossier), ignore_errors=True)

    def outil(self, *arguments):
        return subprocess.run([os.path.join(self.dossier, "vantaro-outil"), *arguments],
                              capture_output=True, text=True)

    def test_devis_imprime_et_imprimante_memorisee(self):
        sortie = dossier_cups_pdf()
        avant = set(glob.glob(os.path.join(sortie, "*.pdf")))
        programme = subprocess.Popen(
            [os.path.join(self.dossier, "Vantaro"), "Exemples/document.ini", "DOCUMENT"],
            cwd=self.dossier, env=self.bureau.env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            fenetre = self.bureau.attendre_fenetre(TITRE)
            time.sleep(1)
            # "Aperçu" has the focus whenever the window is activated; "Imprimer" is two tab
            # stops further. The printer list shows the CUPS PDF queue first, and it is selected.
            self.bureau.commande("xdotool", "windowactivate", "--sync", fenetre)
            time.sleep(0.3)
            self.bureau.commande("xdotool", "key", "--clearmodifiers", "Tab", "Tab", "space")
            question = self.bureau.attendre_fenetre("Confirmation")
            self.bureau.touche(question, "n")
            fin = time.monotonic() + 60
            nouveaux = []
            while time.monotonic() < fin and not nouveaux:
                time.sleep(0.5)
                nouveaux = sorted(set(glob.glob(os.path.join(sortie, "*.pdf"))) - avant)
            self.assertTrue(nouveaux, "aucun PDF dans %s" % sortie)
            time.sleep(1)
            texte = subprocess.run(["pdftotext", nouveaux[-1], "-"], capture_output=True,
                                   text=True).stdout
            self.assertIn("DEVIS", texte)
            self.assertIn("Éric Thomas", texte)
            self.assertIn("Menuiseries Vantaro - 12 rue des Artisans", texte)
            self.bureau.fermer_fenetre(TITRE)
            self.assertEqual(programme.wait(30), 0)
        finally:
            if programme.poll() is None:
                programme.kill()
        lu = self.outil("base-lire", self.base, "Impression",
                        "DerniereImprimante", "--agence", "LYON", "--utilisateur", "MARTIN")
        self.assertEqual(lu.stdout.strip(), IMPRIMANTE, lu.stderr)


if __name__ == "__main__":
    executer_tests(globals())
