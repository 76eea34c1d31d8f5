// Layout of one band holding many objects: the template is read, then the report prepared, in
// processor time (the machine is shared), for 1,000 to 10,000 objects in four arrangements: a
// column of growing texts each pushing the next down, a grid of 100 columns, a row, and a pile
// at one place; then a template that changes every object of the grid over it by name. Exit code
// 1 when a preparation of 10,000 objects takes a second or more.
//
//   bench_bande [objects...]   (by default 1000 2500 5000 10000)
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <functional>

#include "Rapport.h"

namespace {

constexpr double kLimiteSecondes = 1.0;

double Processeur() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

struct Disposition {
    const char* nom;
    // x, y, width, height of object k of n, in millimetres.
    std::function<QRectF(int k, int n)> rect;
};

const Disposition kDispositions[] = {
    {"colonne", [](int k, int) { return QRectF(0, k, 60, 1); }},
    {"grille", [](int k, int) { return QRectF((k % 100) * 1.9, (k / 100) * 4, 1.9, 4); }},
    {"ligne", [](int k, int n) { return QRectF(k * 190.0 / n, 0, 190.0 / n, 5); }},
    {"pile", [](int, int) { return QRectF(0, 0, 60, 5); }},
};

QByteArray Modele(const Disposition& disposition, int objets) {
    QByteArray xml =
        "<rapport><page nom=\"Page1\" largeur=\"210\" hauteur=\"297\">"
        "<bande type=\"titre\" nom=\"Titre\" hauteur=\"5\">";
    for (int k = 0; k < objets; ++k) {
        const QRectF r = disposition.rect(k, objets);
        xml += QStringLiteral(
                   "<texte nom=\"T%1\" x=\"%2\" y=\"%3\" largeur=\"%4\" hauteur=\"%5\" "
                   "agrandir=\"oui\">Objet %1</texte>")
                   .arg(k)
                   .arg(r.x())
                   .arg(r.y())
                   .arg(r.width())
                   .arg(r.height())
                   .toUtf8();
    }
    return xml + "</bande></page></rapport>";
}

// A template over the grid that changes every one of its objects by name.
QByteArray Derive(int objets) {
    QByteArray xml = "<rapport base=\"grille.fr3\">";
    for (int k = 0; k < objets; ++k) {
        xml += QStringLiteral("<texte nom=\"T%1\" couleur=\"navy\"/>").arg(k).toUtf8();
    }
    return xml + "</rapport>";
}

void Ecrire(const QString& chemin, const QByteArray& contenu) {
    QFile fichier(chemin);
    fichier.open(QIODevice::WriteOnly | QIODevice::Truncate);
    fichier.write(contenu);
}

// Prints the times; false when the preparation of 10,000 objects or more missed its target.
bool Mesurer(const char* nom, const QString& chemin, int objets) {
    Rapport rapport;
    double debut = Processeur();
    rapport.ChargerDepuisFichier(chemin);
    const double lecture = Processeur() - debut;
    debut = Processeur();
    rapport.Preparer();
    const double preparation = Processeur() - debut;
    std::printf("%-10s %8d %10.3f %14.3f %8zu\n", nom, objets, lecture, preparation,
                rapport.Pages().size());
    std::fflush(stdout);
    return objets < 10000 || preparation < kLimiteSecondes;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QList<int> tailles = {1000, 2500, 5000, 10000};
    if (argc > 1) {
        tailles.clear();
        for (int i = 1; i < argc; ++i) {
            tailles << QByteArray(argv[i]).toInt();
        }
    }
    QTemporaryDir dossier;
    std::printf("%-10s %8s %10s %14s %8s\n", "objets", "nombre", "lecture s", "préparation s",
                "pages");
    bool atteint = true;
    for (const Disposition& disposition : kDispositions) {
        for (const int objets : tailles) {
            const QString chemin = dossier.filePath(QLatin1String(disposition.nom) + ".fr3");
            Ecrire(chemin, Modele(disposition, objets));
            atteint = Mesurer(disposition.nom, chemin, objets) && atteint;
        }
    }
    for (const int objets : tailles) {
        Ecrire(dossier.filePath("grille.fr3"), Modele(kDispositions[1], objets));
        Ecrire(dossier.filePath("derive.fr3"), Derive(objets));
        atteint = Mesurer("héritage", dossier.filePath("derive.fr3"), objets) && atteint;
    }
    return atteint ? 0 : 1;
}
