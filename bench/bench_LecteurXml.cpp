// Loading the host's document data files into the tables, against pugixml's bare parse of the
// same file: processor time (median of several runs) and peak heap during one load.
//
//   bench_lecteur_xml [folder]   (the quotes are generated there, or in a temporary folder)
//
// Exit code 1 when, for 10,000 lines, the load takes more than 3 times the bare parse or its
// peak heap reaches 4 times the file's size.
#include <malloc.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <pugixml.hpp>
#include <vector>

#include "DonneesDocument.h"

// Every heap allocation of the process goes through these, so the peak is exact.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {

std::atomic<long long> enCours{0};
std::atomic<long long> pic{0};

void* Compter(void* bloc) {
    if (bloc) {
        const long long total = enCours += static_cast<long long>(malloc_usable_size(bloc));
        long long ancien = pic.load();
        while (total > ancien && !pic.compare_exchange_weak(ancien, total)) {
        }
    }
    return bloc;
}

void Decompter(void* bloc) {
    if (bloc) {
        enCours -= static_cast<long long>(malloc_usable_size(bloc));
    }
}

}  // namespace

extern "C" {
void* malloc(size_t taille) {
    return Compter(__libc_malloc(taille));
}
void* calloc(size_t nombre, size_t taille) {
    return Compter(__libc_calloc(nombre, taille));
}
void* realloc(void* bloc, size_t taille) {
    Decompter(bloc);
    return Compter(__libc_realloc(bloc, taille));
}
void free(void* bloc) {
    Decompter(bloc);
    __libc_free(bloc);
}
void* memalign(size_t alignement, size_t taille) {
    return Compter(__libc_memalign(alignement, taille));
}
void* aligned_alloc(size_t alignement, size_t taille) {
    return Compter(__libc_memalign(alignement, taille));
}
int posix_memalign(void** bloc, size_t alignement, size_t taille) {
    *bloc = Compter(__libc_memalign(alignement, taille));
    return *bloc ? 0 : 12;
}
}

namespace {

// This thread's processor time, user and system: the machine may be shared with other work.
double TempsProcesseurMs() {
    timespec temps{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &temps);
    return double(temps.tv_sec) * 1e3 + double(temps.tv_nsec) / 1e6;
}

// The median processor time of the action on a fresh object; building and destroying the object are
// not counted.
template <typename Objet>
double MedianeMs(const std::function<void(Objet&)>& action, int repetitions) {
    std::vector<double> durees;
    for (int i = 0; i < repetitions; ++i) {
        Objet objet;
        const double debut = TempsProcesseurMs();
        action(objet);
        durees.push_back(TempsProcesseurMs() - debut);
    }
    std::sort(durees.begin(), durees.end());
    return durees[durees.size() / 2];
}

// The heap's peak above its level before the action, on a fresh object.
template <typename Objet>
long long PicOctets(const std::function<void(Objet&)>& action) {
    Objet objet;
    const long long base = enCours.load();
    pic = base;
    action(objet);
    return pic.load() - base;
}

bool Generer(const QString& dossier, int lignes) {
    if (QFileInfo::exists(dossier + "/quote.xml")) {
        return true;
    }
    QProcess generateur;
    generateur.start("python3", {VANTARO_GEN_QUOTE, "--lines", QString::number(lignes), "--seed",
                                 "1", "--out", dossier});
    return generateur.waitForFinished(300000) && generateur.exitCode() == 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTemporaryDir temporaire;
    const QString racine = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporaire.path();
    const QLocale francais(QLocale::French, QLocale::France);
    bool tenu = true;
    std::printf("%7s %10s %11s %11s %6s %20s %20s\n", "lignes", "octets", "analyse ms", "charge ms",
                "ratio", "pic analyse", "pic charge");
    for (const int lignes : {5, 40, 400, 10000}) {
        const QString dossier = QStringLiteral("%1/devis-%2").arg(racine).arg(lignes);
        if (!Generer(dossier, lignes)) {
            std::fprintf(stderr, "génération impossible dans %s\n", qPrintable(dossier));
            return 2;
        }
        const QString fichier = dossier + "/quote.xml";
        const long long taille = QFileInfo(fichier).size();
        const int repetitions = lignes >= 10000 ? 9 : 61;
        const QByteArray chemin = QFile::encodeName(fichier);
        const std::function<void(pugi::xml_document&)> analyser = [&](pugi::xml_document& d) {
            if (!d.load_file(chemin.constData())) {
                std::abort();
            }
        };
        const std::function<void(DonneesDocument&)> charger = [&](DonneesDocument& donnees) {
            donnees.Charger(fichier, francais);
        };
        const double analyse = MedianeMs(analyser, repetitions);
        const double charge = MedianeMs(charger, repetitions);
        const double picAnalyse = double(PicOctets(analyser)) / double(taille);
        const double picCharge = double(PicOctets(charger)) / double(taille);
        const double ratio = charge / analyse;
        std::printf("%7d %10lld %11.2f %11.2f %6.2f %10.2f x fichier %10.2f x fichier\n", lignes,
                    taille, analyse, charge, ratio, picAnalyse, picCharge);
        if (lignes == 10000) {
            tenu = ratio <= 3.0 && picCharge < 4.0;
        }
    }
    std::printf("%s\n", tenu ? "objectifs tenus (10 000 lignes : ratio <= 3, pic < 4 x taille)"
                             : "OBJECTIFS MANQUÉS (10 000 lignes : ratio <= 3, pic < 4 x taille)");
    return tenu ? 0 : 1;
}
