#include "Rapport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRawFont>
#include <QSet>

#include "CachePdf.h"
#include "CacheRendu.h"
#include "ErreurRapport.h"
#include "JournalRendu.h"
#include "LecteurModele.h"
#include "Preparation.h"
#include "SortieFichier.h"
#include "SortiePdf.h"
#include "Sorties.h"

// Which template is read, how many pages it gave and in what time, for support staff, off unless
// the rules switch on "vantaro.rendu.debug"; what a template cut or left out, always.
Q_LOGGING_CATEGORY(lcRendu, "vantaro.rendu", QtWarningMsg)

struct Rapport::Prive {
    ModeleRapport modele;
    QHash<QString, JeuDonneesRapport*> jeux;
    CacheRendu cache;
    CachePdf cachePdf;
    DocumentPrepare pages;
    ParametresPdf pdf;
    QLocale regional = QLocale::system();
    std::function<QDateTime()> horloge = [] { return QDateTime::currentDateTime(); };
};

Rapport::Rapport(QObject* parent) : QObject(parent), d_(std::make_unique<Prive>()) {}

Rapport::~Rapport() = default;

const DocumentPrepare& Rapport::Pages() const {
    return d_->pages;
}

ParametresPdf& Rapport::Pdf() {
    return d_->pdf;
}

int Rapport::NombreObjets() const {
    return int(d_->modele.parNom.size());
}

void Rapport::DefinirRegional(const QLocale& regional) {
    d_->regional = regional;
}

void Rapport::DefinirHorloge(std::function<QDateTime()> horloge) {
    d_->horloge = std::move(horloge);
}

const QString& Rapport::Fichier() const {
    return d_->modele.fichier;
}

namespace {

bool Inchange(const ModeleRapport& modele, const QString& chemin) {
    if (modele.fichier != chemin || modele.versions.isEmpty()) {
        return false;
    }
    for (auto it = modele.versions.cbegin(); it != modele.versions.cend(); ++it) {
        if (VersionFichier::De(it.key()) != it.value()) {
            return false;
        }
    }
    return true;
}

}  // namespace

void Rapport::ChargerDepuisFichier(const QString& chemin) {
    d_->pages.clear();
    // A batch loads the same template for each document: it is read once, and what the
    // program changed in it since is put back as the file has it.
    if (QFileInfo(chemin).isFile() && Inchange(d_->modele, chemin)) {
        for (ObjetRapport* objet : std::as_const(d_->modele.parNom)) {
            objet->visible = objet->visibleDansLeFichier;
        }
        for (const auto& page : d_->modele.pages) {
            page->pageSansFin = false;
        }
        return;
    }
    d_->modele = ModeleRapport{};
    d_->cache.OublierTextes();
    if (QFileInfo(chemin).isFile()) {
        qCDebug(lcRendu).noquote() << "lecture du modèle" << chemin;
        d_->modele = LireModele(chemin);
    } else {
        qCDebug(lcRendu).noquote() << "modèle absent :" << chemin;
    }
}

void Rapport::ChargerDepuisTexte(const QString& chemin, const QByteArray& texte) {
    d_->pages.clear();
    d_->modele = ModeleRapport{};
    d_->cache.OublierTextes();
    d_->modele = LireModele(chemin, &texte);
}

void Rapport::ChargerPolices() const {
    QSet<QString> lues;
    for (const ObjetRapport* objet : d_->modele.parNom) {
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
    d_->cache.NouveauDocument();
    DocumentPrepare pages = ::Preparer(EntreesPreparation{
        d_->modele, d_->jeux, d_->cache,
        d_->modele.langue.isEmpty() ? d_->regional : QLocale(d_->modele.langue), d_->horloge()});
    qCDebug(lcRendu).noquote() << QStringLiteral("%1 préparé : %2 pages en %3 ms")
                                      .arg(d_->modele.fichier)
                                      .arg(pages.size())
                                      .arg(duree.elapsed());
    return pages;
}

void Rapport::Preparer() {
    d_->pages.clear();
    d_->pages = PreparerPages();
    for (const QString& ligne : TextesCoupes()) {
        qCWarning(lcRendu).noquote() << ligne;
    }
    emit PagesPreparees();
}

QStringList Rapport::TextesCoupes() const {
    QStringList lignes;
    for (size_t page = 0; page < d_->pages.size(); ++page) {
        for (const QString& objet : d_->pages[page].textesCoupes) {
            lignes << QStringLiteral(
                          "%1 : le texte de « %2 » ne tient pas dans son cadre et est "
                          "coupé, page %3")
                          .arg(QDir::toNativeSeparators(d_->modele.fichier), objet)
                          .arg(page + 1);
        }
    }
    return lignes;
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

void Rapport::ExporterPdf(SortieFichier& sortie, ApresExport apres) {
    if (d_->pages.empty()) {
        Preparer();
    }
    const bool liberer = apres == ApresExport::LibererPages;
    if (liberer) {
        // The pages then hold the only reference to their texts.
        d_->cache.OublierTextes();
    }
    ParametresPdf parametres = d_->pdf;
    if (parametres.titre.isEmpty()) {
        parametres.titre = QFileInfo(sortie.Chemin()).completeBaseName();
    }
    QElapsedTimer duree;
    duree.start();
    if (liberer) {
        DocumentPrepare pages = std::move(d_->pages);
        d_->pages.clear();
        EcrirePdf(pages, sortie, parametres, d_->cachePdf, PagesEcrites::Liberees);
    } else {
        EcrirePdf(d_->pages, sortie, parametres, d_->cachePdf);
    }
    qCDebug(lcRendu).noquote()
        << QStringLiteral("%1 écrit en %2 ms").arg(sortie.Chemin()).arg(duree.elapsed());
}

ObjetRapport* Rapport::TrouverObjet(const QString& nom) const {
    return d_->modele.parNom.value(nom.toLower());
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
    d_->jeux.insert(jeu->NomUtilisateur().toLower(), jeu);
}

void Rapport::RafraichirJeu(JeuDonneesRapport* jeu) {
    for (auto it = d_->jeux.begin(); it != d_->jeux.end();) {
        it = it.value() == jeu ? d_->jeux.erase(it) : std::next(it);
    }
    EnregistrerJeu(jeu);
    jeu->Premier();
}
