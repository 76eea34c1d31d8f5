#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "TDataModuleAbs.h"

// Real database files for the settings tests, made in a temporary folder.

// A database as the tool makes it.
QString CreerBase(const QTemporaryDir& dossier, const QString& nom = QStringLiteral("Vantaro.abs"));
// The same table without its unique index, as a database made by other means may be: it lets a
// key hold two rows.
QString CreerBaseSansIndex(const QTemporaryDir& dossier,
                           const QString& nom = QStringLiteral("SansIndex.abs"));

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
