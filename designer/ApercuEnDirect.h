#pragma once

#include <QLocale>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "AssemblageDocument.h"
#include "PagesPreparees.h"
#include "TacheEnFond.h"

class Preparateur;
struct ResultatApercu;

// The real document, prepared from the data file through the one assembly off the window's
// thread, so that the canvas never waits. Requests that come while one is prepared are merged: only
// the latest text is prepared next.
class ApercuEnDirect : public QObject {
    Q_OBJECT
public:
    explicit ApercuEnDirect(QObject* parent = nullptr);
    ~ApercuEnDirect() override;

    void DefinirDonnees(const QString& fichier, const QLocale& regional);
    // Where the configuration record comes from; the next preparation reads it (and the data
    // file again, whose product lines take the configured special lines).
    void DefinirConfiguration(const SourceConfiguration& source);
    const SourceConfiguration& Configuration() const { return source_; }
    // Prepares this text of the template at chemin, after a short pause in the author's edits.
    void Demander(const QString& chemin, const QByteArray& texte);
    // How many results came back: a test waits on it.
    int Resultats() const { return resultats_; }
    bool EnCours() const { return enCours_ || minuterie_.isActive(); }

signals:
    // The pages; or the fault's message and the object it names (empty when none).
    void PagesPretes(std::shared_ptr<DocumentPrepare> pages);
    void Erreur(const QString& message, const QString& objet);
    // Every field as an expression names it (Jeu."champ"), once the data file is read.
    void ChampsConnus(const QStringList& champs);
    // After the configuration was read again: empty, or why its database could not be read
    // (the record is then the one used when nothing is configured).
    void ConfigurationLue(const QString& avertissement);

private:
    void Lancer();
    void Recevoir();

    // Used by the preparing work alone; the work is waited for before it goes.
    std::unique_ptr<Preparateur> preparateur_;
    TacheEnFond<ResultatApercu> tache_;
    QTimer minuterie_;
    QString chemin_, donnees_;
    QLocale regional_;
    SourceConfiguration source_;
    QByteArray texte_;
    bool enCours_ = false;
    bool enAttente_ = false;
    int resultats_ = 0;
};
