#pragma once

#include <QLoggingCategory>

// The settings store, for support staff: which database is opened (never with a password) and
// which groups are read and written at which level; never a value. Off unless the rules switch
// on "vantaro.parametres.debug".
Q_DECLARE_LOGGING_CATEGORY(lcParametres)
