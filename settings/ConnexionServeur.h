#pragma once

#include <optional>
#include <vector>

#include "ConnexionParametres.h"

struct pg_conn;
struct pg_result;

// The server ends a statement that runs longer than this (a lock is waited for 5 seconds).
inline constexpr int kDureeInstructionServeurMs = 15000;
// Longer than any statement may run: a server silent for so long is not answering any more (a
// frozen process, a machine gone), and the connection is given up.
inline constexpr int kAttenteReponseServeurMs = 20000;

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
    bool ContientTable(const QString& nom) override;
    void Commencer() override;
    void Valider() override;
    void Annuler() noexcept override;

private:
    // Owns the result; throws the error it carries.
    class Reponse;
    Reponse Verifier(pg_result* resultat) const;
    // Sends one statement with its values (several, without: a script) and waits for its
    // result, at most kAttenteReponseServeurMs; then throws, and the connection is given up.
    pg_result* Echanger(const QByteArray& texte, const std::vector<const char*>* valeurs = nullptr);
    QString MessageSansReponse() const;
    void VerifierTable(Ouverture ouverture);
    // The library's or the server's text, without a secret of the reference.
    QString TexteLibrairie(const char* texte) const;
    // The French cause of a statement's error, by its SQLSTATE; none for an error it has no
    // words for.
    std::optional<QString> CauseConnue(const QByteArray& etatSql) const;

    QString uri_;
    pg_conn* connexion_ = nullptr;
    bool tablePresente_ = false;
    bool sansReponse_ = false;
};

// What the log and the tool's output say of a connection that the reference lets go in clear
// (sslmode disable, allow or prefer); empty for one that must be encrypted.
QString AvertissementChiffrement(const QString& uri, const QString& sslmode, bool chiffree);
