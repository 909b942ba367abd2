#pragma once

#include <QObject>

#include "platform/FileReveal.h"

namespace nabbit {

// Asks the desktop's file manager over D-Bus (org.freedesktop.FileManager1 ShowItems and
// ShowFolders). When there is no session bus or no file manager answers, opens the folder with
// the desktop's default handler instead. Calls do not wait for the file manager.
class FreedesktopFileReveal final : public QObject, public FileReveal {
    Q_OBJECT

  public:
    explicit FreedesktopFileReveal(QObject* parent = nullptr);

    void revealFile(const std::filesystem::path& file) override;
    void openFolder(const std::filesystem::path& folder) override;

  private:
    void callFileManager(const QString& method, const std::filesystem::path& target,
                         const std::filesystem::path& fallbackFolder);
};

}  // namespace nabbit
