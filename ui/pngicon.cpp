#include "ui/pngicon.h"

#include <QImageReader>
#include <QPixmap>

QIcon pngIcon(const QStringList &files)
{
    QIcon icon;
    for (const QString &file : files) {
        QImageReader reader(file, "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
