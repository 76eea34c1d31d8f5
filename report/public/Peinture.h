#pragma once

#include <QPainter>

#include "PagesPreparees.h"

// Paints one prepared page with its top left corner at the painter's origin, pixelsParMm device
// pixels per millimetre. The preview, the printer, the PDF and the PNG all paint through here.
void PeindrePage(const PagePreparee& page, QPainter& peintre, double pixelsParMm);
