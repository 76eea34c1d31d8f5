#!/usr/bin/env python3
"""Compiles the program's and the tool's sources for 64-bit Windows with Debian's MinGW, as a
syntax check (nothing is linked).

The compiler, its C++ library and the system headers are Windows' own, with _WIN32 and Q_OS_WIN
set: POSIX-only headers and calls, GCC-only constructs guarded for Linux and code under
Q_OS_WIN are all compiled for Windows. Debian has no Windows build of Qt nor of SQLCipher, libpq,
OpenSSL, libcurl, pugixml or HarfBuzz: their Linux headers stand in (with Qt's win32-g++ platform
header), which holds for their platform-independent interfaces only. The tests and the
benchmarks are not compiled: they stay on Linux.

Usage: scripts/verifier-windows.py [--taches N] [configured build folder, default build]
(N compilers at once, 1 by default.)
Exit code 0 when every source compiles, 1 otherwise (the compiler's messages on standard error).
"""
import argparse
import concurrent.futures
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile

RACINE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOSSIERS = ("app", "config", "data", "export", "mail", "print", "report", "settings", "tools", "ui")
# The POSIX thread model: the win32 one of GCC 12 lacks std::future.
COMPILATEUR = "x86_64-w64-mingw32-g++-posix"
MKSPEC_WINDOWS = "/usr/lib/x86_64-linux-gnu/qt6/mkspecs/win32-g++"
# Headers found on Linux through the compiler's default folders, given to MinGW one by one so
# that none of glibc's comes with them.
EN_TETES = {
    "curl": "/usr/include/x86_64-linux-gnu/curl",
    "openssl": "/usr/include/openssl",
    "pugixml.hpp": "/usr/include/pugixml.hpp",
    "pugiconfig.hpp": "/usr/include/pugiconfig.hpp",
}
# OpenSSL's generated headers live apart, under the same folder name.
EN_TETES_OPENSSL = "/usr/include/x86_64-linux-gnu/openssl"


def sources(construction):
    with open(os.path.join(construction, "compile_commands.json")) as f:
        commandes = json.load(f)
    prefixes = tuple(os.path.join(RACINE, d) + os.sep for d in DOSSIERS)
    return [c for c in commandes if c["file"].startswith(prefixes)]


def options(commande):
    """The defines, include folders and standard of a Linux compile command, for MinGW."""
    mots = shlex.split(commande)
    retenues = []
    i = 1
    while i < len(mots):
        mot = mots[i]
        if mot == "-isystem":
            dossier = mots[i + 1]
            i += 2
            if "/mkspecs/" in dossier:
                dossier = MKSPEC_WINDOWS
            retenues += ["-isystem", dossier]
            continue
        if mot.startswith(("-D", "-I", "-std=")):
            retenues.append(mot)
        i += 1
    return retenues


def generer_formulaires(construction):
    """The forms' headers come from uic, run by the build's autogen targets."""
    cibles = subprocess.run(["ninja", "-C", construction, "-t", "targets", "all"],
                            capture_output=True, text=True, check=True).stdout
    autogen = sorted(set(re.findall(r"^((?:vantaro[-_][a-z_-]+|Vantaro)_autogen):", cibles,
                                    re.MULTILINE)))
    subprocess.run(["cmake", "--build", construction, "--target", *autogen],
                   check=True, stdout=subprocess.DEVNULL)


def main():
    a = argparse.ArgumentParser()
    a.add_argument("--taches", type=int, default=1)
    a.add_argument("construction", nargs="?", default=os.path.join(RACINE, "build"))
    o = a.parse_args()
    construction = os.path.abspath(o.construction)
    generer_formulaires(construction)
    with tempfile.TemporaryDirectory() as dossier:
        communs, generes = os.path.join(dossier, "a"), os.path.join(dossier, "b")
        os.makedirs(communs)
        os.makedirs(generes)
        for nom, cible in EN_TETES.items():
            os.symlink(cible, os.path.join(communs, nom))
        os.symlink(EN_TETES_OPENSSL, os.path.join(generes, "openssl"))

        def compiler(entree):
            commande = [COMPILATEUR, "-fsyntax-only", *options(entree["command"]),
                        "-isystem", communs, "-isystem", generes, entree["file"]]
            return entree["file"], subprocess.run(commande, cwd=entree["directory"],
                                                  capture_output=True, text=True)

        entrees = sources(construction)
        with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, o.taches)) as taches:
            resultats = list(taches.map(compiler, entrees))
    echecs = []
    for fichier, resultat in resultats:
        if resultat.returncode != 0:
            echecs.append(os.path.relpath(fichier, RACINE))
            sys.stderr.write(resultat.stderr)
    print("Windows (MinGW, syntaxe) : %d fichiers compilés, %d en échec%s"
          % (len(entrees) - len(echecs), len(echecs), "".join("\n  " + e for e in echecs)))
    return 1 if echecs else 0


if __name__ == "__main__":
    sys.exit(main())
