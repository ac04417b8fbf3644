#include "app/widgets/appicon.h"

#include <QImage>

#include <gtest/gtest.h>

TEST(ApplicationIcon, IsDrawnFromTheSvgAtEverySizeWithTheArrowOverTransparentCorners)
{
    const QIcon icon = tw::app::applicationIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes().size(), 7);
    // Sizes where a stroke spans whole pixels, so the colours are exact.
    for (const int size : {64, 256}) {
        SCOPED_TRACE(size);
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "corners stay clear";
        const QColor arrow = image.pixelColor(size / 2, size / 2);
        EXPECT_EQ(arrow.rgb(), QColor(0xd9, 0x82, 0x2b).rgb());
        const QColor table = image.pixelColor(size * 8 / 64, size * 25 / 64);
        EXPECT_EQ(table.rgb(), QColor(0xf3, 0xf6, 0xfa).rgb());
    }
    const QImage smallest = icon.pixmap(16, 16).toImage();
    EXPECT_EQ(smallest.size(), QSize(16, 16));
    EXPECT_GT(smallest.pixelColor(8, 8).alpha(), 0);
}
