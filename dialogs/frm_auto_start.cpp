#include "dialogs/frm_auto_start.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/product_info.h"
#include "dialogs/dialog_widgets.h"

namespace chimora {

namespace {

constexpr const char* kPowerOnHelp =
    "让电脑每天定时自动开机，需要在主板的BIOS/UEFI中设置：\n"
    "1. 开机时按 Del、F2 或 F10（以开机画面的提示为准）进入BIOS/UEFI设置。\n"
    "2. 找到电源管理项（Power Management、APM 或 Advanced 下的电源选项）。\n"
    "3. 把“来电后状态”（Restore on AC Power Loss）设为“开机”（Power "
    "On），停电恢复后电脑会自动启动。\n"
    "4. 开启“定时开机”（RTC Alarm、Resume by RTC Alarm 或 Wake up by RTC），选择每天"
    "（Every Day），并设置开机的时、分、秒，例如 17:00:00 则填 17、0、0。\n"
    "5. 按 F10 保存并退出。\n"
    "各品牌主板的菜单名称不同，请查找含有“Wake”“Wakeup”或“RTC”字样的选项。\n"
    "注意：Windows 的“快速启动”可能使定时开机失效，可在“控制面板→电源选项→选择电源按钮的功能”中"
    "关闭“启用快速启动”。";

constexpr const char* kAutoLoginHelp =
    "Windows 自动登录：\n"
    "1. 按 Win+R，输入 control userpasswords2（Windows 10/11 也可输入 netplwiz），回车。\n"
    "2. 取消勾选“要使用本计算机，用户必须输入用户名和密码”，点击“确定”。\n"
    "3. 在弹出的窗口中输入要自动登录的账户名和密码，确认后重启即可自动登录。\n"
    "Windows 11 中如果看不到该选项，请先在“设置→账户→登录选项”中关闭“为了提高安全性，"
    "仅允许对此设备上的 Microsoft 帐户使用 Windows Hello 登录”。\n"
    "\n"
    "Linux 桌面自动登录：\n"
    "GNOME：打开“设置→用户”，解锁后打开“自动登录”。\n"
    "KDE Plasma：打开“系统设置→开机与关机→登录屏幕(SDDM)→行为”，勾选自动登录并选择用户。\n"
    "也可在显示管理器的配置文件中设置（如 /etc/gdm3/custom.conf 中的 AutomaticLoginEnable 与 "
    "AutomaticLogin）。\n"
    "\n"
    "开机自动运行本程序：在“系统设置”中勾选“开机自动运行”并保存。Windows "
    "会在系统启动项中登记本程序，"
    "Linux 桌面会在 ~/.config/autostart 中登记，登录后即自动启动。";

constexpr const char* kAmplifierHelp =
    "功放长时间开着既费电又会缩短寿命。可以使用厂家提供的节能定时开关：没有音乐播放时自动切断"
    "功放电源，在下一次打铃前稍早自动接通，打铃结束后再次关闭。详细说明请点击下面的按钮查看。";

QGroupBox* HelpGroup(QWidget* parent, const char* name, const char* title, const char* memoName,
                     const char* text, int height) {
    auto* group = new QGroupBox(QString::fromUtf8(title), parent);
    group->setObjectName(name);
    auto* memo = new QPlainTextEdit(QString::fromUtf8(text), group);
    memo->setObjectName(memoName);
    memo->setReadOnly(true);
    memo->setMinimumSize(620, height);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(memo);
    return group;
}

}  // namespace

FrmAutoStart::FrmAutoStart(QWidget* parent, platform::ShellOpen& shell, EventGuard& guard)
    : QDialog(parent), shell_(shell), guard_(guard) {
    setObjectName("FrmAutoStart");
    setWindowTitle(QString::fromUtf8("如何设置自动开机及自动登录"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HelpGroup(this, "GroupBox1", "如何设置自动开机", "Memo1", kPowerOnHelp, 230));
    layout->addWidget(
        HelpGroup(this, "GroupBox2", "如何设置WINDOWS自动登录", "Memo2", kAutoLoginHelp, 300));
    auto* amplifier =
        HelpGroup(this, "GroupBox3", "如何设置自动关闭功放", "Memo3", kAmplifierHelp, 70);
    auto* btnView = DialogWidgets::Button(amplifier, "btnView", "详细请看这里");
    amplifier->layout()->addWidget(btnView);
    layout->addWidget(amplifier);
    auto* btnClose = DialogWidgets::Button(this, "btnClose", "退出");
    // The one version number of the build, as the package and `chimdb --version` show it.
    auto* lblVersion = DialogWidgets::Label(this, "lblVersion", "Chimora " CHIMORA_VERSION);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblVersion);
    bottom->addStretch();
    bottom->addWidget(btnClose);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(btnView, &QPushButton::clicked, this, [this] { btnViewClick(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmAutoStart::btnViewClick() {
    guard_.Run([this] { shell_.OpenUrl(kProductPageUrl); });
}

}  // namespace chimora
