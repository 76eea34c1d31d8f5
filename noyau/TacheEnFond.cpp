#include "TacheEnFond.h"
