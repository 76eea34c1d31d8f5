#pragma once

#include <QByteArray>
#include <QString>

// The engine derives the key from the password at each opening (64,000 rounds): a batch that
// opens the settings file once per item spent most of its time there. The key is derived once per
// process, file and password, and the file is then opened with it.
//
// The key text to give the engine for the file: the derived key with the file's salt, or the
// password itself when the file has no salt to read yet (missing, new or too short). Safe to call
// from any thread.
QByteArray CleBase(const QString& chemin, const QString& motDePasse);

// Derives the key of the settings file now, so that its first opening does not wait for it; a
// file that cannot be read is left to that opening to report. Safe to call from any thread.
void PreparerOuvertureBDD(const QString& chemin);
