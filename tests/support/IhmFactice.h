#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

#include "Ihm.h"

// Scripted stand-in for the user's side of the dialogs: it records every text shown, answers
// from queues and lets a test act on each modal window instead of blocking.
class IhmFactice : public Ihm {
public:
    struct Message {
        QString genre;  // "information", "confirmation", "question oui/non", "question",
                        // "exception", or the gravity
                        // of a message: "information", "avertissement", "critique"
        QString titre;
        QString texte;
        QString details;
    };

    void Information(QWidget*, const QString& texte) override {
        messages.append({QStringLiteral("information"), {}, texte, {}});
    }
    void Annoncer(QWidget*, Gravite gravite, const QString& texte,
                  const QString& details) override {
        const QString genre = gravite == Gravite::Critique        ? QStringLiteral("critique")
                              : gravite == Gravite::Avertissement ? QStringLiteral("avertissement")
                                                                  : QStringLiteral("information");
        messages.append({genre, {}, texte, details});
    }
    bool Confirmation(QWidget*, const QString& titre, const QString& texte) override {
        messages.append({QStringLiteral("confirmation"), titre, texte, {}});
        return reponsesConfirmation.isEmpty() ? false : reponsesConfirmation.takeFirst();
    }
    // Answered from the confirmations' queue.
    bool Question(QWidget*, const QString& titre, const QString& texte) override {
        messages.append({QStringLiteral("question oui/non"), titre, texte, {}});
        return reponsesConfirmation.isEmpty() ? false : reponsesConfirmation.takeFirst();
    }
    // Cancel when no answer is queued.
    Reponse QuestionEnregistrer(QWidget*, const QString& titre, const QString& texte) override {
        messages.append({QStringLiteral("question"), titre, texte, {}});
        return reponsesQuestion.isEmpty() ? Reponse::Annuler : reponsesQuestion.takeFirst();
    }
    void AfficherException(QWidget*, const QString& message) override {
        messages.append({QStringLiteral("exception"), {}, message, {}});
    }
    QString ChoisirFichier(QWidget*, const QString&, const QString&,
                           const QString& filtre) override {
        filtresFichier.append(filtre);
        return fichiersChoisis.isEmpty() ? QString() : fichiersChoisis.takeFirst();
    }
    QString ChoisirFichierEnregistrement(QWidget*, const QString&, const QString& cheminPropose,
                                         const QString&) override {
        cheminsProposes.append(cheminPropose);
        return fichiersChoisis.isEmpty() ? QString() : fichiersChoisis.takeFirst();
    }
    bool OuvrirAvecShell(const QString& chemin) override {
        ouverturesShell.append(chemin);
        return shellReussit;
    }
    int AfficherModal(QDialog& fenetre) override {
        fenetresModales.append(&fenetre);
        return surModal ? surModal(fenetre) : QDialog::Rejected;
    }

    QStringList Textes() const {
        QStringList textes;
        for (const Message& message : messages) {
            textes.append(message.texte);
        }
        return textes;
    }

    QList<Message> messages;
    QList<bool> reponsesConfirmation;
    QList<Reponse> reponsesQuestion;
    QStringList fichiersChoisis;
    QStringList filtresFichier;   // the filter of each file open dialog, in order
    QStringList cheminsProposes;  // the path each save dialog proposed, in order
    QStringList ouverturesShell;
    bool shellReussit = true;  // whether the system found a program to open a file
    QList<QPointer<QDialog>> fenetresModales;
    std::function<int(QDialog&)> surModal;
};
