"""Runs the real program on a virtual 1366x768 screen with French regional settings, opens every
window of every mode as a user would (keyboard only) and leaves a screenshot of each in the
folder given. Works on a copy of the installation, so that the sample database stays as it is."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from bureau import Bureau  # noqa: E402

VERSION = "Version 1.64 du 18/01/2023 10:23"
GESTIONNAIRE = "Gestionnaire d'impression - " + VERSION
HUB = "Configuration - " + VERSION
CONFIG_IMPRESSION = "Configuration du Vantaro"
SMTP = "Configuration du SMTP"
MAIL = "Envoi d'un mail"
MODELES = "Sélection d'un modèle de mail"
MODELES_CONFIG = "Configuration des Modèles de mail"
EXPORT = "Configuration de l'export"


class Captures:
    def __init__(self, installation, dossier_captures):
        self.dossier = tempfile.mkdtemp()
        for nom in ("Vantaro", "vantaro-outil", "Vantaro.ini", "Vantaro.abs"):
            shutil.copy2(os.path.join(installation, nom), self.dossier)
        for nom in ("Exemples", "Modeles", "Rapports"):
            shutil.copytree(os.path.join(installation, nom), os.path.join(self.dossier, nom))
        self.captures = dossier_captures
        os.makedirs(self.captures, exist_ok=True)
        self.numero = 0
        self.bureau = Bureau("1366x768")
        self.programme = None

    def fermer(self):
        if self.programme and self.programme.poll() is None:
            self.programme.kill()
        self.bureau.fermer()
        shutil.rmtree(self.dossier, ignore_errors=True)

    def travail(self, nom, contenu):
        chemin = os.path.join(self.dossier, "Exemples", nom)
        with open(chemin, "w", encoding="utf-8") as f:
            f.write(contenu)
        return chemin

    def outil(self, *arguments):
        subprocess.run([os.path.join(self.dossier, "vantaro-outil"), *arguments], check=True,
                       capture_output=True, cwd=self.dossier)

    def lancer(self, travail, mode):
        self.programme = subprocess.Popen(["./Vantaro", travail, mode], cwd=self.dossier,
                                          env=self.bureau.env, stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL)

    def finir(self):
        """Closes whatever is left, as a user would, and waits for the program to end."""
        for _ in range(15):
            if self.programme.poll() is not None:
                return
            for titre in self.bureau.titres_visibles():
                self.bureau.fermer_fenetre(titre)
            time.sleep(1)
        self.programme.kill()

    def capture(self, nom, attente=1.0):
        time.sleep(attente)
        self.numero += 1
        chemin = os.path.join(self.captures, "%02d-%s.png" % (self.numero, nom))
        subprocess.run(["import", "-window", "root", chemin], env=self.bureau.env, check=True)
        print("%s : %s" % (os.path.basename(chemin), " | ".join(self.bureau.titres_visibles())))

    def touches(self, fenetre, *touches):
        for touche in touches:
            self.bureau.touche(fenetre, touche)

    def fenetre(self, titre):
        return self.bureau.attendre_fenetre(titre)

    def clic_droit(self, fenetre, x, y):
        """Right click at a point of the window, in its own coordinates."""
        self.bureau.commande("xdotool", "windowactivate", "--sync", fenetre)
        self.bureau.commande("xdotool", "mousemove", "--window", fenetre, str(x), str(y),
                             "click", "3")

    def clic_gestionnaire(self, fenetre, bouton):
        """Clicks one of the print manager's buttons, stacked at the bottom of its left column
        (after an operation the window is enabled again, and the focus is not where it was)."""
        depuis_le_bas = {"Aperçu": 144, "Mail": 114, "Imprimer": 84, "Exporter": 54}[bouton]
        hauteur = int(dict(ligne.split("=") for ligne in self.bureau.commande(
            "xdotool", "getwindowgeometry", "--shell", fenetre).split())["HEIGHT"])
        self.bureau.commande("xdotool", "windowactivate", "--sync", fenetre)
        self.bureau.commande("xdotool", "mousemove", "--window", fenetre, "120",
                             str(hauteur - depuis_le_bas), "click", "1")

    def document(self):
        # A template longer than its box, as the selection window must show it.
        modele = "\n".join("Ligne %d du modèle : veuillez trouver ci-joint notre devis." % i
                            for i in range(1, 31))
        self.outil("base-ecrire", "Vantaro.abs", "MailModele", "0", modele, "--agence", "LYON",
                   "--utilisateur", "MARTIN", "--type", "MEMO")
        self.lancer("Exemples/document.ini", "DOCUMENT")
        gestionnaire = self.fenetre(GESTIONNAIRE)
        self.capture("document-gestionnaire", 3)
        self.imprimer(gestionnaire)
        self.clic_gestionnaire(gestionnaire, "Aperçu")
        apercu = self.fenetre("Aperçu")
        self.capture("document-apercu", 2)
        self.touches(apercu, "Escape")
        gestionnaire = self.fenetre(GESTIONNAIRE)
        self.clic_gestionnaire(gestionnaire, "Exporter")
        export = self.fenetre(EXPORT)
        self.capture("document-choix-export")
        self.touches(export, "Return")
        enregistrer = self.fenetre("Exporter en PDF")
        self.capture("document-export-pdf-dialogue")
        self.touches(enregistrer, "Escape")
        gestionnaire = self.fenetre(GESTIONNAIRE)
        self.clic_gestionnaire(gestionnaire, "Mail")
        self.mail()
        self.finir()

    def imprimer(self, gestionnaire):
        """"Imprimer" asks whether to open the technical descriptions, then prints on the first
        printer; done only when the tests' PDF queue is the one printer, or when there is none
        and the program asks for one, so that no paper is ever used."""
        imprimantes = set(subprocess.run(["lpstat", "-e"], capture_output=True, text=True,
                                         check=False).stdout.split())
        if not imprimantes <= {"Vantaro_PDF"}:
            print("« Imprimer » non essayé : des imprimantes réelles sont installées.")
            return
        self.clic_gestionnaire(gestionnaire, "Imprimer")
        fin = time.monotonic() + 10
        while not {"Confirmation", "Vantaro"} & set(self.bureau.titres_visibles()):
            if time.monotonic() > fin:
                raise AssertionError("ni question ni message après « Imprimer »")
            time.sleep(0.2)
        titre = "Confirmation" if "Confirmation" in self.bureau.titres_visibles() else "Vantaro"
        self.capture("document-imprimer-question")
        self.touches(self.fenetre(titre), "Escape")
        time.sleep(3)
        if "Vantaro" in self.bureau.titres_visibles():  # a printing error
            self.capture("document-imprimer-erreur", 0)
            self.touches(self.fenetre("Vantaro"), "Return")
        self.fenetre(GESTIONNAIRE)

    def mail(self):
        mail = self.fenetre(MAIL)
        self.capture("mail-envoi")
        # Tab order from the address: Cc, Cci, subject, body, attachments, then the buttons.
        self.touches(mail, "Tab", "Tab", "Tab", "Tab")
        self.clic_droit(mail, 200, 300)
        self.capture("mail-menu-contextuel-corps")
        self.touches(mail, "Escape", "Tab", "Tab", "space")  # "Ajouter"
        ajout = self.fenetre("Ajouter une pièce jointe")
        self.capture("mail-ajout-piece-jointe")
        self.touches(ajout, "Escape")
        mail = self.fenetre(MAIL)
        self.touches(mail, "Tab", "Tab", "space")  # "Configuration"
        smtp = self.fenetre(SMTP)
        self.capture("mail-configuration-smtp")
        self.touches(smtp, "Escape")
        mail = self.fenetre(MAIL)
        self.touches(mail, "Tab", "space")  # "Modèle"
        modeles = self.fenetre(MODELES)
        self.capture("mail-selection-modele")
        self.touches(modeles, "Tab", "space")  # "Configuration"
        configuration = self.fenetre(MODELES_CONFIG)
        self.capture("mail-configuration-modeles")
        self.touches(configuration, "Escape")
        modeles = self.fenetre(MODELES)
        self.touches(modeles, "Escape")

    def rapport(self):
        self.lancer("Exemples/rapport.ini", "RAPPORT")
        self.fenetre(GESTIONNAIRE)
        self.capture("rapport-gestionnaire", 3)
        self.finir()

    def type_inconnu(self):
        travail = self.travail("type-inconnu.ini",
                               "[Configuration]\nAgence=LYON\nUtilisateur=MARTIN\n"
                               "[FichierXml]\nPath=Exemples/devis.xml\n"
                               "[Documents]\nTypeDocument=Devis\nTypeImpression=9\n")
        self.lancer(travail, "DOCUMENT")
        self.fenetre("Vantaro")
        self.capture("document-type-inconnu-fenetre-principale", 2)
        self.finir()

    def parametres(self):
        self.programme = subprocess.Popen(["./Vantaro", "Exemples/document.ini"], cwd=self.dossier,
                                          env=self.bureau.env, stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL)
        self.fenetre("Vantaro")
        self.capture("parametres-manquants")
        self.finir()

    def exporter(self):
        # Enough items for the progress to be seen half-way.
        nombre = 40
        items = "".join("Rapport%d=Modeles/Devis/Standard/Tessaro/Portrait/Prix nets.fr3\n"
                        "Xml%d=Exemples/devis.xml\nExport%d=Exemples/export-%d.pdf\n"
                        % (i, i, i, i) for i in range(1, nombre + 1))
        travail = self.travail("exporter-long.ini", "[Configuration]\nAgence=LYON\n"
                               "Utilisateur=MARTIN\n[Export]\nNombre=%d\n%s" % (nombre, items))
        self.lancer(travail, "EXPORTER")
        self.fenetre("Gestionnaire d'impression PDF - " + VERSION)
        self.capture("exporter-progression", 2)
        self.finir()

    def configuration(self):
        travail = self.travail("configuration-agence.ini", "[Configuration]\nAgence=LYON\n"
                                                          "Utilisateur=\n")
        self.lancer(travail, "CONFIGURATION")
        hub = self.fenetre(HUB)
        self.capture("configuration-hub")
        self.touches(hub, "space")  # "Impression"
        impression = self.fenetre(CONFIG_IMPRESSION)
        self.capture("configuration-impression-agence")
        # The title has the focus; then come the orientation, the logo's path and "...".
        self.touches(impression, "Tab", "Tab", "Tab", "space")
        logo = self.fenetre("Ouvrir")
        self.capture("configuration-ouvrir-logo")
        self.touches(logo, "Escape")
        impression = self.fenetre(CONFIG_IMPRESSION)
        self.clic_droit(impression, 560, 120)
        self.capture("configuration-menu-contextuel-cgv")
        self.touches(impression, "Escape")
        # From the terms, Tab goes on to the QCM, the two footers and the lock box.
        self.touches(impression, "Tab", "Tab", "Tab", "Tab", "space")
        question = self.fenetre("Blocage de personnalisation")
        self.capture("configuration-verrou-question")
        self.touches(question, "n")
        impression = self.fenetre(CONFIG_IMPRESSION)
        self.touches(impression, "Escape")
        hub = self.fenetre(HUB)
        self.touches(hub, "Tab", "space")  # "Mail"
        self.fenetre(SMTP)
        self.capture("configuration-smtp-agence")
        self.finir()

    def configuration_verrouillee(self):
        """A user whose agency locked the print configuration: the orientation shows, disabled."""
        self.outil("base-ecrire", "Vantaro.abs", "Devis", "BloquerConfig", "1", "--agence", "LYON",
                   "--type", "ENTIER")
        self.outil("base-ecrire", "Vantaro.abs", "Devis", "Orientation", "Paysage", "--agence",
                   "LYON")
        travail = self.travail("configuration-utilisateur.ini", "[Configuration]\nAgence=LYON\n"
                                                               "Utilisateur=MARTIN\n")
        self.lancer(travail, "CONFIGURATION")
        hub = self.fenetre(HUB)
        self.touches(hub, "space")
        self.fenetre(CONFIG_IMPRESSION)
        self.capture("configuration-impression-verrouillee")
        self.finir()


def main():
    installation, dossier_captures = sys.argv[1:3]
    captures = Captures(installation, dossier_captures)
    try:
        for etape in (captures.parametres, captures.type_inconnu, captures.document,
                      captures.rapport, captures.exporter, captures.configuration,
                      captures.configuration_verrouillee):
            try:
                etape()
            except AssertionError as erreur:
                print("Étape %s interrompue : %s" % (etape.__name__, erreur))
                captures.capture("erreur-" + etape.__name__, 0)
                captures.finir()
    finally:
        captures.fermer()
    print("Captures : %s" % dossier_captures)


if __name__ == "__main__":
    main()
