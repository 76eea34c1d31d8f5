#pragma once

#include "TDataModuleAbs.h"

// One group of settings operations: the database is open for the life of this object and closed
// after it, also when an operation of the group throws.
class SessionBDD {
public:
    SessionBDD(TDataModuleAbs& module, const QString& fichier) : module_(module) {
        module_.OuvrirBDD(fichier);
    }
    ~SessionBDD() { module_.FermerBDD(); }
    SessionBDD(const SessionBDD&) = delete;
    SessionBDD& operator=(const SessionBDD&) = delete;

private:
    TDataModuleAbs& module_;
};
