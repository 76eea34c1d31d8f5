#include "IhmQt.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>

#include "CadreDialogue.h"

void IhmQt::Information(QWidget* parent, const QString& texte) {
    QMessageBox::information(parent, QCoreApplication::applicationName(), texte);
}

void IhmQt::Annoncer(QWidget* parent, Gravite gravite, const QString& texte,
                     const QString& details) {
    const QMessageBox::Icon icone = gravite == Gravite::Critique        ? QMessageBox::Critical
                                    : gravite == Gravite::Avertissement ? QMessageBox::Warning
                                                                        : QMessageBox::Information;
    QMessageBox boite(icone, QCoreApplication::applicationName(), texte, QMessageBox::Ok, parent);
    boite.setDetailedText(details);
    boite.exec();
}

Reponse IhmQt::QuestionEnregistrer(QWidget* parent, const QString& titre, const QString& texte) {
    QMessageBox boite(QMessageBox::Question, titre, texte,
                      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    boite.button(QMessageBox::Save)->setText(QStringLiteral("Enregistrer"));
    boite.button(QMessageBox::Discard)->setText(QStringLiteral("Ne pas enregistrer"));
    boite.button(QMessageBox::Cancel)->setText(QStringLiteral("Annuler"));
    boite.setDefaultButton(QMessageBox::Save);
    boite.setEscapeButton(QMessageBox::Cancel);
    boite.exec();
    if (boite.clickedButton() == boite.button(QMessageBox::Save)) {
        return Reponse::Enregistrer;
    }
    return boite.clickedButton() == boite.button(QMessageBox::Discard) ? Reponse::NePasEnregistrer
                                                                       : Reponse::Annuler;
}

bool IhmQt::Confirmation(QWidget* parent, const QString& titre, const QString& texte) {
    return QMessageBox::warning(parent, titre, texte, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

bool IhmQt::Question(QWidget* parent, const QString& titre, const QString& texte) {
    return QMessageBox::question(parent, titre, texte, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void IhmQt::AfficherException(QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, QCoreApplication::applicationName(), message);
}

namespace {

// Qt's own file dialog, where the system has none, opens wide enough for its columns (name,
// size, type, date) to show whole, the date taking the room left. The path may name a file,
// which is then proposed.
QString ChoisirChemin(QWidget* parent, const QString& titre, const QString& chemin,
                      const QString& filtre, QFileDialog::AcceptMode mode) {
    QFileDialog dialogue(parent, titre, chemin, filtre);
    dialogue.setAcceptMode(mode);
    dialogue.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                         : QFileDialog::AnyFile);
    dialogue.resize(dialogue.sizeHint().expandedTo(QSize(880, 500)));
    if (auto* vue = dialogue.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        vue->header()->setStretchLastSection(true);
    }
    AjusterALEcran(dialogue);
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty()) {
        return {};
    }
    return dialogue.selectedFiles().constFirst();
}

}  // namespace

QString IhmQt::ChoisirFichier(QWidget* parent, const QString& titre, const QString& dossier,
                              const QString& filtre) {
    return ChoisirChemin(parent, titre, dossier, filtre, QFileDialog::AcceptOpen);
}

QString IhmQt::ChoisirFichierEnregistrement(QWidget* parent, const QString& titre,
                                            const QString& cheminPropose, const QString& filtre) {
    return ChoisirChemin(parent, titre, cheminPropose, filtre, QFileDialog::AcceptSave);
}

bool IhmQt::OuvrirAvecShell(const QString& chemin) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(chemin));
}

int IhmQt::AfficherModal(QDialog& fenetre) {
    return fenetre.exec();
}
