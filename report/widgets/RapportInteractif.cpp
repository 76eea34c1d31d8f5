#include "RapportInteractif.h"

#include <QFileInfo>
#include <QWidget>

#include "FenetreApercu.h"
#include "Ihm.h"

RapportInteractif::RapportInteractif(Ihm& ihm, QObject* parent) : Rapport(parent), ihm_(ihm) {}

void RapportInteractif::SetPreview(ApercuRapport* apercu) {
    if (apercu_) {
        apercu_->Attacher(nullptr);
    }
    apercu_ = apercu;
    if (apercu_) {
        apercu_->Attacher(this);
    }
}

void RapportInteractif::ShowPreparedReport() {
    if (apercu_) {
        apercu_->AfficherPages(Pages());
        return;
    }
    FenetreApercu fenetre(*this, ihm_, qobject_cast<QWidget*>(parent()));
    ihm_.AfficherModal(fenetre);
}

void RapportInteractif::Print() {
    if (Pages().empty()) {
        Preparer();
    }
    ImprimerPages(Pages(), PrintOptions.Printer, TitreTravail());
}

QString RapportInteractif::TitreTravail() {
    if (!PrintOptions.NomTravail.isEmpty()) {
        return PrintOptions.NomTravail;
    }
    const QString& titre = Pdf().titre;
    if (!titre.isEmpty()) {
        return titre;
    }
    const QString modele = QFileInfo(Fichier()).completeBaseName();
    return modele.isEmpty() ? QStringLiteral("Vantaro") : modele;
}
