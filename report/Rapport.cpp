#include "Rapport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRawFont>
#include <QSet>

#include "ErreurRapport.h"
#include "LecteurModele.h"
#include "Preparation.h"
#include "SortieFichier.h"

// Which template is read, how many pages it gave and in what time; for support staff, off unless
// the rules switch on "vantaro.rendu.debug".
Q_LOGGING_CATEGORY(lcRendu, "vantaro.rendu", QtWarningMsg)

Rapport::Rapport(QObject* parent) : QObject(parent) {}

namespace {

bool Inchange(const ModeleRapport& modele, const QString& chemin) {
    if (modele.fichier != chemin || modele.versions.isEmpty()) {
        return false;
    }
    for (auto it = modele.versions.cbegin(); it != modele.versions.cend(); ++it) {
        if (QFileInfo(it.key()).lastModified() != it.value()) {
            return false;
        }
    }
    return true;
}

}  // namespace

void Rapport::ChargerDepuisFichier(const QString& chemin) {
    pages_.clear();
    // A batch loads the same template for each document: it is read once, and what the
    // program changed in it since is put back as the file has it.
    if (QFileInfo(chemin).isFile() && Inchange(modele_, chemin)) {
        for (ObjetRapport* objet : std::as_const(modele_.parNom)) {
            objet->visible = objet->visibleDansLeFichier;
        }
        for (const auto& page : modele_.pages) {
            page->pageSansFin = false;
        }
        return;
    }
    modele_ = ModeleRapport{};
    cache_.OublierTextes();
    if (QFileInfo(chemin).isFile()) {
        qCDebug(lcRendu).noquote() << "lecture du modèle" << chemin;
        modele_ = LireModele(chemin);
    } else {
        qCDebug(lcRendu).noquote() << "modèle absent :" << chemin;
    }
}

void Rapport::ChargerDepuisTexte(const QString& chemin, const QByteArray& texte) {
    pages_.clear();
    modele_ = ModeleRapport{};
    cache_.OublierTextes();
    modele_ = LireModele(chemin, &texte);
}

void Rapport::ChargerPolices() const {
    QSet<QString> lues;
    for (const ObjetRapport* objet : modele_.parNom) {
        const auto* texte = dynamic_cast<const ObjetModele*>(objet);
        if (texte && texte->genre == ObjetModele::Genre::Texte &&
            !lues.contains(texte->police.key())) {
            lues.insert(texte->police.key());
            CachePdf::Police(QRawFont::fromFont(texte->police));
        }
    }
}

DocumentPrepare Rapport::PreparerPages() {
    QElapsedTimer duree;
    duree.start();
    cache_.NouveauDocument();
    DocumentPrepare pages = ::Preparer(EntreesPreparation{
        modele_, jeux_, cache_, modele_.langue.isEmpty() ? regional_ : QLocale(modele_.langue),
        horloge_()});
    qCDebug(lcRendu).noquote() << QStringLiteral("%1 préparé : %2 pages en %3 ms")
                                      .arg(modele_.fichier)
                                      .arg(pages.size())
                                      .arg(duree.elapsed());
    return pages;
}

void Rapport::Preparer() {
    pages_.clear();
    pages_ = PreparerPages();
    emit PagesPreparees();
}

QString Rapport::Exporter(FormatExport format, const QString& dossierParDefaut,
                          const QString& nomFichier) {
    if (nomFichier.isEmpty()) {
        throw ErreurRapport(QStringLiteral("export sans nom de fichier"));
    }
    const QString chemin =
        dossierParDefaut.isEmpty() ? nomFichier : QDir(dossierParDefaut).filePath(nomFichier);
    if (format == FormatExport::Csv) {
        EcrireCsv(PreparerPages(), chemin);
        return chemin;
    }
    SortieFichier sortie(chemin);
    ExporterPdf(sortie);
    sortie.MettreEnPlace();
    return chemin;
}

void Rapport::ExporterPdf(SortieFichier& sortie) {
    if (pages_.empty()) {
        Preparer();
    }
    ParametresPdf parametres = pdf_;
    if (parametres.titre.isEmpty()) {
        parametres.titre = QFileInfo(sortie.Chemin()).completeBaseName();
    }
    QElapsedTimer duree;
    duree.start();
    EcrirePdf(pages_, sortie, parametres, cachePdf_);
    qCDebug(lcRendu).noquote()
        << QStringLiteral("%1 écrit en %2 ms").arg(sortie.Chemin()).arg(duree.elapsed());
}

ObjetRapport* Rapport::TrouverObjet(const QString& nom) const {
    return modele_.parNom.value(nom.toLower());
}

PageModele* Rapport::TrouverPage(const QString& nom) const {
    return dynamic_cast<PageModele*>(TrouverObjet(nom));
}

void Rapport::AfficherObjet(ObjetRapport* objet, bool visible) {
    if (objet) {
        objet->visible = visible;
    }
}

void Rapport::EnregistrerJeu(JeuDonneesRapport* jeu) {
    jeux_.insert(jeu->NomUtilisateur().toLower(), jeu);
}

void Rapport::RafraichirJeu(JeuDonneesRapport* jeu) {
    for (auto it = jeux_.begin(); it != jeux_.end();) {
        it = it.value() == jeu ? jeux_.erase(it) : std::next(it);
    }
    EnregistrerJeu(jeu);
    jeu->Premier();
}
