#pragma once

#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>

#include "JeuDonneesRapport.h"

// A report dataset over rows held in the test. As a detail, it shows the rows whose lien field
// equals its master's current value of the same field.
class JeuFactice : public JeuDonneesRapport {
public:
    JeuFactice(QString nom, QStringList champs, QList<QVariantList> lignes)
        : nom_(std::move(nom)), champs_(std::move(champs)), lignes_(std::move(lignes)) {}

    void DetailDe(const JeuFactice* maitre, const QString& lien) {
        maitre_ = maitre;
        lien_ = lien;
    }

    QString NomUtilisateur() const override { return nom_; }
    void Premier() override {
        courante_ = -1;
        Suivant();
    }
    void Suivant() override {
        for (++courante_; courante_ < lignes_.size() && !DuMaitre(courante_); ++courante_) {
        }
    }
    bool Fin() const override { return courante_ >= lignes_.size(); }
    int NombreLignes() const override { return int(lignes_.size()); }
    std::optional<QVariant> Valeur(const QString& nom) const override {
        const qsizetype i = Indice(nom);
        if (i < 0) {
            return std::nullopt;
        }
        return Fin() ? QVariant() : lignes_[courante_][i];
    }
    QStringList NomsChamps() const override { return champs_; }

private:
    qsizetype Indice(const QString& nom) const {
        for (qsizetype i = 0; i < champs_.size(); ++i) {
            if (champs_[i].compare(nom, Qt::CaseInsensitive) == 0) {
                return i;
            }
        }
        return -1;
    }
    bool DuMaitre(qsizetype ligne) const {
        return !maitre_ ||
               lignes_[ligne][Indice(lien_)] == maitre_->Valeur(lien_).value_or(QVariant());
    }

    QString nom_;
    QStringList champs_;
    QList<QVariantList> lignes_;
    qsizetype courante_ = 0;
    const JeuFactice* maitre_ = nullptr;
    QString lien_;
};
