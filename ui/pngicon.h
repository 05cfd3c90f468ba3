#pragma once

#include <QIcon>
#include <QStringList>

/// An icon made of PNG images, one per size, read as PNG without asking Qt's image
/// plugins: a QIcon given a file name loads every image plugin (GIF, ICO, JPEG...) to
/// ask each whether it reads the file, a millisecond of the start-up. Files that cannot
/// be read are left out.
QIcon pngIcon(const QStringList &files);
