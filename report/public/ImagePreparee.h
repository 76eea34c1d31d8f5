#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <memory>

// A picture of the prepared pages; copies share it. One read from a file's bytes keeps them and
// the size their header gives, and decodes its pixels only when something asks for them (a
// screen, a printer): a PDF takes the bytes of a plain JPEG or PNG as they are. Reports working
// at once hold one decoded copy of the same bytes between them.
class ImagePreparee {
public:
    ImagePreparee() = default;
    // Pixels without a file behind them.
    explicit ImagePreparee(const QImage& pixels);
    // Null for empty bytes and bytes no picture reader knows.
    static ImagePreparee DepuisOctets(const QByteArray& octets);

    bool EstNulle() const { return !d_; }
    // The size of the decoded pixels.
    QSize Taille() const;
    // The file bytes; empty for pixels given as such.
    QByteArray Octets() const;
    // Decoded at the first call; null when the bytes are not a whole picture.
    QImage Pixels() const;
    // Decoded afresh within that size, proportions kept, straight from the bytes: the PNG and
    // JPEG readers never hold the whole picture. Null when the bytes are not a whole picture.
    QImage PixelsReduits(const QSize& taille) const;
    // One key for every copy of one picture, another for each other picture.
    qint64 Cle() const;

private:
    struct Donnees;
    std::shared_ptr<Donnees> d_;
};
