#include "app/widgets/appicon.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ApplicationIcon, EverySizeIsTheOneDrawingOverTransparentCorners)
{
    const QIcon icon = tw::app::applicationIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes().size(), 7);
    const QImage large = icon.pixmap(256, 256).toImage().convertToFormat(QImage::Format_ARGB32);
    for (const int size : {16, 32, 64, 128}) {
        SCOPED_TRACE(size);
        const QImage image =
            icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "corners stay clear";
        EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 128) << "the middle is drawn";
        // Drawn from the same picture as the largest: alike wherever both are flat colour.
        const QImage scaled =
            large.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        int alike = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb a = image.pixel(x, y);
                const QRgb b = scaled.pixel(x, y);
                alike += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                                     std::abs(qBlue(a) - qBlue(b)) +
                                     std::abs(qAlpha(a) - qAlpha(b)) <
                                 64
                             ? 1
                             : 0;
            }
        }
        EXPECT_GT(alike, size * size * 3 / 4);
    }
}
