"""A real SMTP server on loopback for the mail tests (aiosmtpd).

Prints "PRET <port> <authority file>" once it accepts connections, then serves until its
standard input closes. With --bloquer, the server stops answering at that point of the exchange
(after the sender's MAIL command, or once the message data has all arrived). Every EHLO and RCPT command is logged into commandes.txt (and DATA, once the data has
arrived, when the server then stops answering); each message
received is parsed with Python's email parser and written
as message-N.json into the folder: envelope, headers, body and attachments (name, base64); its
bytes as received go to message-N.eml. With --refuser, that recipient is refused (550)."""
import argparse
import asyncio
import base64
import email
import email.policy
import json
import os
import socket
import ssl
import subprocess
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


def certificats(dossier):
    """A certificate authority and a server certificate for 127.0.0.1 and localhost."""
    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True)
    ca_cle, ca = os.path.join(dossier, "ca.key"), os.path.join(dossier, "ca.pem")
    cle, csr, cert = (os.path.join(dossier, n) for n in ("serveur.key", "serveur.csr", "serveur.pem"))
    ext = os.path.join(dossier, "ext.cnf")
    with open(ext, "w") as f:
        f.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_cle, "-out", ca,
            "-days", "2", "-subj", "/CN=Autorite de test Vantaro")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", cle, "-out", csr,
            "-subj", "/CN=localhost")
    openssl("x509", "-req", "-in", csr, "-CA", ca, "-CAkey", ca_cle, "-CAcreateserial",
            "-out", cert, "-days", "2", "-extfile", ext)
    contexte = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    contexte.load_cert_chain(cert, cle)
    return contexte, ca


def resume(contenu, enveloppe):
    message = email.message_from_bytes(contenu, policy=email.policy.default)
    expediteur = message["From"].addresses[0] if message["From"] else None
    corps = message.get_body(preferencelist=("plain",))
    date = message["Date"].datetime if message["Date"] else None
    pieces = [{"nom": partie.get_filename(),
               "octets": base64.b64encode(partie.get_payload(decode=True)).decode()}
              for partie in message.iter_attachments()]
    return {
        "enveloppe_de": enveloppe.mail_from,
        "enveloppe_a": enveloppe.rcpt_tos,
        "de_nom": expediteur.display_name if expediteur else "",
        "de_adresse": expediteur.addr_spec if expediteur else "",
        "a": [a.addr_spec for a in message["To"].addresses] if message["To"] else [],
        "cc": [a.addr_spec for a in message["Cc"].addresses] if message["Cc"] else [],
        "bcc_entete": message["Bcc"] is not None,
        "objet": str(message["Subject"]),
        "date": date.isoformat() if date else "",
        "date_brute": str(message["Date"]),
        "corps": corps.get_content() if corps else "",
        "pieces": pieces,
    }


class Reception:
    def __init__(self, dossier, bloquer, refuser):
        self.dossier, self.nombre, self.bloquer, self.refuser = dossier, 0, bloquer, refuser

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if self.bloquer == "mail":
            await asyncio.sleep(3600)
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    def noter(self, commande):
        with open(os.path.join(self.dossier, "commandes.txt"), "a", encoding="utf-8") as f:
            f.write(commande + "\n")

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        self.noter("EHLO " + hostname)
        session.host_name = hostname
        return responses

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        self.noter("RCPT " + repr(address))
        if self.refuser and address == self.refuser:
            return "550 5.1.1 Destinataire inconnu"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.bloquer == "donnees":
            self.noter("DATA")
            await asyncio.sleep(3600)
        self.nombre += 1
        with open(os.path.join(self.dossier, "message-%d.eml" % self.nombre), "wb") as f:
            f.write(envelope.original_content or envelope.content)
        chemin = os.path.join(self.dossier, "message-%d.json" % self.nombre)
        with open(chemin + ".tmp", "w", encoding="utf-8") as f:
            json.dump(resume(envelope.original_content or envelope.content, envelope), f)
        os.replace(chemin + ".tmp", chemin)
        return "250 Message accepted for delivery"


def port_libre():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    a = argparse.ArgumentParser()
    a.add_argument("--dossier", required=True)
    a.add_argument("--mode", choices=["clair", "implicite", "starttls", "starttls-exige"],
                   default="clair")
    a.add_argument("--utilisateur", default="")
    a.add_argument("--motdepasse", default="")
    a.add_argument("--bloquer", choices=["", "mail", "donnees"], default="")
    a.add_argument("--refuser", default="")
    o = a.parse_args()

    contexte, autorite = certificats(o.dossier)

    def authentifier(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login.decode() == o.utilisateur
              and auth_data.password.decode() == o.motdepasse)
        return AuthResult(success=ok, handled=False)

    options = dict(auth_require_tls=False)
    if o.utilisateur:
        options.update(authenticator=authentifier, auth_required=True)
    if o.mode in ("starttls", "starttls-exige"):
        options.update(tls_context=contexte, require_starttls=o.mode == "starttls-exige")
    port = port_libre()
    controleur = Controller(Reception(o.dossier, o.bloquer, o.refuser), hostname="127.0.0.1", port=port,
                            ssl_context=contexte if o.mode == "implicite" else None,
                            server_hostname="localhost", **options)
    controleur.start()
    print("PRET %d %s" % (port, autorite), flush=True)
    sys.stdin.read()
    controleur.stop()


if __name__ == "__main__":
    main()
