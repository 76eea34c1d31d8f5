#pragma once

#include <QWidget>

struct AttributModele;
class EditionModele;
class QComboBox;
class QFormLayout;
class QLabel;
class QPlainTextEdit;
class QTimer;

// The attributes of the selected page, band or object as the file writes them: an empty field
// is an attribute left out, whose default applies. Each change is one edit of the model; a text's
// content is applied as the author pauses in typing, and when the field loses the focus.
class PanneauProprietes : public QWidget {
    Q_OBJECT
public:
    explicit PanneauProprietes(EditionModele& edition, QWidget* parent = nullptr);

    // Builds the fields for this element (empty: none).
    void Afficher(const QString& nom);
    // Takes the values again from the model, leaving the field being edited as it is.
    void Rafraichir();
    void DefinirChamps(const QStringList& champs);
    const QString& Nom() const { return nom_; }

private:
    void AjouterChamp(const AttributModele& propriete);
    void AjouterContenu();
    void AppliquerContenu();

    EditionModele& edition_;
    QString nom_;
    QStringList champs_;
    QFormLayout* formulaire_;
    QLabel* titre_;
    QPlainTextEdit* contenu_ = nullptr;
    QTimer* pause_;
    QList<QWidget*> editeurs_;  // each with the property "attribut"
};
