#include "IhmQt.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

void IhmQt::Information(QWidget* parent, const QString& texte) {
    QMessageBox::information(parent, QCoreApplication::applicationName(), texte);
}

bool IhmQt::Confirmation(QWidget* parent, const QString& titre, const QString& texte) {
    return QMessageBox::warning(parent, titre, texte, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

void IhmQt::AfficherException(QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, QCoreApplication::applicationName(), message);
}

QString IhmQt::ChoisirFichier(QWidget* parent, const QString& titre, const QString& dossier,
                              const QString& filtre) {
    return QFileDialog::getOpenFileName(parent, titre, dossier, filtre);
}

QString IhmQt::ChoisirFichierEnregistrement(QWidget* parent, const QString& titre,
                                            const QString& cheminPropose, const QString& filtre) {
    return QFileDialog::getSaveFileName(parent, titre, cheminPropose, filtre);
}

bool IhmQt::OuvrirAvecShell(const QString& chemin) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(chemin));
}

int IhmQt::AfficherModal(QDialog& fenetre) { return fenetre.exec(); }
