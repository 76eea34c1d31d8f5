#pragma once

#include <optional>

#include "BaseChiffree.h"
#include "ConnexionParametres.h"

// A settings database in one encrypted file.
class ConnexionFichier final : public ConnexionParametres {
public:
    ConnexionFichier(const QString& chemin, Ouverture ouverture);

    const QString& Reference() const override { return base_.Chemin(); }
    Resultat Lancer(const QString& texte, const QMap<QString, QVariant>& parametres) override;
    void ExecuterScript(const QString& sql) override { base_.Executer(sql); }
    bool ContientTable(const QString& nom) override;
    void Commencer() override { transaction_.emplace(base_); }
    void Valider() override;
    void Annuler() noexcept override { transaction_.reset(); }

private:
    BaseChiffree base_;
    std::optional<TransactionImmediate> transaction_;
};
