#pragma once

#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include <QFileSystemWatcher>
#include <QPointer>
#include <QWidget>

#include "sources/CodeEntry.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace nabbit {

class AppDelegate;
class MainWindowState;
class PageScrollArea;
class SettingRow;
class SettingsSection;
class StatusBadge;
class SymbolCircle;
class ToggleSwitch;

// The settings window's content, a scrolling page: whether detection works, the newest codes
// (a click copies one), a test code and a resync, every setting in its section, and the
// version. Controls write their preference the moment the user changes them, and show what
// is stored: changes made elsewhere (the tray menu, `nabbit defaults write`) appear without
// reopening the window, and a stored value the view does not offer is shown as no choice and
// left as it is.
class MainWindowView : public QWidget {
    Q_OBJECT

  public:
    MainWindowView(MainWindowState& state, AppDelegate* appDelegate, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // A switch that shows a boolean preference (its fallback while absent) and writes the
    // user's flips at once, then runs `after` with the new value.
    struct BoundSwitch {
        ToggleSwitch* control;
        std::string_view key;
        bool fallback;
    };
    // A picker of integer choices; a stored value that is none of them selects nothing.
    struct BoundPicker {
        QComboBox* control;
        std::string_view key;
        int fallback;
        std::vector<int> values;
    };

    QWidget* buildHeader();
    QWidget* buildStatusCard();
    QWidget* buildRecentCodes();
    QWidget* buildQuickActions();
    void buildSettings(QVBoxLayout* page);
    QWidget* buildFooter();
    QLineEdit* buildIgnoredApplications();
    ToggleSwitch* bindSwitch(std::string_view key, bool fallback,
                             std::function<void(bool)> after = {});
    QComboBox* bindPicker(std::string_view key, int fallback,
                          const std::vector<std::pair<QString, int>>& choices, int width,
                          std::function<void()> after = {});
    QPushButton* actionButton(QPushButton* button, std::function<void(AppDelegate&)> action);

    void scheduleRender();
    void render();
    void renderStatus(bool mailDetection, bool notificationDetection);
    void renderRecentCodes();
    void restyle();
    void applyTabOrder();
    void watchPreferences();

    MainWindowState& state_;
    QPointer<AppDelegate> appDelegate_;
    PageScrollArea* scroll_ = nullptr;
    QFileSystemWatcher preferencesWatcher_;
    bool renderPending_ = false;

    SymbolCircle* statusIcon_ = nullptr;
    QLabel* headline_ = nullptr;
    StatusBadge* messagesBadge_ = nullptr;
    StatusBadge* mailBadge_ = nullptr;
    StatusBadge* notificationsBadge_ = nullptr;
    QLabel* permissionsLine_ = nullptr;
    QPushButton* openSetup_ = nullptr;

    QVBoxLayout* recentRows_ = nullptr;
    CodeEntries shownCodes_;
    bool codesRendered_ = false;
    std::vector<QWidget*> codeRows_;

    std::vector<BoundSwitch> switches_;
    std::vector<BoundPicker> pickers_;
    ToggleSwitch* automaticUpdates_ = nullptr;
    SettingsSection* notifications_ = nullptr;
    SettingRow* overlayRow_ = nullptr;
    SettingRow* positionRow_ = nullptr;
    SettingsSection* advanced_ = nullptr;
    QWidget* logButtons_ = nullptr;
    SettingRow* mailRow_ = nullptr;
    SettingsSection* detection_ = nullptr;
    SettingRow* notificationsRow_ = nullptr;
    SettingRow* ignoredRow_ = nullptr;
    QLineEdit* ignoredApplications_ = nullptr;
    SettingRow* autoPasteRow_ = nullptr;

    // Controls in reading order; the recent code rows go after the first (Open Setup).
    std::vector<QWidget*> focusOrder_;
};

}  // namespace nabbit
