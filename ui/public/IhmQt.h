#pragma once

#include "Ihm.h"

// The real dialogs of the platform.
class IhmQt : public Ihm {
public:
    void Information(QWidget* parent, const QString& texte) override;
    void Annoncer(QWidget* parent, Gravite gravite, const QString& texte,
                  const QString& details) override;
    bool Confirmation(QWidget* parent, const QString& titre, const QString& texte) override;
    bool Question(QWidget* parent, const QString& titre, const QString& texte) override;
    Reponse QuestionEnregistrer(QWidget* parent, const QString& titre,
                                const QString& texte) override;
    void AfficherException(QWidget* parent, const QString& message) override;
    QString ChoisirFichier(QWidget* parent, const QString& titre, const QString& dossier,
                           const QString& filtre) override;
    QString ChoisirFichierEnregistrement(QWidget* parent, const QString& titre,
                                         const QString& cheminPropose,
                                         const QString& filtre) override;
    bool OuvrirAvecShell(const QString& chemin) override;
    int AfficherModal(QDialog& fenetre) override;
};
