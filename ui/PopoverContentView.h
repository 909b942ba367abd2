#pragma once

#include <QPointer>
#include <QWidget>

#include "sources/CodeEntry.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace nabbit {

class AppDelegate;
class MainWindowState;
class StatusDot;

// The content of the tray panel: whether each source works, the newest codes (a click copies
// one), a test code and a resync, and the way to the settings window or out. Everything it
// shows comes from the shared state and the mail- and notification-detection preferences.
class PopoverContentView : public QWidget {
    Q_OBJECT

  public:
    PopoverContentView(MainWindowState& state, AppDelegate* appDelegate, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void restyle();
    void render();
    void renderRows();

    MainWindowState& state_;
    QPointer<AppDelegate> appDelegate_;
    StatusDot* messagesDot_ = nullptr;
    QLabel* messagesLine_ = nullptr;
    QWidget* mailStatus_ = nullptr;
    StatusDot* mailDot_ = nullptr;
    QLabel* mailLine_ = nullptr;
    QWidget* messagesStatus_ = nullptr;
    QWidget* notificationsStatus_ = nullptr;
    StatusDot* notificationsDot_ = nullptr;
    QLabel* notificationsLine_ = nullptr;
    QVBoxLayout* rows_ = nullptr;
    QPushButton* test_ = nullptr;
    QPushButton* resync_ = nullptr;
    QPushButton* settings_ = nullptr;
    QPushButton* quit_ = nullptr;
    CodeEntries shownRows_;
    bool rowsRendered_ = false;
};

}  // namespace nabbit
