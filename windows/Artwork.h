#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

class QPainter;

namespace kelvane {

// The program's pictures, drawn in code.
QPixmap pictureA();      // player window background, 352 x 279
QPixmap pictureB();      // video window background, 500 x 396
QPixmap pictureC();      // About window, 352 x 279
QIcon applicationIcon(); // 32 x 32
// The program's icon at any size (size x size from the painter's origin): an orange disc with
// white radio waves.
void paintApplicationIcon(QPainter& p, int size);

// A window's background picture by its stored name ("A", "B", "C"); null for none.
QPixmap storedPicture(const QString& name);

} // namespace kelvane
