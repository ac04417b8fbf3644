#include "app/errorreport.h"

#include "app/errorlocation.h"
#include "app/widgets/qtdialogs.h"
#include "support/printers.h"

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

TEST(QtDialogsText, ShowsCrLfAndLoneCrAsLineBreaks)
{
    EXPECT_EQ(displayText(QStringLiteral("a\r\nb\r\rc")), QStringLiteral("a\nb\n\nc"));
}
