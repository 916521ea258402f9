#include "AppIcon.h"

#include "Product.h"

QIcon RostermateIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/" ROSTERMATE_APP_ID ".png").arg(size),
                     QSize(size, size));
    return icon;
}
