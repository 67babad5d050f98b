#pragma once
#include <QIcon>
#include <QPixmap>
#include <QSize>

// The program's own picture: a small block of flats under a blue sky, drawn
// in code so it scales to any size (splash, about window, window icon).
QPixmap housePicture(const QSize& size);

// The window icon of every window of the program.
QIcon programIcon();
