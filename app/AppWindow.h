#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

namespace nabbit {

// One of Nabbit's ordinary windows (settings, onboarding): a title, a first size and a minimum
// size, its size and place remembered under an autosave name in the window state file, and a
// signal just before it closes.
class AppWindow : public QWidget {
    Q_OBJECT

  public:
    AppWindow(const QString& title, QSize size, QSize minimumSize, QString autosaveName,
              QWidget* content);

    const QString& autosaveName() const { return autosaveName_; }
    // Whether a remembered size and place was put back.
    bool restoredFrame() const { return restoredFrame_; }
    // Puts the window in the middle of the screen it is on.
    void center();

  signals:
    void willClose();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void saveFrame() const;

    QString autosaveName_;
    bool restoredFrame_ = false;
};

}  // namespace nabbit
