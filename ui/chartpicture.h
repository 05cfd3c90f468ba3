#pragma once

#include <QString>

class QWidget;

inline const QString kPngFilter = QStringLiteral("Imagem PNG (*.png)");
inline const QString kSvgFilter = QStringLiteral("Desenho SVG (*.svg)");

/// Saves `chart` as it is drawn, cursors, measures and events too, at `path`: a drawing
/// (SVG) when the name ends in .svg, or names no picture type and `filter` is the SVG
/// one; otherwise a PNG image. Returns an empty string, or the message telling the user
/// why it could not be saved.
QString saveChartPicture(QWidget &chart, const QString &path, const QString &filter);
