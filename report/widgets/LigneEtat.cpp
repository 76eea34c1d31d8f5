#include "LigneEtat.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "Ihm.h"

namespace {

const QString kPoints = QStringLiteral("…");

}  // namespace

QString DossierRaccourci(const QString& dossier, int longueurMax) {
    const QString natif = QDir::toNativeSeparators(dossier);
    if (natif.size() <= longueurMax) {
        return natif;
    }
    const QChar separateur = QDir::separator();
    QStringList parties = natif.split(separateur);
    QString fin = parties.takeLast();
    if (kPoints.size() + 1 + fin.size() > longueurMax) {
        return kPoints + fin.right(longueurMax - kPoints.size());
    }
    while (!parties.isEmpty() &&
           kPoints.size() + 1 + parties.last().size() + 1 + fin.size() <= longueurMax) {
        fin = parties.takeLast() + separateur + fin;
    }
    return kPoints + separateur + fin;
}

QString TexteExporte(const QString& chemin) {
    const QFileInfo fichier(chemin);
    return QStringLiteral("Exporté : %1 dans %2")
        .arg(fichier.fileName(), DossierRaccourci(fichier.absolutePath()));
}

QString TexteImprime(const QString& imprimante, int pages) {
    return QStringLiteral("Envoyé à l'imprimante %1 (%2 %3)")
        .arg(imprimante)
        .arg(pages)
        .arg(pages > 1 ? QStringLiteral("pages") : QStringLiteral("page"));
}

LigneEtat::LigneEtat(QWidget* parent)
    : QWidget(parent), lblEtat_(new QLabel(this)), btnOuvrirDossier_(new QPushButton(this)) {
    lblEtat_->setObjectName(QStringLiteral("lblEtat"));
    lblEtat_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    btnOuvrirDossier_->setObjectName(QStringLiteral("btnOuvrirDossier"));
    btnOuvrirDossier_->setText(QStringLiteral("Ouvrir le dossier"));
    btnOuvrirDossier_->hide();
    auto* disposition = new QHBoxLayout(this);
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->addWidget(lblEtat_, 1);
    disposition->addWidget(btnOuvrirDossier_);
    connect(btnOuvrirDossier_, &QPushButton::clicked, this, &LigneEtat::btnOuvrirDossierClick);
}

void LigneEtat::Exporte(const QString& chemin) {
    Afficher(TexteExporte(chemin), QFileInfo(chemin).absolutePath());
}

void LigneEtat::Imprime(const QString& imprimante, int pages) {
    Afficher(TexteImprime(imprimante, pages), QString());
}

void LigneEtat::Echec(const QString& prefixe, const QString& raison) {
    Afficher(prefixe + raison, QString());
}

QString LigneEtat::Texte() const {
    return lblEtat_->text();
}

void LigneEtat::btnOuvrirDossierClick() {
    if (ihm_ && !dossier_.isEmpty()) {
        ihm_->OuvrirAvecShell(dossier_);
    }
}

void LigneEtat::Afficher(const QString& texte, const QString& dossier) {
    dossier_ = dossier;
    lblEtat_->setText(texte);
    // The whole folder, where the line had to shorten it.
    lblEtat_->setToolTip(QDir::toNativeSeparators(dossier));
    btnOuvrirDossier_->setVisible(ihm_ && !dossier.isEmpty());
}
