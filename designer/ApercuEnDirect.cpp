#include "ApercuEnDirect.h"

#include "AssemblageDocument.h"
#include "ErreurBDD.h"
#include "ErreurRapport.h"
#include "Rapport.h"

struct ResultatApercu {
    std::shared_ptr<DocumentPrepare> pages;
    QString erreur, objet;
    QStringList champs;                    // when the data file was read again
    std::optional<QString> avertissement;  // when the configuration was read again
};

// Owns the report and the document's tables on the preparing thread.
class Preparateur {
public:
    using Resultat = ResultatApercu;

    // The data file and the configuration are read at each preparation; what they give (the
    // fields, the configuration's warning) is told when they changed.
    Resultat Preparer(const QString& chemin, const QByteArray& texte, const QString& donnees,
                      const QLocale& regional, const SourceConfiguration& source) {
        Resultat resultat;
        const bool relire = donnees != donneesLues_ || !sourceLue_ || source != *sourceLue_;
        donneesLues_.clear();
        sourceLue_.reset();
        rapport_.DefinirRegional(regional);
        // A database that could not be read is not asked again until the source changes.
        repli_ = repli_ && !relire;
        const SourceConfiguration lue = repli_ ? SourceConfiguration{} : source;
        QString avertissement;
        try {
            TravailDocument travail;
            travail.donnees = donnees;
            travail.regional = regional;
            travail.modele = ModeleTexte{chemin, texte};
            travail.configuration = lue;
            Assembler(travail, avertissement);
            resultat.pages = std::make_shared<DocumentPrepare>(rapport_.Pages());
        } catch (const ErreurRapport& erreur) {
            // The template's fault: the data and the configuration were read.
            resultat.erreur = QString::fromUtf8(erreur.what());
            resultat.objet = erreur.Endroit().objet;
        } catch (const std::exception& erreur) {
            resultat.erreur = QString::fromUtf8(erreur.what());
            return resultat;
        }
        donneesLues_ = donnees;
        sourceLue_ = source;
        if (relire) {
            resultat.avertissement = avertissement;
            for (JeuDonneesRapport* jeu : assemblage_.Donnees().JeuxRapport()) {
                for (const QString& champ : jeu->NomsChamps()) {
                    resultat.champs
                        << QStringLiteral("%1.\"%2\"").arg(jeu->NomUtilisateur(), champ);
                }
            }
        }
        return resultat;
    }

private:
    // A database that cannot be read leaves the record the print manager fills when nothing is
    // configured: the preview still shows the template, and says why.
    void Assembler(TravailDocument travail, QString& avertissement) {
        try {
            assemblage_.Assembler(travail);
        } catch (const ErreurBDD& erreur) {
            repli_ = true;
            avertissement = QStringLiteral(
                                "Configuration de l'aperçu non lue : %1 L'aperçu utilise la "
                                "configuration par défaut.")
                                .arg(QString::fromUtf8(erreur.what()));
            travail.configuration = {};
            assemblage_.Assembler(travail);
        }
    }

    Rapport rapport_;
    AssemblageDocument assemblage_{rapport_};
    QString donneesLues_;
    std::optional<SourceConfiguration> sourceLue_;
    bool repli_ = false;  // the source's database could not be read
};

ApercuEnDirect::ApercuEnDirect(QObject* parent)
    : QObject(parent), preparateur_(std::make_unique<Preparateur>()) {
    minuterie_.setSingleShot(true);
    minuterie_.setInterval(250);
    connect(&minuterie_, &QTimer::timeout, this, &ApercuEnDirect::Lancer);
    connect(&tache_, &SignalTache::Terminee, this, &ApercuEnDirect::Recevoir);
}

ApercuEnDirect::~ApercuEnDirect() = default;

void ApercuEnDirect::DefinirDonnees(const QString& fichier, const QLocale& regional) {
    donnees_ = fichier;
    regional_ = regional;
}

void ApercuEnDirect::DefinirConfiguration(const SourceConfiguration& source) {
    source_ = source;
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
    tache_.Demarrer([preparateur = preparateur_.get(), chemin = chemin_, texte = texte_,
                     donnees = donnees_, regional = regional_, source = source_] {
        return preparateur->Preparer(chemin, texte, donnees, regional, source);
    });
}

void ApercuEnDirect::Recevoir() {
    const ResultatApercu resultat = tache_.LeResultat();
    enCours_ = false;
    ++resultats_;
    if (!resultat.champs.isEmpty()) {
        emit ChampsConnus(resultat.champs);
    }
    if (resultat.avertissement) {
        emit ConfigurationLue(*resultat.avertissement);
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
}
