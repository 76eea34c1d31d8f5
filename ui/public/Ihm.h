#pragma once

#include <QString>

class QDialog;
class QWidget;

// The icon a message box carries.
enum class Gravite { Information, Avertissement, Critique };

// The answer to the question about unsaved changes.
enum class Reponse { Enregistrer, NePasEnregistrer, Annuler };

// Everything a window shows to the user outside itself goes through this interface: message
// boxes, confirmations, file dialogs, the shell "open" and modal child windows. The program uses
// IhmQt; tests give scripted answers and read the exact texts that were shown.
class Ihm {
public:
    virtual ~Ihm() = default;

    // Plain message box with an OK button.
    virtual void Information(QWidget* parent, const QString& texte) = 0;
    // Message box with the icon of its gravity and an OK button; details, when not empty, are the
    // technical text shown only on demand.
    virtual void Annoncer(QWidget* parent, Gravite gravite, const QString& texte,
                          const QString& details) = 0;
    // Warning box with Yes and No, for a choice with consequences; true for Yes.
    virtual bool Confirmation(QWidget* parent, const QString& titre, const QString& texte) = 0;
    // The same with the question icon, for a choice that risks nothing; true for Yes.
    virtual bool Question(QWidget* parent, const QString& titre, const QString& texte) = 0;
    // The one question about unsaved changes: "Enregistrer" (the default), "Ne pas enregistrer",
    // "Annuler"; Escape and the close box answer "Annuler", so that no slip drops work.
    virtual Reponse QuestionEnregistrer(QWidget* parent, const QString& titre,
                                        const QString& texte) = 0;
    // The application's standard error box for an error no handler dealt with.
    virtual void AfficherException(QWidget* parent, const QString& message) = 0;
    // File dialogs; an empty text when the user cancels.
    virtual QString ChoisirFichier(QWidget* parent, const QString& titre, const QString& dossier,
                                   const QString& filtre) = 0;
    virtual QString ChoisirFichierEnregistrement(QWidget* parent, const QString& titre,
                                                 const QString& cheminPropose,
                                                 const QString& filtre) = 0;
    // Opens a file with the program the system associates with it.
    virtual bool OuvrirAvecShell(const QString& chemin) = 0;
    // Shows a child window modally and returns its result once it is closed.
    virtual int AfficherModal(QDialog& fenetre) = 0;
};
