#!/usr/bin/env python3
"""Batch export against wkhtmltopdf on the same quotes.

usage: bench_exporter.py [--programme build/bin/Vantaro] [--dossier DIR] [--tours 3] [--coeurs 0,1]

The real program in the mode EXPORTER makes the PDFs of 20 and 100 distinct quotes of
bench/gen_quote.py (40 and 400 lines) with the sample portrait quote template; wkhtmltopdf renders
the same quotes, written as one HTML file (each quote from a new page, with its logo and
sketches), in one process. The two run
in turn, each round, and the medians are compared.

Per document, ours: (batch of N - batch of no item) / N, so that the start-up and the start
second are not counted; wkhtmltopdf: its whole run / N. Both the elapsed time (what the user
waits, with every core of --coeurs at work) and the processor time (user and system) are given,
with their ratios. Peak memory (resident, GNU time) of our batch at 10 and 100 items.

Run it under a virtual display (wkhtmltopdf needs one; Debian package wkhtmltopdf), on an
otherwise idle machine:
    xvfb-run -a python3 bench/exporter/bench_exporter.py
    xvfb-run -a python3 bench/exporter/bench_exporter.py --coeurs 0    # one core
"""
import argparse
import html
import os
import statistics
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

ICI = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(ICI))
import gen_quote  # noqa: E402

MODELE = os.path.join(os.path.dirname(os.path.dirname(ICI)), "resources", "installation",
                      "Modeles", "Devis", "Standard", "Tessaro", "Portrait", "Prix nets.fr3")
LIGNES = (40, 400)
TAILLES = (20, 100)
MEMOIRE = (10, 100)


def generer(dossier, lignes, nombre):
    """The quotes of seeds 1 to nombre, made once and kept in dossier."""
    chemins = []
    for graine in range(1, nombre + 1):
        sortie = os.path.join(dossier, "q%d-%d" % (lignes, graine))
        xml = os.path.join(sortie, "quote.xml")
        if not os.path.exists(xml):
            with open(os.devnull, "w") as nul:
                ancien, sys.stdout = sys.stdout, nul
                try:
                    gen_quote.build(lignes, graine, sortie)
                finally:
                    sys.stdout = ancien
        chemins.append(xml)
    return chemins


STYLE = ("<html><head><meta charset='utf-8'><style>body{font-family:'DejaVu Sans';font-size:9pt}"
         " .devis{page-break-before:always} table{width:100%;border-collapse:collapse}"
         " td{border:1px solid #888;padding:2px;vertical-align:top} img.c{width:48mm}"
         "</style></head><body>")


def devis_html(xml):
    """The quote as HTML: the header with the logo, each line with its sketch and descriptions."""
    racine = ET.parse(xml).getroot()
    entete = {champ.tag: champ.text or "" for champ in racine.find("entete")}
    e = lambda t: html.escape(t or "")  # noqa: E731
    corps = ["<div class='devis'><img src='file://%s' style='width:60mm'>" % os.path.join(
                 os.path.dirname(xml), "logo.png"),
             "<h2>%s %s</h2><p>%s<br>%s<br>%s</p><p>%s %s</p><table>" % (
                 e(entete.get("typeDocNom")), e(entete.get("numero")), e(entete.get("nomClient")),
                 e(entete.get("adresseClient")), e(entete.get("villeClient")),
                 e(entete.get("nomAgence")), e(entete.get("telAgence")))]
    for ligne in racine.iter("ligne"):
        champ = lambda nom: e(ligne.findtext(nom))  # noqa: E731
        descriptions = "".join("<br>" + e(d.findtext("texte")) for d in ligne.iter("description"))
        corps.append("<tr><td><img class='c' src='file://%s'></td><td><b>%s</b> %s%s<br>"
                     "%s x %s mm, Uw %s</td><td>%s</td><td>%s</td><td>%s</td></tr>" % (
                         ligne.findtext("croquis"), champ("Modele"), champ("designation"),
                         descriptions, champ("largeur"), champ("hauteur"), champ("uw"),
                         champ("quantite"), champ("prixUnitaire"), champ("totalLigne")))
    corps.append("</table><p>Total HT %s — TVA %s — Total TTC %s</p></div>" % (
        e(entete.get("totalHT")), e(entete.get("totalTVA")), e(entete.get("totalTTC"))))
    return "\n".join(corps)


def pages_html(dossier, devis, nom):
    """The quotes one after the other, each from a new page, in one HTML file: Debian's
    wkhtmltopdf takes one input document per process."""
    chemin = os.path.join(dossier, nom + ".html")
    with open(chemin, "w", encoding="utf-8") as f:
        f.write(STYLE + "".join(devis) + "</body></html>")
    return chemin


def travail(dossier, quotes, nom):
    lignes = ["[Configuration]", "Agence=", "Utilisateur=", "[Export]", "Nombre=%d" % len(quotes)]
    for n, xml in enumerate(quotes, 1):
        lignes += ["Rapport%d=%s" % (n, MODELE), "Xml%d=%s" % (n, xml),
                   "Export%d=%s" % (n, os.path.join(dossier, "pdf", "%s-%d.pdf" % (nom, n)))]
    chemin = os.path.join(dossier, nom + ".ini")
    with open(chemin, "w", encoding="utf-8") as f:
        f.write("\n".join(lignes) + "\n")
    return chemin


def chronometrer(commande, coeurs, env=None):
    """Elapsed and processor time (user and system) in seconds and peak resident memory in MB
    of one run on the given cores."""
    mesure = tempfile.NamedTemporaryFile(suffix=".time", delete=False)
    mesure.close()
    fin = subprocess.run(["taskset", "-c", coeurs, "/usr/bin/time", "-o", mesure.name,
                          "-f", "%e %U %S %M"] + commande, env=env, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    with open(mesure.name) as f:
        ecoule, utilisateur, systeme, pic = f.read().split()[-4:]
    os.unlink(mesure.name)
    if fin.returncode != 0:
        sys.exit("échec (%d) : %s" % (fin.returncode, " ".join(commande)))
    return float(ecoule), float(utilisateur) + float(systeme), int(pic) / 1024


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--programme", default="build/bin/Vantaro",
                    help="the program, beside its Vantaro.ini and settings database")
    ap.add_argument("--dossier", default=os.path.join(tempfile.gettempdir(), "bench-exporter"))
    ap.add_argument("--tours", type=int, default=3)
    ap.add_argument("--coeurs", default="0-%d" % (os.cpu_count() - 1),
                    help="the cores both programs may use, as taskset reads them")
    a = ap.parse_args()
    vantaro = os.path.abspath(a.programme)
    os.makedirs(os.path.join(a.dossier, "pdf"), exist_ok=True)
    env = dict(os.environ, LC_ALL="fr_FR.UTF-8")
    nous = lambda ini: chronometrer([vantaro, ini, "EXPORTER"], a.coeurs, env)  # noqa: E731
    vide = travail(a.dossier, [], "vide")
    print("cœurs %s ; par document, en ms : temps écoulé, puis temps processeur" % a.coeurs)
    print("%6s %6s %10s %10s %7s %10s %10s %7s" % (
        "lignes", "docs", "nous", "wkhtml", "ratio", "nous cpu", "wk cpu", "ratio"))
    for lignes in LIGNES:
        quotes = generer(a.dossier, lignes, max(TAILLES))
        devis = [devis_html(xml) for xml in quotes]
        for taille in TAILLES:
            ini = travail(a.dossier, quotes[:taille], "lot%d-%d" % (lignes, taille))
            sortie = os.path.join(a.dossier, "pdf", "wk%d-%d.pdf" % (lignes, taille))
            page = pages_html(a.dossier, devis[:taille], "wk%d-%d" % (lignes, taille))
            wk = ["wkhtmltopdf", "-q", "--enable-local-file-access", "--load-error-handling",
                  "ignore", page, sortie]
            notres, leurs = [], []
            for _ in range(a.tours):
                base, lot = nous(vide), nous(ini)
                notres.append([(lot[k] - base[k]) / taille for k in (0, 1)])
                leurs.append([t / taille for t in chronometrer(wk, a.coeurs)[:2]])
            n = [statistics.median(m[k] for m in notres) * 1000 for k in (0, 1)]
            w = [statistics.median(m[k] for m in leurs) * 1000 for k in (0, 1)]
            print("%6d %6d %10.1f %10.1f %7.3f %10.1f %10.1f %7.3f" % (
                lignes, taille, n[0], w[0], n[0] / w[0], n[1], w[1], n[1] / w[1]), flush=True)
        pics = [nous(travail(a.dossier, quotes[:t], "mem%d-%d" % (lignes, t)))[2] for t in MEMOIRE]
        print("%6d lignes : pic mémoire %s" % (lignes, ", ".join(
            "%d docs %.1f Mo" % (t, p) for t, p in zip(MEMOIRE, pics))), flush=True)


if __name__ == "__main__":
    main()
