"""Runs the real program on a virtual 1366x768 screen with French regional settings, opens every
window of every mode as a user would (keyboard only) and leaves a screenshot of each in the
folder given. Works on a copy of the installation, so that the sample database stays as it is."""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from bureau import Bureau  # noqa: E402

SERVEUR_SMTP = os.path.join(os.path.dirname(__file__), "..", "tests", "mail", "serveur_smtp.py")

VERSION = "Version 1.64 du 18/01/2023 10:23"
GESTIONNAIRE = "Gestionnaire d'impression - " + VERSION
HUB = "Configuration - " + VERSION
CONFIG_IMPRESSION = "Configuration du Vantaro"
SMTP = "Configuration du SMTP"
MAIL = "Envoi d'un mail"
MODELES = "Sélection d'un modèle de mail"
MODELES_CONFIG = "Configuration des Modèles de mail"
EXPORT = "Configuration de l'export"
HISTORIQUE = "Historique des envois"
CLIENT = "eric.thomas@example.fr"


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
        # Exports go to the user's documents: those of a user of its own, not the real ones.
        self.bureau.env["HOME"] = os.path.join(self.dossier, "utilisateur")
        os.makedirs(self.bureau.env["HOME"])
        self.programme = None
        self.serveurs = []

    def fermer(self):
        if self.programme and self.programme.poll() is None:
            self.programme.kill()
        for serveur in self.serveurs:
            serveur.close() if isinstance(serveur, socket.socket) else serveur.kill()
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

    def clic(self, fenetre, x, y, bouton="1"):
        """Clicks a point of the window, in its own coordinates; y below 0 counts from its bottom
        (the buttons of most windows sit in a row there)."""
        if y < 0:
            y += int(dict(ligne.split("=") for ligne in self.bureau.commande(
                "xdotool", "getwindowgeometry", "--shell", fenetre).split())["HEIGHT"])
        self.bureau.commande("xdotool", "windowactivate", "--sync", fenetre)
        self.bureau.commande("xdotool", "mousemove", "--window", fenetre, str(x), str(y),
                             "click", bouton)

    def clic_droit(self, fenetre, x, y):
        self.clic(fenetre, x, y, "3")

    def clic_gestionnaire(self, fenetre, bouton):
        """Clicks one of the print manager's buttons, stacked at the bottom of its left column
        (after an operation the window is enabled again, and the focus is not where it was)."""
        depuis_le_bas = {"Aperçu": 144, "Mail": 114, "Imprimer": 84, "Exporter": 54}[bouton]
        self.clic(fenetre, 120, -depuis_le_bas)

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
        # After "Supprimer" and "Garder la fenêtre ouverte".
        self.touches(mail, "Tab", "Tab", "Tab", "space")  # "Configuration"
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

    def serveur_smtp(self, *options):
        """The tests' SMTP server on loopback; returns its port."""
        dossier = tempfile.mkdtemp(dir=self.dossier)
        serveur = subprocess.Popen(["/usr/bin/python3", SERVEUR_SMTP, "--dossier", dossier, *options],
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.serveurs.append(serveur)
        return int(serveur.stdout.readline().split()[1])

    def serveur_muet(self):
        """A port that takes the connection and never says a word."""
        prise = socket.socket()
        prise.bind(("127.0.0.1", 0))
        prise.listen()
        self.serveurs.append(prise)
        return prise.getsockname()[1]

    @staticmethod
    def port_ferme():
        with socket.socket() as prise:
            prise.bind(("127.0.0.1", 0))
            return prise.getsockname()[1]

    def compte(self, port, imap_port=None):
        """The agency LYON's account on loopback, in clear; its IMAP copy when a port is given."""
        valeurs = [("Host", "127.0.0.1", "STRING"), ("Port", str(port), "ENTIER"),
                   ("UseTLS", "0", "ENTIER"), ("ExpediteurMail", "lyon@exemple.fr", "STRING"),
                   ("ExpediteurNom", "Agence de Lyon", "STRING")]
        valeurs += [("ImapHost", "127.0.0.1" if imap_port else "", "STRING"),
                    ("ImapPort", str(imap_port or 0), "ENTIER"), ("ImapTLS", "0", "ENTIER"),
                    ("ImapDossier", "Envoyés", "STRING"), ("ImapLogin", "lyon", "STRING")]
        for cle, valeur, type_ in valeurs:
            self.outil("base-ecrire", "Vantaro.abs", "Mail", cle, valeur, "--agence", "LYON",
                       "--type", type_)

    def ouvrir_mail(self):
        self.lancer("Exemples/document.ini", "DOCUMENT")
        gestionnaire = self.fenetre(GESTIONNAIRE)
        time.sleep(2)
        self.clic_gestionnaire(gestionnaire, "Mail")
        return self.fenetre(MAIL)

    def envoyer(self, mail):
        """"Envoyer", last in the tab order: one step back from the address."""
        self.touches(mail, "shift+Tab", "space")

    def clic_mail(self, mail, bouton):
        """Clicks one of the buttons in the row at the bottom of the mail window."""
        self.clic(mail, {"Configuration SMTP": 80, "Historique des envois": 380}[bouton], -28)

    def tester_connexion(self, mail):
        """"Tester la connexion", bottom left of the SMTP window opened from the mail window."""
        self.clic_mail(mail, "Configuration SMTP")
        self.clic(self.fenetre(SMTP), 70, -24)

    def reponse(self, nom, attente):
        """The message box that ends a step, captured, then answered."""
        message = self.fenetre("Vantaro")
        self.capture(nom, attente)
        self.touches(message, "Return")

    def mail_en_cours(self):
        """A server that never answers: the window says where it is and offers "Annuler"; the
        connection test of the SMTP window runs in the background the same way."""
        self.compte(self.serveur_muet(), self.port_ferme())
        mail = self.ouvrir_mail()
        self.envoyer(mail)
        self.capture("mail-envoi-en-cours", 1.5)
        self.touches(mail, "shift+Tab", "space")  # "Annuler"
        self.capture("mail-envoi-annule", 1.5)
        self.tester_connexion(mail)
        self.capture("smtp-essai-en-cours", 1.5)
        self.finir()

    def mail_echec(self):
        """The server refuses the recipient: the failure says why, the history offers to send
        it again; the connection test names the IMAP copy that cannot work."""
        self.compte(self.serveur_smtp("--refuser", CLIENT), self.port_ferme())
        mail = self.ouvrir_mail()
        self.envoyer(mail)
        self.reponse("mail-envoi-echec-message", 1.5)
        mail = self.fenetre(MAIL)
        self.capture("mail-envoi-echec")
        self.clic_mail(mail, "Historique des envois")
        historique = self.fenetre(HISTORIQUE)
        self.touches(historique, "Tab", "Down")
        self.capture("mail-historique-echec")
        self.touches(historique, "Escape")
        mail = self.fenetre(MAIL)
        self.tester_connexion(mail)
        self.capture("smtp-essai-imap-injoignable", 3)
        self.finir()

    def mail_envoye(self):
        """Sent: the window closes, the print manager shows the send and where an export went."""
        self.compte(self.serveur_smtp())
        mail = self.ouvrir_mail()
        self.envoyer(mail)
        self.reponse("mail-envoye-message", 1)
        gestionnaire = self.fenetre(GESTIONNAIRE)
        self.capture("document-gestionnaire-apres-envoi", 2)
        self.clic_gestionnaire(gestionnaire, "Exporter")
        self.touches(self.fenetre(EXPORT), "Return")
        enregistrer = self.fenetre("Exporter en PDF")
        self.touches(enregistrer, "Return")
        # On this display no program opens a PDF: the export says so.
        self.reponse("document-export-ouverture-impossible", 1)
        self.fenetre(GESTIONNAIRE)
        self.capture("document-gestionnaire-apres-export", 1)
        self.finir()

    def smtp_verrouille(self):
        """A user whose agency locked the connection: the SMTP window shows it, disabled."""
        self.outil("base-ecrire", "Vantaro.abs", "Mail", "BloquerConnexion", "1", "--agence",
                   "LYON", "--type", "ENTIER")
        travail = self.travail("configuration-utilisateur.ini", "[Configuration]\nAgence=LYON\n"
                                                               "Utilisateur=MARTIN\n")
        self.lancer(travail, "CONFIGURATION")
        hub = self.fenetre(HUB)
        self.touches(hub, "Tab", "space")  # "Mail"
        self.fenetre(SMTP)
        self.capture("configuration-smtp-verrouillee")
        self.finir()

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
    """captures.py <installation> <dossier> [étape...]: every step, or those named."""
    installation, dossier_captures, *noms = sys.argv[1:]
    captures = Captures(installation, dossier_captures)
    etapes = (captures.parametres, captures.type_inconnu, captures.document,
              captures.mail_en_cours, captures.mail_echec, captures.mail_envoye, captures.rapport,
              captures.exporter, captures.configuration, captures.configuration_verrouillee,
              captures.smtp_verrouille)
    try:
        for etape in etapes:
            if noms and etape.__name__ not in noms:
                continue
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
