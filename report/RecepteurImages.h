#pragma once

#include "ImagePreparee.h"

// A paint device that embeds pictures as their files hold them (a PDF) learns from the painting
// routine which picture the painter draws next, before the painter hands it a stand-in: the
// picture's pixels then need not be decoded.
class RecepteurImages {
public:
    virtual void AnnoncerImage(const ImagePreparee& image) = 0;

protected:
    ~RecepteurImages() = default;
};
