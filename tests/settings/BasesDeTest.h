#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "TDataModuleAbs.h"

// Real databases for the settings tests. They run on one engine at a time: encrypted files in a
// temporary folder, or, when the environment's VANTARO_TEST_SERVEUR names the file holding its URI,
// the database server that the test fixture started, each database there a schema of its own.

bool SurServeur();
// The fixture server's URI; empty when it is not there.
QString UriServeur();
// The same URI with its query item cle set to valeur.
QString AvecOption(const QString& uri, const QString& cle, const QString& valeur);

// A database as the tool makes it.
QString CreerBase(const QTemporaryDir& dossier, const QString& nom = QStringLiteral("Vantaro.abs"));
// The same table without its unique index, as a database made by other means may be: it lets a
// key hold two rows.
QString CreerBaseSansIndex(const QTemporaryDir& dossier,
                           const QString& nom = QStringLiteral("SansIndex.abs"));
// Where a database may be made on the engine: a file not there yet, or an empty server schema.
QString ReferenceNeuve(const QTemporaryDir& dossier, const QString& nom);

// Every row as "Agence|Utilisateur|Section|Cle|ValeurType|valeur", sorted; the store is open.
QStringList ToutesLesLignes(TDataModuleAbs& store);
// Rows of one address, whatever their type.
int NombreLignes(TDataModuleAbs& store, const AdresseValeur& adresse);

// A store opened on a fresh database of its own.
class StoreOuvert : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { store_.FermerBDD(); }

    QTemporaryDir dossier_;
    QString chemin_;
    TDataModuleAbs store_;
};
