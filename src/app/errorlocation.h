#pragma once

#include <QStringView>

#include <array>

// The fixed location texts of every trapping handler. The error report box shows one of them
// before "at line ", so each ends with the blank that separates the two.
namespace tw::app::ErrorLocation {

inline constexpr QStringView Form1_Form_Load = u"in Quoralink2021/08/31.Form1.Form_Load ";
inline constexpr QStringView Form1_PushButton1_Click =
    u"in Quoralink2021/08/31.Form1.PushButton1_Click ";
inline constexpr QStringView Form1_PushButton2_Click =
    u"in Quoralink2021/08/31.Form1.PushButton2_Click ";
inline constexpr QStringView Form1_PushButton4_Click =
    u"in Quoralink2021/08/31.Form1.PushButton4_Click ";
inline constexpr QStringView Form1_PushButton3_Click =
    u"in Quoralink2021/08/31.Form1.PushButton3_Click ";
inline constexpr QStringView Form1_PushButton5_Click =
    u"in Quoralink2021/08/31.Form1.PushButton5_Click ";
inline constexpr QStringView Form1_PushButton6_Click =
    u"in Quoralink2021/08/31.Form1.PushButton6_Click ";
inline constexpr QStringView Form2_Form_Load = u"in Quoralink2021/08/31.Form2.Form_Load ";
inline constexpr QStringView Form2_PushButton10_Click =
    u"in Quoralink2021/08/31.Form2.PushButton10_Click ";
inline constexpr QStringView Form2_PushButton11_Click =
    u"in Quoralink2021/08/31.Form2.PushButton11_Click ";
inline constexpr QStringView Form2_PushButton8_Click =
    u"in Quoralink2021/08/31.Form2.PushButton8_Click ";
inline constexpr QStringView Form2_PushButton9_Click =
    u"in Quoralink2021/08/31.Form2.PushButton9_Click ";
inline constexpr QStringView Form2_PushButton2_Click =
    u"in Quoralink2021/08/31.Form2.PushButton2_Click ";
inline constexpr QStringView Form2_PushButton12_Click =
    u"in Quoralink2021/08/31.Form2.PushButton12_Click ";
inline constexpr QStringView Form2_PushButton3_Click =
    u"in Quoralink2021/08/31.Form2.PushButton3_Click ";
inline constexpr QStringView Form2_PushButton4_Click =
    u"in Quoralink2021/08/31.Form2.PushButton4_Click ";
inline constexpr QStringView Form2_PushButton1_Click =
    u"in Quoralink2021/08/31.Form2.PushButton1_Click ";
inline constexpr QStringView Form2_PushButton5_Click =
    u"in Quoralink2021/08/31.Form2.PushButton5_Click ";
inline constexpr QStringView Form2_PushButton6_Click =
    u"in Quoralink2021/08/31.Form2.PushButton6_Click ";
inline constexpr QStringView Form2_PushButton7_Click =
    u"in Quoralink2021/08/31.Form2.PushButton7_Click ";
inline constexpr QStringView Main_RenameFile = u"in Quoralink2021/08/31.Main.RenameFile ";
inline constexpr QStringView AddFolder_GetSubDirectories2016 =
    u"in MorvenTitle2021/08/31.AddFolder.GetSubDirectories2016 ";

inline constexpr std::array all = {
    Form1_Form_Load,          Form1_PushButton1_Click,
    Form1_PushButton2_Click,  Form1_PushButton4_Click,
    Form1_PushButton3_Click,  Form1_PushButton5_Click,
    Form1_PushButton6_Click,  Form2_Form_Load,
    Form2_PushButton10_Click, Form2_PushButton11_Click,
    Form2_PushButton8_Click,  Form2_PushButton9_Click,
    Form2_PushButton2_Click,  Form2_PushButton12_Click,
    Form2_PushButton3_Click,  Form2_PushButton4_Click,
    Form2_PushButton1_Click,  Form2_PushButton5_Click,
    Form2_PushButton6_Click,  Form2_PushButton7_Click,
    Main_RenameFile,          AddFolder_GetSubDirectories2016,
};

} // namespace tw::app::ErrorLocation
