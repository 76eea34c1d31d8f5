#include "ApercuEnDirect.h"

#include "AssemblageDocument.h"
#include "ErreurRapport.h"
#include "Rapport.h"

// Owns the report and the document's tables on the preparing thread.
class Preparateur : public QObject {
public:
    struct Resultat {
        std::shared_ptr<DocumentPrepare> pages;
        QString erreur, objet;
        QStringList champs;  // when the data file was read again
    };

    Resultat Preparer(const QString& chemin, const QByteArray& texte, const QString& donnees,
                      const QLocale& regional) {
        Resultat resultat;
        try {
            if (donnees != donneesLues_) {
                donneesLues_.clear();
                rapport_.DefinirRegional(regional);
                assemblage_.ChargerDonnees(donnees, regional);
                RemplirConfiguration();
                donneesLues_ = donnees;
                for (JeuDonneesRapport* jeu : assemblage_.Donnees().JeuxRapport()) {
                    for (const QString& champ : jeu->NomsChamps()) {
                        resultat.champs
                            << QStringLiteral("%1.\"%2\"").arg(jeu->NomUtilisateur(), champ);
                    }
                }
            }
            rapport_.ChargerDepuisTexte(chemin, texte);
            assemblage_.Preparer();
            resultat.pages = std::make_shared<DocumentPrepare>(rapport_.Pages());
        } catch (const ErreurRapport& erreur) {
            resultat.erreur = QString::fromUtf8(erreur.what());
            resultat.objet = erreur.Endroit().objet;
        } catch (const std::exception& erreur) {
            resultat.erreur = QString::fromUtf8(erreur.what());
        }
        return resultat;
    }

private:
    // As the print manager fills the record when nothing is configured: sketches, dimensions and
    // suppliers shown.
    void RemplirConfiguration() {
        TableMemoire& config = assemblage_.Donnees().memTableConfig;
        config.Ouvrir();
        config.Ajouter();
        for (const char* option : {"Croquis", "Dimensions", "Fournisseurs"}) {
            config.Affecter(QLatin1String(option), true);
        }
        config.Valider();
    }

    Rapport rapport_;
    AssemblageDocument assemblage_{rapport_};
    QString donneesLues_;
};

ApercuEnDirect::ApercuEnDirect(QObject* parent) : QObject(parent), preparateur_(new Preparateur) {
    preparateur_->moveToThread(&fil_);
    connect(&fil_, &QThread::finished, preparateur_, &QObject::deleteLater);
    fil_.start();
    minuterie_.setSingleShot(true);
    minuterie_.setInterval(250);
    connect(&minuterie_, &QTimer::timeout, this, &ApercuEnDirect::Lancer);
}

ApercuEnDirect::~ApercuEnDirect() {
    fil_.quit();
    fil_.wait();
}

void ApercuEnDirect::DefinirDonnees(const QString& fichier, const QLocale& regional) {
    donnees_ = fichier;
    regional_ = regional;
}

void ApercuEnDirect::Demander(const QString& chemin, const QByteArray& texte) {
    chemin_ = chemin;
    texte_ = texte;
    minuterie_.start();
}

void ApercuEnDirect::Lancer() {
    if (enCours_) {
        enAttente_ = true;
        return;
    }
    enCours_ = true;
    Preparateur* preparateur = preparateur_;
    QMetaObject::invokeMethod(
        preparateur_,
        [this, preparateur, chemin = chemin_, texte = texte_, donnees = donnees_,
         regional = regional_] {
            Preparateur::Resultat resultat =
                preparateur->Preparer(chemin, texte, donnees, regional);
            QMetaObject::invokeMethod(
                this,
                [this, resultat = std::move(resultat)] {
                    enCours_ = false;
                    ++resultats_;
                    if (!resultat.champs.isEmpty()) {
                        emit ChampsConnus(resultat.champs);
                    }
                    if (resultat.pages) {
                        emit PagesPretes(resultat.pages);
                    } else {
                        emit Erreur(resultat.erreur, resultat.objet);
                    }
                    if (enAttente_) {
                        enAttente_ = false;
                        Lancer();
                    }
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}
