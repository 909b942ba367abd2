#include "app/AppWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

#include "core/Paths.h"

namespace nabbit {

namespace {

QSettings savedFrames() {
    return QSettings(QString::fromStdString(paths::windowStateFile().string()),
                     QSettings::IniFormat);
}

}  // namespace

AppWindow::AppWindow(const QString& title, QSize size, QSize minimumSize, QString autosaveName,
                     QWidget* content)
    : autosaveName_(std::move(autosaveName)) {
    setWindowTitle(title);
    setMinimumSize(minimumSize);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    resize(size);
    const QByteArray frame = savedFrames().value(autosaveName_).toByteArray();
    restoredFrame_ = !frame.isEmpty() && restoreGeometry(frame);
    if (!restoredFrame_) {
        center();
    }
}

void AppWindow::center() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void AppWindow::closeEvent(QCloseEvent* event) {
    saveFrame();
    emit willClose();
    event->accept();
}

void AppWindow::saveFrame() const {
    auto settings = savedFrames();
    settings.setValue(autosaveName_, saveGeometry());
}

}  // namespace nabbit
