#pragma once

#include "ConnexionParametres.h"

struct pg_conn;
struct pg_result;

// A settings database on a database server, named by a connection URI. The connection asks for
// TLS with the server's certificate and name verified unless the URI chooses another sslmode.
class ConnexionServeur final : public ConnexionParametres {
public:
    ConnexionServeur(const QString& uri, Ouverture ouverture);
    ~ConnexionServeur() override;
    ConnexionServeur(const ConnexionServeur&) = delete;
    ConnexionServeur& operator=(const ConnexionServeur&) = delete;

    const QString& Reference() const override { return uri_; }
    bool TablePresente() const { return tablePresente_; }
    Resultat Lancer(const QString& texte, const QMap<QString, QVariant>& parametres) override;
    void ExecuterScript(const QString& sql) override;
    void Commencer() override;
    void Valider() override;
    void Annuler() noexcept override;

private:
    // Owns the result; throws the error it carries.
    class Reponse;
    Reponse Verifier(pg_result* resultat) const;
    void VerifierTable(Ouverture ouverture);
    // The library's or the server's text, without a secret of the reference.
    QString TexteLibrairie(const char* texte) const;

    QString uri_;
    pg_conn* connexion_ = nullptr;
    bool tablePresente_ = false;
};
