"""The real program in the mode "exporter" under Xvfb: it writes the PDFs of its job unattended and
ends by itself; a batch that fails shows the error and ends with a non-zero exit code."""
import os
import subprocess
import tempfile

from bureau import CasSurBureau, executer_tests

EXECUTABLE = None

MODELE = """<rapport><page nom="Page1" largeur="210" hauteur="297" marges="15">
<bande type="titre" nom="Titre" hauteur="12"><texte nom="Client" largeur="150" hauteur="8">Devis pour [Données du dossier."client"]</texte></bande>
<bande type="maitre" nom="Lignes" hauteur="7" jeu="Données des lignes produits"><texte nom="Modele" largeur="150" hauteur="6">[Données des lignes produits."Modele"]</texte></bande>
</page></rapport>"""


def donnees(client, identifiant):
    return ("<?xml version='1.0' encoding='UTF-8'?>\n<document template='m.fr3' indexFieldNames='Id'>"
            "<e table='header'><client type='string'>%s</client></e>"
            "<l table='ligne'><Id type='int'>%s</Id><Modele type='string'>Baie coulissante %s</Modele>"
            "<TotalTVACorse type='int'>0</TotalTVACorse></l></document>" % (client, identifiant, client))


class Exporter(CasSurBureau):
    def preparer(self, elements):
        dossier = tempfile.mkdtemp()
        fichiers = {"m.fr3": MODELE, "a.xml": donnees("Dupont", "1"),
                    "b.xml": donnees("Martin", "2"), "casse.xml": donnees("Durand", "x")}
        for nom, contenu in fichiers.items():
            with open(os.path.join(dossier, nom), "w", encoding="utf-8") as f:
                f.write(contenu)
        lignes = ["[Configuration]", "Agence=LYON", "[Export]", "Nombre=%d" % len(elements)]
        for n, (xml, pdf) in enumerate(elements, 1):
            lignes += ["Rapport%d=%s" % (n, os.path.join(dossier, "m.fr3")),
                       "Xml%d=%s" % (n, os.path.join(dossier, xml)),
                       "Export%d=%s" % (n, os.path.join(dossier, pdf))]
        travail = os.path.join(dossier, "travail.ini")
        with open(travail, "w", encoding="utf-8") as f:
            f.write("\n".join(lignes) + "\n")
        return dossier, travail

    def lancer(self, travail):
        return subprocess.Popen([EXECUTABLE, travail, "exporter"], env=self.bureau.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def texte_pdf(self, chemin):
        return subprocess.run(["pdftotext", chemin, "-"], capture_output=True, text=True).stdout

    def test_lot_ecrit_ses_pdf_et_finit_seul(self):
        dossier, travail = self.preparer([("a.xml", "un.pdf"), ("b.xml", "deux.pdf")])
        processus = self.lancer(travail)
        self.assertEqual(processus.wait(60), 0)
        self.assertIn("Devis pour Dupont", self.texte_pdf(os.path.join(dossier, "un.pdf")))
        self.assertIn("Baie coulissante Martin", self.texte_pdf(os.path.join(dossier, "deux.pdf")))

    def test_element_en_echec_au_milieu_arrete_le_lot_avec_le_code_1(self):
        """The second item's data cannot be converted, or its file is missing: the error is shown,
        the first item's PDF stays with its own client, nothing of the later items is written."""
        for donnees_en_echec in ("casse.xml", "absent.xml"):
            with self.subTest(donnees=donnees_en_echec):
                dossier, travail = self.preparer([("a.xml", "un.pdf"),
                                                  (donnees_en_echec, "deux.pdf"),
                                                  ("b.xml", "trois.pdf")])
                processus = self.lancer(travail)
                boite = self.bureau.attendre_fenetre("Vantaro", delai=60)
                self.bureau.touche(boite, "Return")
                self.assertEqual(processus.wait(30), 1)
                un = self.texte_pdf(os.path.join(dossier, "un.pdf"))
                self.assertIn("Devis pour Dupont", un)
                self.assertNotIn("Martin", un)
                self.assertFalse(os.path.exists(os.path.join(dossier, "deux.pdf")))
                self.assertFalse(os.path.exists(os.path.join(dossier, "trois.pdf")))

    def test_fichier_de_travail_absent_finit_avec_le_code_1(self):
        processus = self.lancer(os.path.join(tempfile.mkdtemp(), "absent.ini"))
        boite = self.bureau.attendre_fenetre("Vantaro", delai=60)
        self.bureau.touche(boite, "Return")
        self.assertEqual(processus.wait(30), 1)


if __name__ == "__main__":
    executer_tests(globals())
