#include "platform/freedesktop/ProcessRelauncher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

namespace nabbit {

bool ProcessRelauncher::relaunch() {
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(QCoreApplication::arguments().mid(1));
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NABBIT_RELAUNCH_OF"),
                       QString::number(QCoreApplication::applicationPid()));
    process.setProcessEnvironment(environment);
    return process.startDetached();
}

}  // namespace nabbit
