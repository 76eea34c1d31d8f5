"""Runs the program on a virtual display, takes a screenshot once its window is up, then closes
the windows as a user would and reports the exit code."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from bureau import Bureau  # noqa: E402

executable, travail, mode, capture = sys.argv[1:5]
bureau = Bureau()
# A desktop session gives its programs a private runtime folder; without one Qt warns on start.
execution = tempfile.mkdtemp(prefix="vantaro-execution-")
environnement = dict(bureau.env)
environnement.setdefault("XDG_RUNTIME_DIR", execution)
try:
    programme = subprocess.Popen([executable, travail, mode], env=environnement)
    time.sleep(4)
    subprocess.run(["import", "-window", "root", capture], env=bureau.env, check=False)
    print("Fenêtres ouvertes :", bureau.titres_visibles())
    print("Capture d'écran :", capture)
    for _ in range(10):
        if programme.poll() is not None:
            break
        for titre in bureau.titres_visibles():
            bureau.fermer_fenetre(titre)
        time.sleep(1)
    programme.wait(10)
    print("Code de sortie :", programme.returncode)
finally:
    bureau.fermer()
    shutil.rmtree(execution, ignore_errors=True)
