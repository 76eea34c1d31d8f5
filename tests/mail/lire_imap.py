"""Reads a mailbox of the tests' IMAP server with Python's own client, apart from the program's.

    lire_imap.py <dossier du serveur> <utilisateur> <boite, telle qu'elle circule>

Prints JSON: {"boites": [names as they travel], "messages": [{"octets": base64, "drapeaux":
[...]}]}, the messages in the order of the box; "messages" is null when the box does not exist."""
import base64
import imaplib
import json
import os
import ssl
import sys


def main():
    dossier, utilisateur, boite = sys.argv[1:4]
    lire = lambda nom: open(os.path.join(dossier, nom)).read().strip()
    contexte = ssl.create_default_context(cafile=os.path.join(dossier, "ca.crt"))
    client = imaplib.IMAP4_SSL("127.0.0.1", int(lire("port-tls")), ssl_context=contexte)
    client.login(utilisateur, lire("mot-de-passe"))
    boites = [ligne.decode().rsplit(" ", 1)[1].strip('"') for ligne in client.list()[1]]
    resultat = {"boites": boites, "messages": None}
    etat, _ = client.select('"%s"' % boite, readonly=True)
    if etat == "OK":
        resultat["messages"] = []
        _, numeros = client.search(None, "ALL")
        for numero in numeros[0].split():
            _, donnees = client.fetch(numero, "(FLAGS BODY.PEEK[])")
            entete, octets = donnees[0]
            drapeaux = imaplib.ParseFlags(entete)
            resultat["messages"].append({
                "octets": base64.b64encode(octets).decode(),
                "drapeaux": [d.decode() for d in drapeaux],
            })
    client.logout()
    print(json.dumps(resultat))


if __name__ == "__main__":
    main()
