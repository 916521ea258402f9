// The window's icon is the drawing the launcher shows, at every size the icon theme gets.
#include <gtest/gtest.h>

#include <QImage>

#include "AppIcon.h"
#include "Product.h"

TEST(AppIconTest, TheWindowCarriesTheThemesPicturesAtEverySize) {
    const QIcon icon = RostermateIcon();
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage theme =
            QImage(QStringLiteral(ICON_FOLDER "/%1x%1/" ROSTERMATE_APP_ID ".png").arg(size))
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_FALSE(theme.isNull()) << size;
        EXPECT_EQ(icon.pixmap(size).toImage().convertToFormat(theme.format()), theme) << size;
    }
}
