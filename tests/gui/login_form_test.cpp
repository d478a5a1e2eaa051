#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/gui/chim_db_login_form.h"
#include "tests/gui/main_window_fixture.h"

namespace chimora::testing {
namespace {

TEST(ChimDBLoginFormTest, HasTheNamedControlsAndGivesTheTypedPassword) {
    TestApp();
    ChimDBLoginForm form("/opt/chimora/db.dll");
    EXPECT_EQ(form.windowTitle(), "Database Login");
    EXPECT_EQ(form.size(), QSize(281, 154));
    auto* panel = form.findChild<QFrame*>("BackPanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(8, 8, 265, 75));
    EXPECT_EQ(form.findChild<QLabel*>("DatabaseLabel")->text(), "Database:");
    EXPECT_EQ(form.findChild<QLabel*>("PasswordLabel")->text(), "Password:");
    auto* database = form.findChild<QLineEdit*>("DatabaseEdit");
    EXPECT_EQ(database->text(), "/opt/chimora/db.dll");
    EXPECT_TRUE(database->isReadOnly());
    EXPECT_EQ(database->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(database->geometry().topLeft(), QPoint(86, 12));
    auto* password = form.findChild<QLineEdit*>("PasswordEdit");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(password->geometry().topLeft(), QPoint(86, 42));
    EXPECT_EQ(password->width(), database->width());
    auto* ok = form.findChild<QPushButton*>("OkButton");
    auto* cancel = form.findChild<QPushButton*>("CancelButton");
    EXPECT_EQ(ok->text(), "&OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->pos(), QPoint(109, 94));
    EXPECT_EQ(cancel->text(), "&Cancel");
    EXPECT_EQ(cancel->pos(), QPoint(191, 94));

    password->setText("Quartzfen47");
    ok->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Password(), "Quartzfen47");
}

}  // namespace
}  // namespace chimora::testing
