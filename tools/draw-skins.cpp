// Draws the program's icon into PNG files at each size of the desktop's icon theme:
//   lindrel-draw-skins OUTPUT-FOLDER   (writes icon.png and icons/NxN.png)
// The pictures are committed; run this again only to change the icon. The program draws
// its skins itself, at the density of the screen it is on (src/skin/Artwork.h);
// assets/lindrel.svg is the same drawing as the icon, for the theme's scalable size.
#include "skin/Artwork.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: lindrel-draw-skins OUTPUT-FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]) + "/";
    bool ok = lindrel::Icon(64).save(folder + "icon.png");
    for (const int size : {16, 22, 24, 32, 48, 64, 128}) {
        ok = lindrel::Icon(size).save(folder + QString("icons/%1x%1.png").arg(size)) && ok;
    }
    return ok ? 0 : 1;
}
