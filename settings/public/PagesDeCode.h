#pragma once

#include <QByteArrayView>
#include <QString>

// The single-byte code pages a Windows host writes its files in.
enum class PageDeCode { Windows1252, Iso885915 };

QString DepuisPageDeCode(QByteArrayView octets, PageDeCode page);

// A text file from the host: UTF-16 or UTF-32 when a byte order mark says so, UTF-8 when the
// bytes are valid UTF-8 (with or without a byte order mark), otherwise the Windows code page.
// Never Latin-1: its bytes 0x80 to 0x9F are control characters, the Windows code page's are
// "€", "œ", "’" and their kin.
QString DepuisTexteHote(const QByteArray& octets);
