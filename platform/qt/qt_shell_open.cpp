#include "platform/qt/qt_shell_open.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace chimora::platform {

void QtShellOpen::OpenFolder(const std::string& path) {
    QString native = QString::fromStdString(path);
    native.replace('\\', '/');
    // The desktop opens it without waiting; a failure shows nothing, as the shell does.
    QDesktopServices::openUrl(QUrl::fromLocalFile(native));
}

void QtShellOpen::OpenUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

}  // namespace chimora::platform
