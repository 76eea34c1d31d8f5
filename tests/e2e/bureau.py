"""A real X display for end-to-end runs: Xvfb with openbox, and helpers that find and act on
windows the way a user would (xdotool, wmctrl)."""
import argparse
import os
import subprocess
import sys
import time
import unittest


class Bureau:
    def __init__(self, taille="1280x1024"):
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", "1", "-screen", "0", taille + "x24", "-nolisten", "tcp"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        numero = self.xvfb.stdout.readline().decode().strip()
        if not numero:
            raise RuntimeError("Xvfb n'a pas démarré")
        # The users' desktops have French regional settings, as the sample data.
        self.env = dict(os.environ, DISPLAY=":" + numero, QT_QPA_PLATFORM="xcb",
                        LC_ALL="fr_FR.UTF-8")
        self.env.pop("WAYLAND_DISPLAY", None)
        self.wm = subprocess.Popen(["openbox"], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.5)

    def fermer(self):
        for processus in (self.wm, self.xvfb):
            processus.terminate()
            try:
                processus.wait(5)
            except subprocess.TimeoutExpired:
                processus.kill()

    def commande(self, *args):
        return subprocess.run(list(args), env=self.env, capture_output=True, text=True).stdout

    def attendre_fenetre(self, titre_exact, delai=20.0):
        """Id of the visible window whose title is exactly titre_exact."""
        fin = time.monotonic() + delai
        motif = "^" + titre_exact.replace("(", "\\(").replace(")", "\\)") + "$"
        while time.monotonic() < fin:
            ids = self.commande("xdotool", "search", "--onlyvisible", "--name", motif).split()
            if ids:
                return ids[-1]
            time.sleep(0.2)
        raise AssertionError("fenêtre introuvable : %r ; visibles : %r"
                             % (titre_exact, self.titres_visibles()))

    def titres_visibles(self):
        ids = self.commande("xdotool", "search", "--onlyvisible", "--name", ".").split()
        return [self.commande("xdotool", "getwindowname", i).strip() for i in ids]

    def touche(self, fenetre, touche):
        self.commande("xdotool", "windowactivate", "--sync", fenetre)
        time.sleep(0.2)
        self.commande("xdotool", "key", "--clearmodifiers", touche)

    def fermer_fenetre(self, titre_exact):
        self.commande("wmctrl", "-F", "-c", titre_exact)


class CasSurBureau(unittest.TestCase):
    """Test cases that share one display for their whole class."""

    @classmethod
    def setUpClass(cls):
        cls.bureau = Bureau()

    @classmethod
    def tearDownClass(cls):
        cls.bureau.fermer()

    def terminer(self, processus):
        """Waits for the program to end by itself, with exit code 0 (its standard error piped)."""
        try:
            code = processus.wait(20)
        except subprocess.TimeoutExpired:
            processus.kill()
            self.fail("le programme ne s'est pas terminé ; fenêtres : %r"
                      % self.bureau.titres_visibles())
        self.assertEqual(code, 0, processus.stderr.read().decode(errors="replace"))


def executer_tests(variables):
    """Runs the calling script's test cases on the program named by --executable, which the
    script reads as its global EXECUTABLE."""
    analyseur = argparse.ArgumentParser()
    analyseur.add_argument("--executable", required=True)
    options, reste = analyseur.parse_known_args()
    variables["EXECUTABLE"] = options.executable
    unittest.main(argv=[sys.argv[0], "-v", *reste])
