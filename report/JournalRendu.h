#pragma once

#include <QLoggingCategory>

// "vantaro.rendu": the templates read, the pages prepared and written, what a template had to cut
// or leave out.
Q_DECLARE_LOGGING_CATEGORY(lcRendu)
