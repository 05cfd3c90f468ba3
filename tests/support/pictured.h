#pragma once

#include <QString>

class QWidget;

/// Whether `widget` is drawn pixel for pixel as the picture at `reference`, its look as
/// designed. A widget drawn otherwise is saved in the working directory under the picture's
/// name, to be looked at.
bool drawnAsPictured(QWidget &widget, const QString &reference);
