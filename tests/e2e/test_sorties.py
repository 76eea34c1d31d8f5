"""The rule every output follows, checked on the real tool (`rendu`) and the real program's batch
(mode "exporter"): a file is whole, its own, or not written at all. Each row sets up the output's
place, runs the writer and states the exit code and what stays on disk. Full disks are small
tmpfs mounts made by the test (it runs as root)."""
import contextlib
import os
import shutil
import signal
import stat
import subprocess
import tempfile
import time

from bureau import CasSurBureau, executer_tests

EXECUTABLE = None

MODELE = """<rapport><page nom="Page1" largeur="210" hauteur="297" marges="15">
<bande type="titre" nom="Titre" hauteur="12"><texte nom="Client" largeur="150" hauteur="8">Devis pour [Données du dossier."client"]</texte></bande>
<bande type="maitre" nom="Lignes" hauteur="7" jeu="Données des lignes produits"><texte nom="Modele" largeur="150" hauteur="6">[Données des lignes produits."Modele"]</texte></bande>
</page></rapport>"""

ANCIEN = b"%PDF-1.7 ancien document, a garder\n" * 40


def donnees(client, lignes=1):
    corps = "".join("<l table='ligne'><Id type='int'>%d</Id><Modele type='string'>Baie %s %d"
                    "</Modele><TotalTVACorse type='int'>0</TotalTVACorse></l>" % (n, client, n)
                    for n in range(1, lignes + 1))
    return ("<?xml version='1.0' encoding='UTF-8'?>\n<document template='m.fr3' "
            "indexFieldNames='Id'><e table='header'><client type='string'>%s</client></e>%s"
            "</document>" % (client, corps))


def contenu(chemin):
    with open(chemin, "rb") as f:
        return f.read()


def ecrire(chemin, octets):
    with open(chemin, "wb") as f:
        f.write(octets)


def pdf_entier(chemin):
    return subprocess.run(["qpdf", "--check", chemin], capture_output=True).returncode == 0


def texte_pdf(chemin):
    return subprocess.run(["pdftotext", chemin, "-"], capture_output=True, text=True).stdout


def entrees(dossier):
    return sorted(os.listdir(dossier))


@contextlib.contextmanager
def tmpfs(taille):
    point = tempfile.mkdtemp()
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % taille, "tmpfs", point], check=True)
    try:
        yield point
    finally:
        subprocess.run(["umount", "-l", point])
        os.rmdir(point)


def remplir(dossier, libres):
    """Fills the file system of dossier up to `libres` bytes free (a multiple of its pages)."""
    etat = os.statvfs(dossier)
    disponibles = etat.f_bavail * etat.f_frsize
    ecrire(os.path.join(dossier, "remplissage"), b"\0" * max(0, disponibles - libres))


class Sorties(CasSurBureau):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.sources = tempfile.mkdtemp()
        for nom, texte in {"m.fr3": MODELE, "a.xml": donnees("Dupont", 400),
                           "b.xml": donnees("Martin")}.items():
            with open(os.path.join(cls.sources, nom), "w", encoding="utf-8") as f:
                f.write(texte)
        cls.outil = os.path.join(os.path.dirname(EXECUTABLE), "vantaro-outil")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.sources, ignore_errors=True)
        super().tearDownClass()

    def source(self, nom):
        return os.path.join(self.sources, nom)

    # The two writers: each makes the PDFs of (data file, output) pairs and returns its exit code.
    def rendu(self, elements):
        codes = [subprocess.run([self.outil, "rendu", self.source("m.fr3"), self.source(xml),
                                 pdf, "--regional", "fr_FR"], capture_output=True,
                                env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).returncode
                 for xml, pdf in elements]
        return max(codes)

    def lot(self, elements):
        travail = os.path.join(tempfile.mkdtemp(), "travail.ini")
        lignes = ["[Export]", "Nombre=%d" % len(elements)]
        for n, (xml, pdf) in enumerate(elements, 1):
            lignes += ["Rapport%d=%s" % (n, self.source("m.fr3")),
                       "Xml%d=%s" % (n, self.source(xml)), "Export%d=%s" % (n, pdf)]
        ecrire(travail, ("\n".join(lignes) + "\n").encode())
        processus = subprocess.Popen([EXECUTABLE, travail, "exporter"], env=self.bureau.env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        fin = time.monotonic() + 60
        while processus.poll() is None and time.monotonic() < fin:
            # A failed batch shows its error until it is acknowledged.
            ids = self.bureau.commande("xdotool", "search", "--onlyvisible", "--name",
                                       "^Vantaro$").split()
            if ids:
                self.bureau.touche(ids[-1], "Return")
            time.sleep(0.3)
        return processus.wait(5)

    def ecrivains(self):
        return {"rendu": self.rendu, "lot": self.lot}

    def taille_pdf(self, ecrivain):
        dossier = tempfile.mkdtemp()
        ecrivain([("a.xml", os.path.join(dossier, "devis.pdf"))])
        return os.path.getsize(os.path.join(dossier, "devis.pdf"))

    def test_disque_plein(self):
        for nom, ecrivain in self.ecrivains().items():
            taille = self.taille_pdf(ecrivain)
            page = 4096
            niveaux = [(0, 1), (page, 1), ((taille - 1100) // page * page, 1),
                       ((taille // page + 4) * page, 0)]
            for libres, code in niveaux:
                with self.subTest(ecrivain=nom, libres=libres, taille=taille), \
                        tmpfs(taille * 4) as dossier:
                    sortie = os.path.join(dossier, "devis.pdf")
                    ecrire(sortie, ANCIEN)
                    remplir(dossier, libres)
                    self.assertEqual(ecrivain([("a.xml", sortie)]), code)
                    self.assertEqual(entrees(dossier), ["devis.pdf", "remplissage"])
                    if code:
                        self.assertEqual(contenu(sortie), ANCIEN)
                    else:
                        self.assertTrue(pdf_entier(sortie))
                        self.assertIn("Devis pour Dupont", texte_pdf(sortie))

    def test_sorties_qui_ne_se_remplacent_pas(self):
        def lecture_seule(dossier, sortie):
            ecrire(sortie, ANCIEN)
            os.chmod(sortie, 0o444)

        def fifo(dossier, sortie):
            os.mkfifo(sortie)

        def peripherique(dossier, sortie):
            os.mknod(sortie, 0o666 | stat.S_IFCHR, os.makedev(1, 3))

        cas = {"lecture_seule": (lecture_seule, stat.S_IFREG),
               "fifo": (fifo, stat.S_IFIFO), "peripherique": (peripherique, stat.S_IFCHR)}
        for nom, ecrivain in self.ecrivains().items():
            for quoi, (preparer, genre) in cas.items():
                with self.subTest(ecrivain=nom, sortie=quoi):
                    dossier = tempfile.mkdtemp()
                    sortie = os.path.join(dossier, "devis.pdf")
                    preparer(dossier, sortie)
                    self.assertEqual(ecrivain([("a.xml", sortie)]), 1)
                    self.assertEqual(stat.S_IFMT(os.lstat(sortie).st_mode), genre)
                    self.assertEqual(entrees(dossier), ["devis.pdf"])
                    if genre == stat.S_IFREG:
                        self.assertEqual(contenu(sortie), ANCIEN)

    def test_liens_suivis_jusqu_au_fichier(self):
        for nom, ecrivain in self.ecrivains().items():
            with self.subTest(ecrivain=nom, lien="vers un autre système de fichiers"), \
                    tmpfs(1 << 20) as ailleurs:
                dossier = tempfile.mkdtemp()
                cible = os.path.join(ailleurs, "vrai.pdf")
                ecrire(cible, ANCIEN)
                sortie = os.path.join(dossier, "devis.pdf")
                os.symlink(cible, sortie)
                self.assertEqual(ecrivain([("a.xml", sortie)]), 0)
                self.assertEqual(os.readlink(sortie), cible)
                self.assertTrue(pdf_entier(cible))
                self.assertEqual(entrees(ailleurs), ["vrai.pdf"])
            with self.subTest(ecrivain=nom, lien="chaîne de deux liens"):
                dossier = tempfile.mkdtemp()
                cible = os.path.join(dossier, "vrai.pdf")
                ecrire(cible, ANCIEN)
                os.symlink(cible, os.path.join(dossier, "milieu.pdf"))
                os.symlink(os.path.join(dossier, "milieu.pdf"), os.path.join(dossier, "devis.pdf"))
                self.assertEqual(ecrivain([("a.xml", os.path.join(dossier, "devis.pdf"))]), 0)
                self.assertTrue(os.path.islink(os.path.join(dossier, "milieu.pdf")))
                self.assertTrue(os.path.islink(os.path.join(dossier, "devis.pdf")))
                self.assertIn("Devis pour Dupont", texte_pdf(cible))

    def test_noms_temporaires_existants_ne_sont_ni_ouverts_ni_supprimes(self):
        for nom, ecrivain in self.ecrivains().items():
            for reussite in (True, False):
                with self.subTest(ecrivain=nom, reussite=reussite):
                    dossier = tempfile.mkdtemp()
                    sortie = os.path.join(dossier, "devis.pdf")
                    etrangers = ["devis.pdf.1.partiel", "devis.pdf.2.partiel"]
                    ecrire(os.path.join(dossier, etrangers[0]), b"a un autre programme")
                    os.mkfifo(os.path.join(dossier, etrangers[1]))
                    if not reussite:
                        ecrire(sortie, ANCIEN)
                        os.chmod(sortie, 0o444)
                    self.assertEqual(ecrivain([("a.xml", sortie)]), 0 if reussite else 1)
                    self.assertEqual(entrees(dossier), sorted(etrangers + ["devis.pdf"]))
                    self.assertEqual(contenu(os.path.join(dossier, etrangers[0])),
                                     b"a un autre programme")
                    self.assertTrue(stat.S_ISFIFO(os.lstat(os.path.join(dossier,
                                                                        etrangers[1])).st_mode))

    def test_lot_sortie_d_un_autre_element(self):
        cas = {"même chemin": ("x.pdf", "x.pdf"),
               "même fichier par .. ": ("x.pdf", "sous/../x.pdf"),
               "même fichier par un lien": ("x.pdf", "lien.pdf")}
        for quoi, (premier, second) in cas.items():
            with self.subTest(cas=quoi):
                dossier = tempfile.mkdtemp()
                os.mkdir(os.path.join(dossier, "sous"))
                os.symlink(os.path.join(dossier, "x.pdf"), os.path.join(dossier, "lien.pdf"))
                self.assertEqual(self.lot([("a.xml", os.path.join(dossier, premier)),
                                           ("b.xml", os.path.join(dossier, second))]), 1)
                self.assertEqual(entrees(dossier), ["lien.pdf", "sous"])

    def test_lot_sortie_au_nom_d_un_ancien_temporaire(self):
        dossier = tempfile.mkdtemp()
        un, deux = os.path.join(dossier, "x.pdf.2.partiel"), os.path.join(dossier, "x.pdf")
        self.assertEqual(self.lot([("a.xml", un), ("b.xml", deux)]), 0)
        self.assertIn("Devis pour Dupont", texte_pdf(un))
        self.assertIn("Devis pour Martin", texte_pdf(deux))
        self.assertEqual(entrees(dossier), ["x.pdf", "x.pdf.2.partiel"])


class Concurrence(CasSurBureau):
    def preparer(self, client, nombre, dossier_pdf):
        dossier = tempfile.mkdtemp()
        ecrire(os.path.join(dossier, "m.fr3"), MODELE.encode())
        ecrire(os.path.join(dossier, "d.xml"), donnees(client, 30).encode())
        lignes = ["[Export]", "Nombre=%d" % nombre]
        for n in range(1, nombre + 1):
            lignes += ["Rapport%d=%s" % (n, os.path.join(dossier, "m.fr3")),
                       "Xml%d=%s" % (n, os.path.join(dossier, "d.xml")),
                       "Export%d=%s" % (n, os.path.join(dossier_pdf, "d%d.pdf" % n))]
        travail = os.path.join(dossier, "travail.ini")
        ecrire(travail, ("\n".join(lignes) + "\n").encode())
        return travail

    def lancer(self, travail):
        return subprocess.Popen([EXECUTABLE, travail, "exporter"], env=self.bureau.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def test_deux_lots_sur_les_memes_sorties(self):
        dossier = tempfile.mkdtemp()
        lots = {client: self.lancer(self.preparer(client, 40, dossier))
                for client in ("Dupont", "Martin")}
        reussis = {client for client, processus in lots.items() if processus.wait(120) == 0}
        self.assertTrue(reussis)
        for n in range(1, 41):
            pdf = os.path.join(dossier, "d%d.pdf" % n)
            self.assertTrue(pdf_entier(pdf), pdf)
            clients = {c for c in lots if "Devis pour %s" % c in texte_pdf(pdf)}
            self.assertEqual(len(clients), 1, pdf)
            self.assertTrue(clients <= reussis, (pdf, clients, reussis))
        self.assertEqual(len(entrees(dossier)), 40)

    def test_signal_pendant_le_lot(self):
        for numero in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=numero):
                dossier = tempfile.mkdtemp()
                processus = self.lancer(self.preparer("Dupont", 300, dossier))
                fin = time.monotonic() + 60
                while not os.path.exists(os.path.join(dossier, "d3.pdf")) \
                        and time.monotonic() < fin:
                    time.sleep(0.02)
                processus.send_signal(numero)
                self.assertNotEqual(processus.wait(30), 0)
                presents = entrees(dossier)
                self.assertFalse([nom for nom in presents if not nom.endswith(".pdf")], presents)
                self.assertLess(len(presents), 300)
                # The PDFs in place are the first items', each whole.
                self.assertEqual(presents, sorted("d%d.pdf" % n
                                                  for n in range(1, len(presents) + 1)))
                for nom in presents:
                    self.assertTrue(pdf_entier(os.path.join(dossier, nom)), nom)


if __name__ == "__main__":
    executer_tests(globals())
