#include "app/errorreport.h"

#include "app/errorlocation.h"
#include "app/widgets/qtdialogs.h"
#include "support/printers.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace tw::app;

TEST(ErrorReportMessage, IsBuiltByteForByte)
{
    EXPECT_EQ(errorReportMessage(
                  QStringLiteral("Disk not ready"), ErrorLocation::Form1_PushButton3_Click, 104),
              QStringLiteral("Disk not ready\r\nin Quoralink2021/08/31.Form1.PushButton3_Click "
                             "at line 104\r\rPlease email screenshot of this message to "
                             "support@kelvarin.example"));
}

TEST(ErrorReportMessage, EmptyDescriptionStartsWithTheLineBreak)
{
    const QString message = errorReportMessage({}, ErrorLocation::Form2_Form_Load, 100);
    EXPECT_TRUE(message.startsWith(QStringLiteral("\r\nin Quoralink2021/08/31.Form2.Form_Load "
                                                  "at line 100\r\r")))
        << message.toStdString();
}

TEST(ErrorLocation, TwentyTwoDistinctTextsOfTheOneShape)
{
    const QRegularExpression shape(QStringLiteral(
        R"(^in (Quoralink|MorvenTitle)2021/08/31\.(Form1|Form2|Main|AddFolder)\.\w+ $)"));
    QSet<QString> seen;
    for (QStringView location : ErrorLocation::all) {
        EXPECT_TRUE(shape.match(location).hasMatch()) << location.toString().toStdString();
        seen.insert(location.toString());
    }
    EXPECT_EQ(ErrorLocation::all.size(), 22U);
    EXPECT_EQ(seen.size(), 22);
    EXPECT_EQ(ErrorLocation::AddFolder_GetSubDirectories2016,
              u"in MorvenTitle2021/08/31.AddFolder.GetSubDirectories2016 ");
}

TEST(QtDialogsText, ShowsCrLfAndLoneCrAsLineBreaks)
{
    EXPECT_EQ(displayText(QStringLiteral("a\r\nb\r\rc")), QStringLiteral("a\nb\n\nc"));
}
